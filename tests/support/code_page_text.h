// Text in the code pages of 8-bit PST strings and message bodies. The
// builder converts with ICU directly, not through the product's text layer,
// so that a mistake in one is not repeated in the other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pstbuild {

inline constexpr unsigned kCodePageUtf8 = 65001;
inline constexpr unsigned kCodePageUtf16le = 1200;

// The ICU converter name for a Windows code page number ("cp1251",
// "ISO-8859-7", "KOI8-R", ...).
std::string icu_converter_name(unsigned code_page);

// UTF-8 text in the code page; characters the code page lacks become '?'.
// Throws std::invalid_argument for malformed UTF-8 or a code page ICU cannot
// convert to.
std::vector<std::uint8_t> encode_code_page(std::string_view utf8, unsigned code_page);

// True when every character of the text exists in the code page.
bool representable(std::string_view utf8, unsigned code_page);

// The charset label of a code page as MIME headers carry it ("windows-1251",
// "iso-8859-7", "utf-8", ...).
std::string charset_label(unsigned code_page);

}  // namespace pstbuild
