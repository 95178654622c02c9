// The CRC of [MS-PST] 5.3, used for the header checksums.
#pragma once

#include <cstdint>
#include <span>

namespace pstread {

// CRC-32 (reflected, polynomial 0xEDB88320) with seed 0 and no final
// inversion, as [MS-PST] 5.3 defines it. The CRC of no bytes is 0.
std::uint32_t compute_crc(std::span<const std::uint8_t> bytes);

}  // namespace pstread
