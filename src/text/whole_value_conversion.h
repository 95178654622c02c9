// Whole-value conversions: the whole text is converted, however long, into a
// string sized to fit. Writers and the property layer use these instead of
// fixed buffers so that no text is ever cut.
//
// Unrepresentable characters and malformed input become substitution
// characters (U+FFFD for Unicode targets). Conversion failures throw
// std::runtime_error naming the function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/code_page_conversion.h"
#include "text/code_page_table.h"

namespace mailwright::text {

// UTF-16 little-endian bytes (as stored in PT_UNICODE properties) to UTF-8.
// An odd trailing byte is not a code unit and is ignored. Never throws.
std::string utf16le_bytes_to_utf8(const std::uint8_t* data, std::size_t size);

// UTF-16 text to UTF-8. Never throws.
std::string utf16_to_utf8(std::u16string_view text);

// UTF-8 to UTF-16.
std::u16string utf8_to_utf16(std::string_view utf8);

// UTF-8 to the row's code page.
std::string utf8_to_code_page(std::string_view utf8, const TextEncodingItem& row);

// Bytes in one row's code page to another's.
std::string convert_code_page(ByteInput bytes, const TextEncodingItem& from,
                              const TextEncodingItem& to);

}  // namespace mailwright::text
