#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace mailwright::text {

// One lexical element of an RTF text.
struct RtfToken {
    enum Type {
        kEnd,            // no more input
        kGroupStart,     // {
        kGroupEnd,       // }
        kControlWord,    // \word or \wordN; `word`, `has_parameter`, `parameter`
        kControlSymbol,  // \ followed by one other character (\~ \- \_ \* ...); `symbol`
        kHexByte,        // \'hh; `byte`
        kText,           // a run of literal bytes, escaped \ { } included; `text`
        kBinary,         // the bytes after \binN; `text`
    };

    Type type = kEnd;
    std::string_view word;
    bool has_parameter = false;
    int32_t parameter = 0;
    char symbol = 0;
    uint8_t byte = 0;
    std::string_view text;
};

// Splits RTF into tokens. Raw CR and LF bytes are not text in RTF and are
// dropped; a backslash before a line break is reported as the word "par".
// Parameters saturate at the 32-bit range; \binN takes at most what is left.
class RtfTokenizer {
public:
    explicit RtfTokenizer(std::span<const uint8_t> rtf)
        : text_(reinterpret_cast<const char*>(rtf.data()), rtf.size()) {}

    RtfToken Next();

    size_t position() const { return pos_; }

private:
    std::optional<RtfToken> ReadControl();  // nothing for a dropped escape
    RtfToken ReadControlWord();
    RtfToken ReadText();

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace mailwright::text
