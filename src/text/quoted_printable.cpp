#include "text/quoted_printable.h"

#include <array>
#include <optional>
#include <string>

#include "text/streaming_converter.h"

namespace mailwright::text {
namespace {

constexpr std::string_view kSoftBreak = "=\r\n";
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr size_t kStreamBlockBytes = 512;

constexpr size_t kBreakBeforeColumn = 75;       // before a byte
constexpr size_t kBreakAfterEscapeColumn = 72;  // string form, after "=XX"

bool IsLiteral(unsigned char byte) {
    return byte == '\t' || byte == ' ' || (byte >= 33 && byte <= 60) || (byte >= 62 && byte <= 126);
}

bool NeedsVCardEscape(unsigned char byte) {
    return byte == ',' || byte == ';' || byte == '\\';
}

enum class Form { kString, kStream };

class QuotedPrintableEncoder {
public:
    QuotedPrintableEncoder(Form form, std::ostream& out) : form_(form), out_(out) {}

    void Encode(std::string_view bytes) {
        std::string text;
        text.reserve(bytes.size() * 2);
        for (const char c : bytes) {
            EncodeByte(static_cast<unsigned char>(c), text);
        }
        out_ << text;
    }

private:
    void SoftBreak(std::string& text) {
        text += kSoftBreak;
        column_ = 0;
    }

    void EncodeByte(unsigned char byte, std::string& text) {
        const bool literal = IsLiteral(byte);
        if ((literal || form_ == Form::kStream) && column_ >= kBreakBeforeColumn) {
            SoftBreak(text);
        }
        if (literal) {
            if (NeedsVCardEscape(byte)) {
                text += '\\';
                ++column_;
            }
            text += static_cast<char>(byte);
            ++column_;
            return;
        }
        text += '=';
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
        column_ += 3;
        if (form_ == Form::kString && column_ >= kBreakAfterEscapeColumn) {
            SoftBreak(text);
        }
    }

    Form form_;
    std::ostream& out_;
    size_t column_ = 0;
};

}  // namespace

void WriteQuotedPrintable(std::string_view text, std::ostream& out) {
    QuotedPrintableEncoder(Form::kString, out).Encode(text);
}

void WriteQuotedPrintable(std::istream& in, const TextEncodingItem& source,
                          const TextEncodingItem& target, std::ostream& out) {
    QuotedPrintableEncoder encoder(Form::kStream, out);
    std::optional<StreamingConverter> converter;  // opened once there is text
    std::array<char, kStreamBlockBytes> block{};
    while (in) {
        in.read(block.data(), block.size());
        const auto count = static_cast<size_t>(in.gcount());
        if (count == 0) {
            break;
        }
        if (!converter) {
            converter.emplace(source, target);
        }
        encoder.Encode(converter->convert(ByteInput(block.data(), count), false));
    }
    if (!converter) {
        out << "=0D=0A";
        return;
    }
    encoder.Encode(converter->convert(ByteInput(block.data(), 0), true));
}

}  // namespace mailwright::text
