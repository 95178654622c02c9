#include "formats/mime_parameter.h"

#include <algorithm>

#include "text/header_encoding.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

// RFC 2231 attribute-char: any printable ASCII character except the
// tspecials, "*", "'" and "%".
bool isAttributeChar(unsigned char c) {
    if (c <= 32 || c >= 127) {
        return false;
    }
    return std::string_view("()<>@,;:\\\"/[]?=*'%").find(static_cast<char>(c)) ==
           std::string_view::npos;
}

}  // namespace

std::string FormatParameter(std::string_view attribute, std::string_view equals,
                            std::u16string_view value) {
    value = value.substr(0, value.find(u'\0'));
    if (value.empty()) {
        return {};
    }
    std::string result(attribute);
    const bool ascii = std::all_of(value.begin(), value.end(), [](char16_t c) { return c < 0x80; });
    if (ascii) {
        result += equals;
        text::EncodeHeaderText(value, true, result);
        return result;
    }
    // Line breaks become blanks, as in other header text.
    std::u16string flat;
    for (const char16_t c : value) {
        const bool lineBreak = c == u'\r' || c == u'\n';
        if (!lineBreak || flat.empty() || flat.back() != u' ') {
            flat += lineBreak ? u' ' : c;
        }
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    result += "*=utf-8''";
    for (const char byte : text::utf16_to_utf8(flat)) {
        const auto c = static_cast<unsigned char>(byte);
        if (isAttributeChar(c)) {
            result += byte;
        } else {
            result += '%';
            result += kHex[c >> 4];
            result += kHex[c & 0x0F];
        }
    }
    return result;
}

}  // namespace mailwright::formats
