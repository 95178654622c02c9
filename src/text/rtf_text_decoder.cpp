#include "text/rtf_text_decoder.h"

#include <algorithm>
#include <stdexcept>

namespace mailwright::text {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Looks the row up without logging: RTF from any source may name code pages
// that are not in the table, and that is not worth a log line each time.
const TextEncodingItem* AvailableRow(uint32_t code_page) {
    for (const TextEncodingItem& row : CodePageTable()) {
        if (row.codePage == code_page) {
            return row.available ? &row : nullptr;
        }
    }
    return nullptr;
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

RtfTextDecoder::Entry RtfTextDecoder::MakeEntry(const TextEncodingItem* row) {
    Entry entry;
    if (row == nullptr) {
        return entry;
    }
    try {
        entry.converter = std::make_unique<StreamingConverter>(*row, Utf8Row());
        std::string ascii;
        for (int c = 1; c < 0x80; ++c) {
            ascii += static_cast<char>(c);
        }
        entry.ascii_compatible = entry.converter->convert(ascii, true) == ascii;
    } catch (const std::runtime_error&) {
        entry.converter.reset();
    }
    return entry;
}

RtfTextDecoder::Entry& RtfTextDecoder::Lookup(uint32_t code_page) {
    auto row = rows_.find(code_page);
    if (row == rows_.end()) {
        const TextEncodingItem* found = AvailableRow(code_page);
        row = rows_.emplace(code_page, found ? found : AvailableRow(kFallbackCodePage)).first;
    }
    auto entry = entries_.find(row->second);
    if (entry == entries_.end()) {
        entry = entries_.emplace(row->second, MakeEntry(row->second)).first;
    }
    return entry->second;
}

void RtfTextDecoder::Decode(std::string_view bytes, uint32_t code_page, std::string& out) {
    if (bytes.empty()) {
        return;
    }
    Entry& entry = Lookup(code_page);
    if (entry.ascii_compatible && IsAscii(bytes)) {
        out += bytes;
        return;
    }
    if (entry.converter) {
        try {
            entry.converter->convert(bytes, true, out);
            return;
        } catch (const std::runtime_error&) {
            // fall through to the replacement below
        }
    }
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) {
            out += c;
        } else {
            out += kReplacementCharacter;
        }
    }
}

}  // namespace mailwright::text
