#include "text/whole_value_conversion.h"

#include <stdexcept>

#include "platform/system_log.h"
#include "text/icu_converter.h"

namespace mailwright::text {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

[[noreturn]] void log_and_fail(const std::string& message) {
    platform::log_line(message);
    throw std::runtime_error(message);
}

bool is_lead_surrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_trail_surrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Writes one code point as UTF-8 at out and returns the position after it.
char* put_utf8(char32_t code_point, char* out) {
    if (code_point < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code_point >> 6));
        *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code_point >> 12));
        *out++ = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code_point >> 18));
        *out++ = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
    }
    return out;
}

// Encodes count UTF-16 units, read through unit_at(i), as UTF-8. Unpaired
// surrogates become U+FFFD, as ICU's converters do. No unit needs more than
// three bytes (a pair needs four for two units), so 3 * count bytes suffice.
template <typename UnitAt>
std::string encode_utf16_as_utf8(std::size_t count, UnitAt unit_at) {
    std::string out(count * 3, '\0');
    char* const begin = out.data();
    char* end = begin;
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t unit = unit_at(i);
        if (unit < 0x80) {
            *end++ = static_cast<char>(unit);
        } else if (is_lead_surrogate(unit) && i + 1 < count && is_trail_surrogate(unit_at(i + 1))) {
            const char32_t trail = unit_at(++i);
            end = put_utf8(0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00), end);
        } else if (is_lead_surrogate(unit) || is_trail_surrogate(unit)) {
            end = put_utf8(kReplacementCharacter, end);
        } else {
            end = put_utf8(unit, end);
        }
    }
    out.resize(static_cast<std::size_t>(end - begin));
    return out;
}

detail::pooled_converter open_or_fail(const char* function, const char* role, const char* name) {
    detail::pooled_converter converter(name);
    if (converter.isNull()) {
        log_and_fail(std::string(function) + ": Invalid " + role + " converter.");
    }
    return converter;
}

std::u16string to_utf16_or_fail(const char* function, UConverter* converter, ByteInput bytes) {
    std::u16string utf16;
    if (!detail::append_to_utf16(converter, bytes.data(), bytes.size(), true, utf16)) {
        log_and_fail(std::string(function) + ": ucnv_toUnicode failed.");
    }
    return utf16;
}

std::string from_utf16_or_fail(const char* function, UConverter* converter,
                               std::u16string_view text) {
    std::string out;
    if (!detail::append_from_utf16(converter, text.data(), text.size(), true, out)) {
        log_and_fail(std::string(function) + ": ucnv_fromUnicode failed.");
    }
    return out;
}

}  // namespace

std::string utf16le_bytes_to_utf8(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) {
        return {};
    }
    return encode_utf16_as_utf8(size / 2, [data](std::size_t i) {
        return static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    });
}

std::string utf16_to_utf8(std::u16string_view text) {
    return encode_utf16_as_utf8(text.size(),
                                [text](std::size_t i) { return static_cast<char32_t>(text[i]); });
}

std::u16string utf8_to_utf16(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    auto converter = open_or_fail("utf8_to_utf16", "source", "UTF-8");
    return to_utf16_or_fail("utf8_to_utf16", converter.getAlias(), utf8);
}

std::string utf8_to_code_page(std::string_view utf8, const TextEncodingItem& row) {
    if (utf8.empty()) {
        return {};
    }
    auto source = open_or_fail("utf8_to_code_page", "source", "UTF-8");
    auto target = open_or_fail("utf8_to_code_page", "target", ConverterName(row));
    const std::u16string utf16 = to_utf16_or_fail("utf8_to_code_page", source.getAlias(), utf8);
    return from_utf16_or_fail("utf8_to_code_page", target.getAlias(), utf16);
}

std::string convert_code_page(ByteInput bytes, const TextEncodingItem& from,
                              const TextEncodingItem& to) {
    if (bytes.empty()) {
        return {};
    }
    auto source = open_or_fail("convert_code_page", "source", ConverterName(from));
    auto target = open_or_fail("convert_code_page", "target", ConverterName(to));
    const std::u16string utf16 = to_utf16_or_fail("convert_code_page", source.getAlias(), bytes);
    return from_utf16_or_fail("convert_code_page", target.getAlias(), utf16);
}

}  // namespace mailwright::text
