#include "text/code_page_conversion.h"

#include <stdexcept>

#include "platform/system_log.h"
#include "text/icu_converter.h"

namespace mailwright::text {
namespace {

[[noreturn]] void fail(const char* message) {
    throw std::runtime_error(message);
}

[[noreturn]] void log_and_fail(const char* message) {
    platform::log_line(message);
    fail(message);
}

std::string utf32le_bytes(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 4);
    for (const char32_t unit : text) {
        const auto value = static_cast<std::uint32_t>(unit);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    }
    return bytes;
}

std::u32string from_utf32le_bytes(const std::string& bytes) {
    std::u32string text;
    text.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::uint32_t value = 0;
        for (int k = 3; k >= 0; --k) {
            value =
                (value << 8) | static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
        }
        text.push_back(static_cast<char32_t>(value));
    }
    return text;
}

}  // namespace

std::size_t ConvertCodePage(const std::uint8_t* source, std::size_t sourceLength,
                            const TextEncodingItem* sourceRow, std::uint8_t* target,
                            std::size_t targetCapacity, const TextEncodingItem* targetRow) {
    if ((source == nullptr && sourceLength != 0) || sourceRow == nullptr || target == nullptr ||
        targetRow == nullptr) {
        fail("ConvertCodePage: Invalid argument passed !");
    }
    detail::pooled_converter source_converter(*sourceRow);
    if (source_converter.isNull()) {
        fail("ConvertCodePage: Invalid source converter.");
    }
    std::u16string utf16;
    if (!detail::append_to_utf16(source_converter.getAlias(), reinterpret_cast<const char*>(source),
                                 sourceLength, true, utf16)) {
        log_and_fail("ConvertCodePage : ucnv_toUChars failed.");
    }
    detail::pooled_converter target_converter(*targetRow);
    if (target_converter.isNull()) {
        log_and_fail("ConvertCodePage: Invalid target converter.");
    }
    char* out = reinterpret_cast<char*>(target);
    char* const out_end = out + targetCapacity;
    const char16_t* in = utf16.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(target_converter.getAlias(), &out, out_end, &in, in + utf16.size(), nullptr,
                     true, &status);
    if (U_FAILURE(status)) {
        log_and_fail("ConvertCodePage :  ucnv_fromUChars failed.");
    }
    return static_cast<std::size_t>(out - reinterpret_cast<char*>(target));
}

std::size_t ConvertFromUnicode(std::uint32_t codePage, const char16_t* text,
                               std::size_t lengthInBytes, std::uint8_t* target,
                               std::size_t targetCapacity) {
    const TextEncodingItem* row = GetCodePageInfo(codePage);
    if (row == nullptr || !row->available) {
        platform::log_format("Invalid U converter for following encoding : %i",
                             row != nullptr ? static_cast<int>(row->codePage) : 0);
        return 0;
    }
    detail::pooled_converter converter(*row);
    if (converter.isNull()) {
        platform::log_format("Invalid U converter for following encoding : %i",
                             static_cast<int>(row->codePage));
        return 0;
    }
    static const char16_t kEmpty[1] = {};
    const char16_t* in = text != nullptr ? text : kEmpty;
    const char16_t* const in_end = in + (text != nullptr ? lengthInBytes / 2 : 0);
    char kNoRoom[1];
    char* const out_begin = target != nullptr ? reinterpret_cast<char*>(target) : kNoRoom;
    char* out = out_begin;
    char* const out_end = out_begin + (target != nullptr ? targetCapacity : 0);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter.getAlias(), &out, out_end, &in, in_end, nullptr, true, &status);
    if (U_FAILURE(status)) {
        platform::log_line("Conversion Error.");
    }
    return static_cast<std::size_t>(out - out_begin);
}

std::u32string bytes_to_wstring(ByteInput bytes, const TextEncodingItem* row) {
    if (bytes.empty()) {
        return {};
    }
    if (row == nullptr) {
        log_and_fail("bytes_to_wstring: No Text Encoding provided !");
    }
    detail::pooled_converter source_converter(*row);
    if (source_converter.isNull()) {
        log_and_fail("bytes_to_wstring: Invalid source converter.");
    }
    std::u16string utf16;
    if (!detail::append_to_utf16(source_converter.getAlias(), bytes.data(), bytes.size(), true,
                                 utf16)) {
        log_and_fail("bytes_to_wstring :  ucnv_toUChars failed.");
    }
    detail::pooled_converter utf32_converter("UTF-32LE");
    if (utf32_converter.isNull()) {
        log_and_fail("bytes_to_wstring: Invalid target converter.");
    }
    std::string utf32;
    if (!detail::append_from_utf16(utf32_converter.getAlias(), utf16.data(), utf16.size(), true,
                                   utf32)) {
        log_and_fail("bytes_to_wstring :  ucnv_fromUChars failed.");
    }
    return from_utf32le_bytes(utf32);
}

std::vector<std::uint8_t> wstring_to_bytes(std::u32string_view text) {
    if (text.empty()) {
        return {};
    }
    detail::pooled_converter utf32_converter("UTF-32LE");
    if (utf32_converter.isNull()) {
        log_and_fail("wstring_to_bytes: Invalid unicode converter.");
    }
    const std::string utf32 = utf32le_bytes(text);
    std::u16string utf16;
    if (!detail::append_to_utf16(utf32_converter.getAlias(), utf32.data(), utf32.size(), true,
                                 utf16)) {
        log_and_fail("wstring_to_bytes: ucnv_toUnicode failed.");
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(utf16.size() * 2);
    for (const char16_t unit : utf16) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

unistring bytes_to_unistring(ByteInput bytes, const TextEncodingItem* row) {
    if (bytes.empty()) {
        return {};
    }
    if (row == nullptr) {
        fail("bytes_to_unistring: No Text Encoding provided !");
    }
    detail::pooled_converter source_converter(*row);
    if (source_converter.isNull()) {
        log_and_fail("bytes_to_unistring: Invalid source converter.");
    }
    unistring utf16;
    if (!detail::append_to_utf16(source_converter.getAlias(), bytes.data(), bytes.size(), true,
                                 utf16)) {
        log_and_fail("bytes_to_unistring :  ucnv_toUChars failed.");
    }
    return utf16;
}

std::string bytes_to_utf8string(ByteInput bytes, const TextEncodingItem* row) {
    if (bytes.empty()) {
        return {};
    }
    if (row == nullptr) {
        platform::log_line("bytes_to_utf8string: No Text Encoding provided.");
        fail("bytes_to_utf8string: No Text Encoding provided !");
    }
    detail::pooled_converter source_converter(*row);
    if (source_converter.isNull()) {
        log_and_fail("bytes_to_utf8string: Invalid source converter.");
    }
    std::u16string utf16;
    if (!detail::append_to_utf16(source_converter.getAlias(), bytes.data(), bytes.size(), true,
                                 utf16)) {
        log_and_fail("bytes_to_utf8string :  ucnv_toUChars failed.");
    }
    detail::pooled_converter utf8_converter("utf-8");
    if (utf8_converter.isNull()) {
        log_and_fail("bytes_to_utf8string: Invalid target converter.");
    }
    std::string utf8;
    if (!detail::append_from_utf16(utf8_converter.getAlias(), utf16.data(), utf16.size(), true,
                                   utf8)) {
        log_and_fail("bytes_to_utf8string :  ucnv_fromUChars failed.");
    }
    return utf8;
}

}  // namespace mailwright::text
