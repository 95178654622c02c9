#include "text/rtf_crc.h"

#include <array>

namespace mailwright::text {
namespace {

// Reversed form of the IEEE 802.3 polynomial; the table it generates is the
// CrcTableOffset32 table printed in [MS-PST] 5.3.
constexpr uint32_t kReflectedPolynomial = 0xEDB88320u;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t value = n;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1u) ? (value >> 1) ^ kReflectedPolynomial : value >> 1;
        }
        table[n] = value;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0x77073096u && kCrcTable[255] == 0x2D02EF8Du);

}  // namespace

uint32_t ComputeRtfCrc(const uint8_t* data, size_t size, uint32_t seed) {
    uint32_t crc = seed;
    for (size_t i = 0; i < size; ++i) {
        crc = kCrcTable[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return crc;
}

uint32_t RtfCrcTableEntry(uint8_t index) {
    return kCrcTable[index];
}

}  // namespace mailwright::text
