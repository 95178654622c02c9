#include "formats/text_charset.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
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

namespace {

// The end of the run of ASCII bytes from `at`, eight bytes at a time.
std::size_t endOfAscii(std::string_view bytes, std::size_t at) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (; bytes.size() - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        if ((word & kHighBits) != 0) {
            break;
        }
    }
    while (at < bytes.size() && static_cast<std::uint8_t>(bytes[at]) < 0x80) {
        ++at;
    }
    return at;
}

// The length of the valid sequence at `at` (RFC 3629 4), which has at least
// four bytes after it in the block, or 0 when it is not one.
std::size_t wholeSequence(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[at + i]); };
    const auto inRange = [](std::uint8_t b, std::uint8_t low, std::uint8_t high) {
        return b >= low && b <= high;
    };
    const std::uint8_t lead = byte(0);
    if (inRange(lead, 0xC2, 0xDF)) {
        return inRange(byte(1), 0x80, 0xBF) ? 2 : 0;
    }
    if (inRange(lead, 0xE0, 0xEF)) {
        const std::uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;
        const std::uint8_t high = lead == 0xED ? 0x9F : 0xBF;
        return inRange(byte(1), low, high) && inRange(byte(2), 0x80, 0xBF) ? 3 : 0;
    }
    if (inRange(lead, 0xF0, 0xF4)) {
        const std::uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
        const std::uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;
        return inRange(byte(1), low, high) && inRange(byte(2), 0x80, 0xBF) &&
                       inRange(byte(3), 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    return 0;
}

}  // namespace

void Utf8Validator::add(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (m_pending == 0) {
            // Between sequences ASCII bytes change nothing.
            at = endOfAscii(bytes, at);
            if (at == bytes.size()) {
                return;
            }
            // A sequence wholly inside the block is checked at once.
            if (m_valid && bytes.size() - at >= 4) {
                if (const std::size_t length = wholeSequence(bytes, at); length > 0) {
                    m_ascii = false;
                    at += length - 1;
                    continue;
                }
            }
        }
        take(static_cast<std::uint8_t>(bytes[at]));
        if (isSettled()) {
            return;
        }
    }
}

void Utf8Validator::take(std::uint8_t byte) {
    if (byte >= 0x80) {
        m_ascii = false;
    }
    if (!m_valid) {
        return;
    }
    if (m_pending > 0) {
        if (byte < m_low || byte > m_high) {
            m_valid = false;
            return;
        }
        --m_pending;
        m_low = 0x80;
        m_high = 0xBF;
        return;
    }
    if (byte < 0x80) {
        return;
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

namespace {

std::string_view Label(const Utf8Validator& validator, std::string_view eightBitCharset) {
    if (validator.isAscii()) {
        return "us-ascii";
    }
    return validator.isValid() ? std::string_view("utf-8") : eightBitCharset;
}

}  // namespace

std::string_view SniffTextCharset(std::istream& text, std::string_view eightBitCharset) {
    Utf8Validator validator;
    std::string block(kSniffBlockBytes, '\0');
    while (text && !validator.isSettled()) {
        text.read(block.data(), static_cast<std::streamsize>(block.size()));
        const std::streamsize count = text.gcount();
        if (count <= 0) {
            break;
        }
        validator.add(std::string_view(block.data(), static_cast<std::size_t>(count)));
    }
    return Label(validator, eightBitCharset);
}

std::string_view SniffTextCharset(std::string_view text, std::string_view eightBitCharset) {
    Utf8Validator validator;
    validator.add(text);
    return Label(validator, eightBitCharset);
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
