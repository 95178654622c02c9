#include "text/header_encoding.h"

#include <algorithm>

#include "text/base64.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

constexpr std::string_view kEncodedWordPrefix = "=?utf-8?B?";
constexpr std::string_view kEncodedWordSuffix = "?=";

// UTF-8 bytes per encoded-word: the base64 room of a 75-character word is a
// whole number of 4-character groups, 3 bytes each.
constexpr size_t kBytesPerEncodedWord =
    (kMaxEncodedWordLength - kEncodedWordPrefix.size() - kEncodedWordSuffix.size()) / 4 * 3;

bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Cuts the text at its first NUL and turns line breaks into blanks.
std::u16string HeaderSafeText(std::u16string_view text) {
    text = text.substr(0, text.find(u'\0'));
    std::u16string safe;
    safe.reserve(text.size());
    bool in_line_break = false;
    for (const char16_t unit : text) {
        const bool line_break = unit == u'\r' || unit == u'\n';
        if (!line_break) {
            safe += unit;
        } else if (!in_line_break) {
            safe += u' ';
        }
        in_line_break = line_break;
    }
    return safe;
}

void AppendQuoted(std::string_view ascii, std::string& out) {
    out += '"';
    for (const char c : ascii) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
}

void AppendEncodedWords(std::string_view utf8, std::string_view line_end, std::string& out) {
    size_t pos = 0;
    while (pos < utf8.size()) {
        size_t end = std::min(utf8.size(), pos + kBytesPerEncodedWord);
        // Never end a word inside a character.
        while (end < utf8.size() && end > pos + 1 &&
               IsContinuationByte(static_cast<unsigned char>(utf8[end]))) {
            --end;
        }
        if (pos > 0) {
            out += line_end;
            out += ' ';
        }
        out += kEncodedWordPrefix;
        out += Base64EncodeString(
            std::span(reinterpret_cast<const uint8_t*>(utf8.data()) + pos, end - pos));
        out += kEncodedWordSuffix;
        pos = end;
    }
}

}  // namespace

bool EncodeHeaderText(std::u16string_view text, bool quote, std::string& out,
                      std::string_view line_end) {
    const std::u16string safe = HeaderSafeText(text);
    if (safe.empty()) {
        return true;
    }
    const std::string utf8 = utf16_to_utf8(safe);
    if (utf8.size() == safe.size()) {  // one byte per unit: plain ASCII
        if (quote) {
            AppendQuoted(utf8, out);
        } else {
            out += utf8;
        }
        return true;
    }
    AppendEncodedWords(utf8, line_end, out);
    return false;
}

}  // namespace mailwright::text
