#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hex_bytes.h"
#include "support/block_writer.h"
#include "support/le_bytes.h"

namespace {

using namespace pstbuild;

TEST(Blocks, SampleXBlockIsReproduced) {
    // [MS-PST] 3.6: an XBLOCK of 0x35 ids and 0x69C49 bytes, bid 0x162 at 0x5A6600.
    std::vector<std::uint64_t> bids = {0x15C};
    for (std::uint64_t bid = 0x164; bid <= 0x230; bid += 4) {
        bids.push_back(bid);
    }
    ASSERT_EQ(bids.size(), 0x35u);
    const std::vector<std::uint8_t> data = make_xblock_data(Variant::unicode, 1, 0x69C49, bids);
    const std::vector<std::uint8_t> block = make_block(Variant::unicode, data, 0x162, 0x5A6600);
    ASSERT_EQ(block.size(), 448u);
    EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.begin() + 16),
              testbytes::from_hex("01 01 35 00 49 9C 06 00 5C 01 00 00 00 00 00 00"));
    EXPECT_EQ(std::vector<std::uint8_t>(block.end() - 32, block.end()),
              testbytes::from_hex("2C 02 00 00 00 00 00 00 30 02 00 00 00 00 00 00"
                                  "B0 01 38 67 51 CD EE 3F 62 01 00 00 00 00 00 00"));
}

TEST(Blocks, SampleSlBlockIsReproduced) {
    // [MS-PST] 3.7: the smallest SLBLOCK, one SLENTRY, bid 0x1386 at 0x594D80.
    const std::vector<SlEntry> entries = {{0x817F, 0x1380, 0}};
    const std::vector<std::uint8_t> block = make_block(
        Variant::unicode, make_slblock_data(Variant::unicode, entries), 0x1386, 0x594D80);
    EXPECT_EQ(block, testbytes::from_hex("02 00 01 00 00 00 00 00 7F 81 00 00 00 00 00 00"
                                         "80 13 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                         "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                         "20 00 5F 5E 50 5E D4 D9 86 13 00 00 00 00 00 00"));
}

}  // namespace
