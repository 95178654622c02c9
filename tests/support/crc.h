// The CRC of [MS-PST] 5.3: the reflected CRC-32 of polynomial 0xEDB88320,
// seeded with 0 and without final inversion. It covers the header, every
// page and every block trailer of a PST file.
#pragma once

#include <cstdint>
#include <span>

namespace pstbuild {

// CRC of the bytes, continuing from `crc` (0 starts a new CRC, as [MS-PST]
// requires). Works eight bytes at a time; equal to the byte-wise definition.
std::uint32_t compute_crc(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// The byte-at-a-time definition: crc = T[(crc ^ b) & 0xFF] ^ (crc >> 8).
std::uint32_t compute_crc_bytewise(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace pstbuild
