#pragma once

#include <cstddef>
#include <cstdint>

namespace mailwright::text {

// CRC-32 of the compressed RTF contents ([MS-OXRTFCP] 2.1.3.2): the reflected
// CRC-32 table of polynomial 0xEDB88320 (the same table as [MS-PST] 5.3
// CrcTableOffset32), register starting at 0, no final inversion.
uint32_t ComputeRtfCrc(const uint8_t* data, size_t size, uint32_t seed = 0);

// Entry `index` (0..255) of the byte-wise lookup table, exposed for tests that
// compare it with the published table.
uint32_t RtfCrcTableEntry(uint8_t index);

}  // namespace mailwright::text
