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

TEST(Blocks, AlignedSizes) {
    struct Case {
        Variant variant;
        std::size_t cb;
        std::size_t aligned;
    };
    // [MS-PST] 2.2.2.8.2: 236 data bytes and a 16-byte trailer take 256.
    const Case cases[] = {{Variant::unicode, 0, 64},      {Variant::unicode, 48, 64},
                          {Variant::unicode, 49, 128},    {Variant::unicode, 236, 256},
                          {Variant::unicode, 8176, 8192}, {Variant::ansi, 52, 64},
                          {Variant::ansi, 53, 128},       {Variant::ansi, 8180, 8192}};
    for (const Case& c : cases) {
        EXPECT_EQ(aligned_block_size(c.variant, c.cb), c.aligned) << c.cb;
        const std::vector<std::uint8_t> data(c.cb, 0xAB);
        EXPECT_EQ(make_block(c.variant, data, 4, 0x4800).size(), c.aligned);
    }
    EXPECT_THROW(make_block(Variant::unicode, std::vector<std::uint8_t>(8177), 4, 0),
                 std::length_error);
    EXPECT_THROW(make_block(Variant::ansi, std::vector<std::uint8_t>(8181), 4, 0),
                 std::length_error);
}

TEST(Blocks, InternalBlockCapacitiesAndAnsiLayouts) {
    EXPECT_EQ(xblock_capacity(Variant::unicode), 1021u);
    EXPECT_EQ(xblock_capacity(Variant::ansi), 2043u);
    EXPECT_EQ(slblock_capacity(Variant::unicode), 340u);
    EXPECT_EQ(slblock_capacity(Variant::ansi), 681u);
    EXPECT_EQ(siblock_capacity(Variant::unicode), 510u);
    EXPECT_EQ(siblock_capacity(Variant::ansi), 1022u);

    const std::vector<SiEntry> index = {{0x21, 0x12}, {0x8022, 0x16}};
    EXPECT_EQ(make_siblock_data(Variant::ansi, 1, index),
              testbytes::from_hex("02 01 02 00  21 00 00 00 12 00 00 00  22 80 00 00 16 00 00 00"));
    const std::vector<std::uint8_t> block =
        make_block(Variant::ansi, make_siblock_data(Variant::ansi, 1, index), 0x1A, 0x4840);
    // ANSI trailer: cb, wSig, bid, dwCRC.
    EXPECT_EQ(get_u16(block, 52), 20);
    EXPECT_EQ(get_u16(block, 54), compute_signature(0x1A, 0x4840));
    EXPECT_EQ(get_u32(block, 56), 0x1Au);
    EXPECT_THROW(make_xblock_data(Variant::unicode, 1, 0, std::vector<std::uint64_t>(1022)),
                 std::length_error);
}

}  // namespace
