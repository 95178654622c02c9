#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "support/crc.h"

namespace {

std::span<const std::uint8_t> bytes_of(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Crc, KnownValuesFromTheFormatDocument) {
    // [MS-PST] 5.3 test facts: CRC("abc") with seed 0 and no final inversion,
    // and entry 1 of CrcTableOffset32.
    EXPECT_EQ(pstbuild::compute_crc(bytes_of("abc")), 0xCA6598D0u);
    EXPECT_EQ(pstbuild::compute_crc({}), 0u);
    EXPECT_EQ(pstbuild::crc_table_entry(1), 0x77073096u);
    EXPECT_EQ(pstbuild::crc_table_entry(255), 0x2D02EF8Du);
}

TEST(Crc, EightByteStepsAgreeWithTheBytewiseDefinition) {
    std::mt19937 random(7);
    for (const std::size_t size : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 511u, 4099u}) {
        std::vector<std::uint8_t> data(size);
        for (auto& b : data) {
            b = static_cast<std::uint8_t>(random());
        }
        EXPECT_EQ(pstbuild::compute_crc(data), pstbuild::compute_crc_bytewise(data)) << size;
        // Continuing a CRC over a split buffer gives the CRC of the whole.
        const std::span<const std::uint8_t> whole(data);
        const std::uint32_t head = pstbuild::compute_crc(whole.first(size / 2));
        EXPECT_EQ(pstbuild::compute_crc(whole.subspan(size / 2), head),
                  pstbuild::compute_crc(whole));
    }
}

}  // namespace
