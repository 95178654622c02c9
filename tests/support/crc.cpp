#include "support/crc.h"

#include <array>
#include <cstddef>

namespace pstbuild {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320;  // reflected CRC-32, [MS-PST] 5.3
constexpr std::size_t kSlices = 8;

using CrcTables = std::array<std::array<std::uint32_t, 256>, kSlices>;

// Table 0 is the classic reflected table; table k advances table k-1 by one
// more zero byte, which lets the main loop consume eight bytes per step (the
// same "slicing" tables CrcTableOffset32..88 that [MS-PST] prints).
constexpr CrcTables make_tables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) != 0 ? (c >> 1) ^ kPolynomial : c >> 1;
        }
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < kSlices; ++k) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            const std::uint32_t previous = tables[k - 1][n];
            tables[k][n] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

constexpr CrcTables kTables = make_tables();

std::uint32_t load_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::uint32_t compute_crc_bytewise(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    for (const std::uint8_t b : bytes) {
        crc = kTables[0][(crc ^ b) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

std::uint32_t compute_crc(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    const std::uint8_t* p = bytes.data();
    std::size_t remaining = bytes.size();
    while (remaining >= 8) {
        const std::uint32_t first = load_u32(p) ^ crc;
        const std::uint32_t second = load_u32(p + 4);
        crc = kTables[7][first & 0xFF] ^ kTables[6][(first >> 8) & 0xFF] ^
              kTables[5][(first >> 16) & 0xFF] ^ kTables[4][first >> 24] ^
              kTables[3][second & 0xFF] ^ kTables[2][(second >> 8) & 0xFF] ^
              kTables[1][(second >> 16) & 0xFF] ^ kTables[0][second >> 24];
        p += 8;
        remaining -= 8;
    }
    return compute_crc_bytewise(std::span<const std::uint8_t>(p, remaining), crc);
}

}  // namespace pstbuild
