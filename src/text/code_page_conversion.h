// Conversions between code page bytes, UTF-16, UTF-32 and UTF-8.
//
// Every function borrows its converters from the calling thread's pool for
// the duration of the call, so conversions on different threads share nothing. Characters a target
// cannot represent become the converter's substitution character, which is not a failure. Failures
// throw std::runtime_error with a message that names the function; most are also written to the
// system log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page_table.h"

namespace mailwright::text {

// Strings of UTF-16 code units.
using unistring = std::u16string;

// Read-only raw bytes: accepts narrow strings and byte buffers alike.
class ByteInput {
public:
    ByteInput(const char* data, std::size_t size) : data_(data), size_(size) {}
    ByteInput(const std::uint8_t* data, std::size_t size)
        : data_(reinterpret_cast<const char*>(data)), size_(size) {}
    ByteInput(std::string_view text) : data_(text.data()), size_(text.size()) {}
    ByteInput(const std::string& text) : data_(text.data()), size_(text.size()) {}
    ByteInput(const char* text) : ByteInput(std::string_view(text)) {}
    ByteInput(std::span<const std::uint8_t> bytes) : ByteInput(bytes.data(), bytes.size()) {}
    ByteInput(const std::vector<std::uint8_t>& bytes) : ByteInput(bytes.data(), bytes.size()) {}

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    const char* data_;
    std::size_t size_;
};

// Converts source bytes in sourceRow's code page into targetRow's code page,
// writing into target (no terminating zero). Returns the bytes written. Throws
// when an argument is missing, a converter does not open, or the result does
// not fit targetCapacity. A null source with length 0 is an empty text.
std::size_t ConvertCodePage(const std::uint8_t* source, std::size_t sourceLength,
                            const TextEncodingItem* sourceRow, std::uint8_t* target,
                            std::size_t targetCapacity, const TextEncodingItem* targetRow);

// Converts UTF-16 text (lengthInBytes rounded down to even) into the code
// page's bytes, writing at most targetCapacity bytes and no terminating zero.
// Returns the bytes written. A text longer than the room is cut at the room's
// end (possibly inside a multi-byte character) and "Conversion Error." is
// logged. An unknown or unavailable code page logs "Invalid U converter for
// following encoding : %i" and returns 0. Never throws. Prefer the whole-value
// functions of whole_value_conversion.h, which never cut.
std::size_t ConvertFromUnicode(std::uint32_t codePage, const char16_t* text,
                               std::size_t lengthInBytes, std::uint8_t* target,
                               std::size_t targetCapacity);

// Code page bytes to UTF-32 code units. Empty input gives an empty result
// without looking at the row.
std::u32string bytes_to_wstring(ByteInput bytes, const TextEncodingItem* row);

// UTF-32 text to UTF-16 little-endian bytes.
std::vector<std::uint8_t> wstring_to_bytes(std::u32string_view text);

// Code page bytes to UTF-16. Empty input gives an empty result without
// looking at the row.
unistring bytes_to_unistring(ByteInput bytes, const TextEncodingItem* row);

// Code page bytes to UTF-8. Empty input gives an empty result without
// looking at the row.
std::string bytes_to_utf8string(ByteInput bytes, const TextEncodingItem* row);

}  // namespace mailwright::text
