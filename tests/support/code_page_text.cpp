#include "support/code_page_text.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <stdexcept>
#include <string>

namespace pstbuild {
namespace {

struct NamedCodePage {
    unsigned code_page;
    const char* icu_name;
    const char* label;
};

// Code pages whose ICU name is not "cp" and the number.
constexpr NamedCodePage kNamed[] = {
    {20127, "US-ASCII", "us-ascii"},
    {20866, "KOI8-R", "koi8-r"},
    {21866, "KOI8-U", "koi8-u"},
    {50220, "ISO-2022-JP", "iso-2022-jp"},
    {51932, "EUC-JP", "euc-jp"},
    {932, "cp932", "shift_jis"},
    {936, "cp936", "gb2312"},
    {949, "cp949", "ks_c_5601-1987"},
    {950, "cp950", "big5"},
    {kCodePageUtf8, "UTF-8", "utf-8"},
    {kCodePageUtf16le, "UTF-16LE", "utf-16"},
};

const NamedCodePage* find_named(unsigned code_page) {
    for (const NamedCodePage& named : kNamed) {
        if (named.code_page == code_page) {
            return &named;
        }
    }
    return nullptr;
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

std::u16string to_utf16(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        throw std::invalid_argument("malformed UTF-8");
    }
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8(out.data(), length, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()),
                  &status);
    if (U_FAILURE(status)) {
        throw std::invalid_argument("malformed UTF-8");
    }
    return out;
}

// Converts UTF-16 to the code page; returns whether any character had to be
// substituted.
bool from_utf16(const std::u16string& text, unsigned code_page, std::vector<std::uint8_t>& out) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(
        ucnv_open(icu_converter_name(code_page).c_str(), &status));
    if (U_FAILURE(status)) {
        throw std::invalid_argument("no converter for code page " + std::to_string(code_page));
    }
    // Stop at the first unmappable character to learn whether there is one,
    // then convert again with '?' in its place.
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    const auto capacity = static_cast<int32_t>(text.size() * 4 + 16);
    out.assign(static_cast<std::size_t>(capacity), 0);
    int32_t length = ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(out.data()), capacity,
                                     text.data(), static_cast<int32_t>(text.size()), &status);
    bool substituted = false;
    if (status == U_INVALID_CHAR_FOUND || status == U_ILLEGAL_CHAR_FOUND) {
        substituted = true;
        status = U_ZERO_ERROR;
        ucnv_reset(converter.get());
        ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr,
                              nullptr, &status);
        ucnv_setSubstChars(converter.get(), "?", 1, &status);
        length = ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(out.data()), capacity,
                                 text.data(), static_cast<int32_t>(text.size()), &status);
    }
    if (U_FAILURE(status)) {
        throw std::invalid_argument("cannot convert to code page " + std::to_string(code_page));
    }
    out.resize(static_cast<std::size_t>(length));
    return substituted;
}

}  // namespace

namespace {

// ISO 8859 parts have the code pages 28591 (part 1) to 28605 (part 15).
bool is_iso_8859(unsigned code_page) {
    return code_page >= 28591 && code_page <= 28605;
}

std::string iso_8859_name(unsigned code_page) {
    return "ISO-8859-" + std::to_string(code_page - 28590);
}

}  // namespace

std::string icu_converter_name(unsigned code_page) {
    if (const NamedCodePage* named = find_named(code_page)) {
        return named->icu_name;
    }
    if (is_iso_8859(code_page)) {
        return iso_8859_name(code_page);
    }
    return "cp" + std::to_string(code_page);
}

std::vector<std::uint8_t> encode_code_page(std::string_view utf8, unsigned code_page) {
    if (code_page == kCodePageUtf8) {
        to_utf16(utf8);  // validates
        return {utf8.begin(), utf8.end()};
    }
    std::vector<std::uint8_t> out;
    from_utf16(to_utf16(utf8), code_page, out);
    return out;
}

bool representable(std::string_view utf8, unsigned code_page) {
    std::vector<std::uint8_t> out;
    return !from_utf16(to_utf16(utf8), code_page, out);
}

std::string charset_label(unsigned code_page) {
    if (const NamedCodePage* named = find_named(code_page)) {
        return named->label;
    }
    if (is_iso_8859(code_page)) {
        std::string label = iso_8859_name(code_page);
        std::transform(label.begin(), label.end(), label.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return label;
    }
    return "windows-" + std::to_string(code_page);
}

}  // namespace pstbuild
