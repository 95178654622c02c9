#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace
