// Differential check of block-wise code page conversion: for any input, any
// available code page and any block size, converting in blocks must give the
// same bytes as converting the whole input, and a UTF-8 result must be valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/code_page_table.h"
#include "text/streaming_converter.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text::fuzzing {

inline bool is_valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code_point = 0;
        if (lead < 0x80) {
            length = 1;
            code_point = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code_point = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code_point = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code_point = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code_point = (code_point << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code_point < kSmallest[length] || code_point > 0x10FFFF ||
            (code_point >= 0xD800 && code_point <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace mailwright::text::fuzzing

// Input: one byte choosing the code page among the available rows, one byte
// choosing the block size (1 to 256), then the text.
inline void fuzz_codepage(const uint8_t* data, size_t size) {
    using namespace mailwright::text;
    if (size < 2) {
        return;
    }
    static const auto rows = AvailableCodePages();
    const TextEncodingItem& row = *rows[data[0] % rows.size()];
    const std::size_t block = std::size_t{data[1]} + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    const std::string whole = convert_code_page(text, row, Utf8Row());
    StreamingConverter converter(row, Utf8Row());
    std::string chunked;
    std::size_t start = 0;
    do {
        const std::string_view piece = text.substr(start, block);
        start += piece.size();
        converter.convert(piece, start >= text.size(), chunked);
    } while (start < text.size());

    if (chunked != whole || !mailwright::text::fuzzing::is_valid_utf8(whole)) {
        std::abort();
    }
    // Back again: must not fail whatever the text.
    (void)utf8_to_code_page(whole, row);
}
