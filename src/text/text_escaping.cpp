#include "text/text_escaping.h"

#include <algorithm>
#include <array>
#include <vector>

#include "text/code_page_conversion.h"
#include "text/streaming_converter.h"

namespace mailwright::text {
namespace {

constexpr std::string_view kFold = "\r\n ";
constexpr size_t kStreamBlockBytes = 512;
// A first block shorter than this holding only NUL, CR and LF is an empty body.
constexpr size_t kBlankBodyLimit = 9;

// Bytes of the UTF-8 character a byte begins; 1 for ASCII and stray bytes.
size_t Utf8SequenceLength(unsigned char byte) {
    if (byte >= 0xF0 && byte <= 0xF4) {
        return 4;
    }
    if (byte >= 0xE0 && byte <= 0xEF) {
        return 3;
    }
    if (byte >= 0xC2 && byte <= 0xDF) {
        return 2;
    }
    return 1;
}

bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsBlankBody(std::string_view block) {
    return block.size() < kBlankBodyLimit && std::all_of(block.begin(), block.end(), [](char c) {
               return c == '\0' || c == '\r' || c == '\n';
           });
}

// Converts UTF-16 text to the code page the way ConvertFromUnicode does (same
// lookup and log lines), with room for the whole text.
std::string ConvertWhole(std::u16string_view text, uint32_t code_page) {
    if (text.empty()) {
        return {};
    }
    // ISO-2022 encodings may spend an escape sequence per character.
    constexpr size_t kMaxBytesPerUnit = 8;
    std::vector<uint8_t> buffer(text.size() * kMaxBytesPerUnit + 16);
    const size_t written =
        ConvertFromUnicode(code_page, text.data(), text.size() * 2, buffer.data(), buffer.size());
    return std::string(reinterpret_cast<const char*>(buffer.data()), written);
}

}  // namespace

void TextValueEscaper::FoldBefore(unsigned char byte, std::string& out) {
    if (continuation_left_ > 0 && IsContinuationByte(byte)) {
        --continuation_left_;  // inside a character: never fold here
        return;
    }
    const size_t length = Utf8SequenceLength(byte);
    continuation_left_ = length - 1;
    if (line_bytes_ > 0 && line_bytes_ + length > kTextValueFoldBytes) {
        out += kFold;
        line_bytes_ = 0;
    }
}

void TextValueEscaper::Append(std::string_view bytes, std::string& out) {
    Write(bytes, escape_, out);
}

void TextValueEscaper::AppendVerbatim(std::string_view bytes, std::string& out) {
    Write(bytes, false, out);
}

void TextValueEscaper::Write(std::string_view bytes, bool escape, std::string& out) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (fold_) {
            FoldBefore(byte, out);
            ++line_bytes_;
        }
        if (!escape) {
            out += c;
            continue;
        }
        const bool after_cr = after_cr_;
        after_cr_ = c == '\r';
        switch (c) {
            case '\r':
                out += "\\n";
                break;
            case '\n':
                // CR LF is one line break, already written with its CR.
                if (!after_cr) {
                    out += "\\n";
                }
                break;
            case ',':
            case ';':
            case '\\':
                out += '\\';
                out += c;
                break;
            default:
                out += c;
                break;
        }
    }
}

bool EscapeTextValue(const std::optional<std::u16string>& property, uint32_t code_page, bool escape,
                     std::string& out) {
    if (!property) {
        return false;
    }
    TextValueEscaper(escape, /*fold=*/false).Append(ConvertWhole(*property, code_page), out);
    return true;
}

void EscapeTextValue(std::u16string_view text, uint32_t code_page, std::string& out) {
    const std::string converted = ConvertWhole(text, code_page);
    if (!converted.empty()) {
        TextValueEscaper().Append(converted, out);
    }
}

void EscapeTextValue(std::string_view text, std::string& out) {
    TextValueEscaper().Append(text.substr(0, text.find('\0')), out);
}

bool EscapeTextValue(std::istream& body, const TextEncodingItem& source, std::ostream& out,
                     size_t column) {
    std::array<char, kStreamBlockBytes> block{};
    body.read(block.data(), block.size());
    auto count = static_cast<size_t>(body.gcount());
    if (IsBlankBody(std::string_view(block.data(), count))) {
        return false;
    }
    StreamingConverter converter(source, Utf8Row());
    TextValueEscaper escaper(/*escape=*/true, /*fold=*/true, column);
    std::string escaped;
    while (count > 0) {
        escaped.clear();
        escaper.Append(converter.convert(ByteInput(block.data(), count), false), escaped);
        out << escaped;
        if (!body) {
            break;
        }
        body.read(block.data(), block.size());
        count = static_cast<size_t>(body.gcount());
    }
    escaped.clear();
    escaper.Append(converter.convert(ByteInput(block.data(), 0), true), escaped);
    out << escaped;
    return true;
}

}  // namespace mailwright::text
