// The sample Unicode header of [MS-PST] 3.2: the builder must reproduce it
// and the reader must open it.
#pragma once

#include <cstdint>
#include <vector>

#include "hex_bytes.h"

namespace testbytes {

// Bytes 0x000-0x0FF and 0x200-0x20F (0x100-0x1FF are rgbFM and rgbFP, all
// 0xFF).
inline constexpr const char* kSampleHeaderStart =
    "21 42 44 4E 0E A9 9A 37 53 4D 17 00 13 00 01 01"
    "5C 07 00 00 D0 7B 99 0B 04 00 00 00 01 00 00 00"
    "54 02 00 00 00 00 00 00 45 00 00 00 00 04 00 00"
    "00 04 00 00 04 04 00 00 00 40 00 00 02 00 01 00"
    "04 04 00 00 00 04 00 00 00 04 00 00 00 80 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "04 04 00 00 04 04 00 00 04 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 0F 04 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 24 9F 00 00 00 00 00"
    "00 44 9B 00 00 00 00 00 40 F2 12 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 4B 02 00 00 00 00 00 00"
    "00 52 90 00 00 00 00 00 53 02 00 00 00 00 00 00"
    "00 0A 90 00 00 00 00 00 02 00 00 00 00 00 00 00";
inline constexpr const char* kSampleHeaderTail = "80 01 00 00 34 14 00 00 00 00 00 00 D6 83 D2 1F";

// The first 0x210 bytes of the sample.
inline std::vector<std::uint8_t> sample_header() {
    std::vector<std::uint8_t> bytes = from_hex(kSampleHeaderStart);
    bytes.resize(0x200, 0xFF);
    const std::vector<std::uint8_t> tail = from_hex(kSampleHeaderTail);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

}  // namespace testbytes
