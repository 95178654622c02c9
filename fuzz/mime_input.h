// The MIME writer's own parsing of hostile bytes: the MBOX body filter and
// the stored header filter. The input's first byte picks a cut into blocks;
// the filter's output must be the same for every cut (a "From " split
// between blocks is still found), hold no CR, and start no line with an
// unquoted "From "; the header filter must give a block of header lines
// only, each ending with the line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "formats/body_filter.h"
#include "formats/stored_headers.h"

namespace mailwright::formats::fuzzing {

inline std::string filter_in_blocks(std::string_view text, std::size_t blockSize) {
    std::ostringstream out;
    BodyFilter filter(out);
    if (blockSize == 0) {
        filter.write(text, true);
        return out.str();
    }
    for (std::size_t at = 0;; at += blockSize) {
        const bool last = at + blockSize >= text.size();
        filter.write(text.substr(std::min(at, text.size()), blockSize), last);
        if (last) {
            return out.str();
        }
    }
}

inline void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

inline void check_body_filter(std::string_view text, std::size_t blockSize) {
    const std::string whole = filter_in_blocks(text, 0);
    check(filter_in_blocks(text, blockSize) == whole);
    check(whole.find('\r') == std::string::npos);
    check(!whole.starts_with("From ") && whole.find("\nFrom ") == std::string::npos);
}

inline void check_header_filter(std::string_view text) {
    const auto block = FilterStoredHeaders(text, "\r\n");
    if (!block) {
        return;
    }
    check(block->empty() || block->ends_with("\r\n"));
    std::size_t start = 0;
    while (start < block->size()) {
        const std::size_t end = block->find("\r\n", start);
        check(end != std::string::npos && end > start);
        const std::string_view line(block->data() + start, end - start);
        check(line.find('\r') == std::string_view::npos &&
              line.find('\n') == std::string_view::npos);
        // A header line (a field name and a colon) or a continuation line.
        const bool continuation = line.front() == ' ' || line.front() == '\t';
        const std::size_t colon = line.find(':');
        check(continuation ||
              (colon != std::string_view::npos && colon > 0 &&
               line.substr(0, colon).find_first_of(" \t") == std::string_view::npos));
        start = end + 2;
    }
}

}  // namespace mailwright::formats::fuzzing

inline void fuzz_mime(const uint8_t* data, size_t size) {
    if (size == 0) {
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    mailwright::formats::fuzzing::check_body_filter(text, 1 + data[0] % 16);
    mailwright::formats::fuzzing::check_header_filter(text);
}
