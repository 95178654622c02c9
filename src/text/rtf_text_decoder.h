#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "text/code_page_table.h"
#include "text/streaming_converter.h"

namespace mailwright::text {

// Turns the 8-bit text of an RTF document (literal bytes and \'hh escapes) into
// UTF-8 through the code page layer. A code page that the table does not know
// or cannot convert is read as Windows-1252, the RTF default. Converters are
// opened once per code page and kept for the life of the decoder.
class RtfTextDecoder {
public:
    static constexpr uint32_t kFallbackCodePage = 1252;

    // Appends the UTF-8 form of `bytes` to `out`. Never throws: bytes that
    // cannot be converted become U+FFFD.
    void Decode(std::string_view bytes, uint32_t code_page, std::string& out);

private:
    struct Entry {
        std::unique_ptr<StreamingConverter> converter;
        bool ascii_compatible = false;  // bytes below 0x80 decode to themselves
    };

    Entry& Lookup(uint32_t code_page);
    static Entry MakeEntry(const TextEncodingItem* row);

    // Code page numbers resolve to table rows (unknown ones to the fallback),
    // and converters are kept per row, so hostile input naming many code
    // pages opens at most one converter per row of the table.
    std::unordered_map<uint32_t, const TextEncodingItem*> rows_;
    std::unordered_map<const TextEncodingItem*, Entry> entries_;
};

}  // namespace mailwright::text
