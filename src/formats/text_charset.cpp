#include "formats/text_charset.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace mailwright::formats {
namespace {

constexpr std::size_t kSniffBlockBytes = 57000;

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

void Utf8Validator::add(std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80) {
            m_ascii = false;
        }
        if (!m_valid) {
            continue;
        }
        if (m_pending > 0) {
            if (byte < m_low || byte > m_high) {
                m_valid = false;
                continue;
            }
            --m_pending;
            m_low = 0x80;
            m_high = 0xBF;
            continue;
        }
        if (byte < 0x80) {
            continue;
        }
        // Lead bytes (RFC 3629 4): the first continuation byte's range
        // excludes overlong forms, surrogates and values above U+10FFFF.
        if (byte >= 0xC2 && byte <= 0xDF) {
            m_pending = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            m_pending = 2;
            m_low = byte == 0xE0 ? 0xA0 : 0x80;
            m_high = byte == 0xED ? 0x9F : 0xBF;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            m_pending = 3;
            m_low = byte == 0xF0 ? 0x90 : 0x80;
            m_high = byte == 0xF4 ? 0x8F : 0xBF;
        } else {
            m_valid = false;
        }
    }
}

std::string_view SniffTextCharset(std::istream& text, std::string_view eightBitCharset) {
    Utf8Validator validator;
    std::string block(kSniffBlockBytes, '\0');
    while (text) {
        text.read(block.data(), static_cast<std::streamsize>(block.size()));
        const std::streamsize count = text.gcount();
        if (count <= 0) {
            break;
        }
        validator.add(std::string_view(block.data(), static_cast<std::size_t>(count)));
    }
    if (validator.isAscii()) {
        return "us-ascii";
    }
    return validator.isValid() ? std::string_view("utf-8") : eightBitCharset;
}

bool IsTextType(std::string_view mimeType) {
    return lowerCase(mimeType.substr(0, 5)) == "text/";
}

bool HasCharsetParameter(std::string_view mimeType) {
    const std::string lower = lowerCase(mimeType);
    const std::size_t semicolon = lower.find(';');
    return semicolon != std::string::npos && lower.find("charset", semicolon) != std::string::npos;
}

}  // namespace mailwright::formats
