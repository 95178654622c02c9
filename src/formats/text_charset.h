// The charset label of a text attachment, whose bytes the PST stores with
// no record of their encoding: "us-ascii" for 7-bit text, "utf-8" for text
// that is valid UTF-8, else the PST's code page for 8-bit text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string_view>

namespace mailwright::formats {

// Follows bytes given in blocks and tells whether they are all ASCII and
// whether they form valid UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF; a sequence may be split across blocks).
class Utf8Validator {
public:
    void add(std::string_view bytes);
    // After the last block: a sequence left open makes the text invalid.
    bool isAscii() const { return m_ascii; }
    bool isValid() const { return m_valid && m_pending == 0; }
    // Neither ASCII nor valid UTF-8: no later byte can change the label.
    bool isSettled() const { return !m_valid && !m_ascii; }

private:
    void take(std::uint8_t byte);

    bool m_ascii = true;
    bool m_valid = true;
    unsigned m_pending = 0;  // continuation bytes still expected
    // The allowed range of the next continuation byte (narrower than
    // 0x80-0xBF right after some lead bytes).
    std::uint8_t m_low = 0x80;
    std::uint8_t m_high = 0xBF;
};

// Labels a text "us-ascii", "utf-8", or `eightBitCharset`. The stream form
// reads until the label is known (at most to the end).
std::string_view SniffTextCharset(std::istream& text, std::string_view eightBitCharset);
std::string_view SniffTextCharset(std::string_view text, std::string_view eightBitCharset);

// Whether a MIME type is textual (text/...), so that its part needs a
// charset parameter, and whether it already has one.
bool IsTextType(std::string_view mimeType);
bool HasCharsetParameter(std::string_view mimeType);

}  // namespace mailwright::formats
