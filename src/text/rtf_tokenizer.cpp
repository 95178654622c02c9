#include "text/rtf_tokenizer.h"

#include <algorithm>
#include <limits>

namespace mailwright::text {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

std::optional<uint8_t> HexValue(char c) {
    if (IsDigit(c)) {
        return static_cast<uint8_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint8_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    return std::nullopt;
}

RtfToken MakeToken(RtfToken::Type type) {
    RtfToken token;
    token.type = type;
    return token;
}

RtfToken MakeTextToken(std::string_view text) {
    RtfToken token = MakeToken(RtfToken::kText);
    token.text = text;
    return token;
}

}  // namespace

RtfToken RtfTokenizer::Next() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == '{') {
            ++pos_;
            return MakeToken(RtfToken::kGroupStart);
        }
        if (c == '}') {
            ++pos_;
            return MakeToken(RtfToken::kGroupEnd);
        }
        if (c == '\\') {
            if (auto token = ReadControl()) {
                return *token;
            }
            continue;
        }
        if (IsLineBreak(c)) {
            ++pos_;
            continue;
        }
        return ReadText();
    }
    return {};
}

std::optional<RtfToken> RtfTokenizer::ReadControl() {
    const size_t next = pos_ + 1;
    if (next >= text_.size()) {
        pos_ = text_.size();  // a lone backslash at the very end
        return std::nullopt;
    }
    const char c = text_[next];
    if (IsLetter(c)) {
        return ReadControlWord();
    }
    if (c == '\\' || c == '{' || c == '}') {
        pos_ = next + 1;
        return MakeTextToken(text_.substr(next, 1));
    }
    if (IsLineBreak(c)) {
        pos_ = next + 1;
        RtfToken token = MakeToken(RtfToken::kControlWord);
        token.word = "par";
        return token;
    }
    if (c == '\'') {
        pos_ = next + 1;
        if (text_.size() - pos_ >= 2) {
            const auto high = HexValue(text_[pos_]);
            const auto low = HexValue(text_[pos_ + 1]);
            if (high && low) {
                pos_ += 2;
                RtfToken token = MakeToken(RtfToken::kHexByte);
                token.byte = static_cast<uint8_t>(*high << 4 | *low);
                return token;
            }
        }
        return std::nullopt;  // a malformed escape is dropped
    }
    pos_ = next + 1;
    RtfToken token = MakeToken(RtfToken::kControlSymbol);
    token.symbol = c;
    return token;
}

RtfToken RtfTokenizer::ReadControlWord() {
    const size_t begin = pos_ + 1;
    size_t end = begin;
    while (end < text_.size() && IsLetter(text_[end])) {
        ++end;
    }
    RtfToken token = MakeToken(RtfToken::kControlWord);
    token.word = text_.substr(begin, end - begin);
    size_t cursor = end;
    const bool negative =
        cursor + 1 < text_.size() && text_[cursor] == '-' && IsDigit(text_[cursor + 1]);
    if (negative) {
        ++cursor;
    }
    if (cursor < text_.size() && IsDigit(text_[cursor])) {
        int64_t value = 0;
        constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
        while (cursor < text_.size() && IsDigit(text_[cursor])) {
            value = std::min(kLimit, value * 10 + (text_[cursor] - '0'));
            ++cursor;
        }
        value = negative ? -value : std::min<int64_t>(value, std::numeric_limits<int32_t>::max());
        token.has_parameter = true;
        token.parameter = static_cast<int32_t>(value);
    }
    if (cursor < text_.size() && text_[cursor] == ' ') {
        ++cursor;  // the delimiting space belongs to the control word
    }
    pos_ = cursor;

    if (token.word == "bin" && token.has_parameter) {
        const size_t wanted = token.parameter > 0 ? static_cast<size_t>(token.parameter) : 0;
        const size_t length = std::min(wanted, text_.size() - pos_);
        token.type = RtfToken::kBinary;
        token.text = text_.substr(pos_, length);
        pos_ += length;
    }
    return token;
}

RtfToken RtfTokenizer::ReadText() {
    const size_t begin = pos_;
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == '{' || c == '}' || c == '\\' || IsLineBreak(c)) {
            break;
        }
        ++pos_;
    }
    return MakeTextToken(text_.substr(begin, pos_ - begin));
}

}  // namespace mailwright::text
