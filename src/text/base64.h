#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace mailwright::text {

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks) into a
// caller's buffer of `capacity` bytes, followed by a terminating zero. Before
// each group of four characters at least five bytes of room must remain;
// otherwise "Insufficient encoding buffer for output." is logged and encoding
// stops there (no terminating zero is written then; callers pass zero-filled
// buffers). Returns the number of characters written.
size_t Base64Encode(const uint8_t* data, size_t length, char* target, size_t capacity);

// The whole base64 text of `data`.
std::string Base64EncodeString(std::span<const uint8_t> data);

// Bytes per base64 line: 57 bytes make 76 characters.
inline constexpr size_t kBase64LineBytes = 57;

// Buffer form: 76-character lines with `separator` between lines only.
void WriteBase64Lines(std::span<const uint8_t> data, std::ostream& out, std::string_view separator);

// Stream form: the input is read in blocks of 57000 bytes; every full line of
// 57 bytes is followed by `separator`, a shorter last line is not. An empty
// stream writes nothing.
void WriteBase64Lines(std::istream& in, std::ostream& out, std::string_view separator);

}  // namespace mailwright::text
