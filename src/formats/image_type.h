// The vCard type of a picture, told by the first bytes of its data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace mailwright::formats {

// Bytes of a picture's start that decide its type.
inline constexpr std::size_t kImageSignatureBytes = 8;

// "png", "gif" or "bmp" for data starting with that format's signature,
// "jpeg" for the JPEG signature and for anything not recognised.
std::string_view ImageTypeFromSignature(std::span<const std::uint8_t> start);

}  // namespace mailwright::formats
