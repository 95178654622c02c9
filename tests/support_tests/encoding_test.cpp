#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <vector>

#include "support/block_encoding.h"

namespace {

using namespace pstbuild;

std::vector<std::uint8_t> all_byte_values() {
    std::vector<std::uint8_t> data(512);
    std::iota(data.begin(), data.end(), 0);  // wraps: every value twice
    return data;
}

TEST(Encoding, PermuteDecodesWithTheInverseOfTheForwardTable) {
    // Invert R independently and compare with the table copied as I.
    std::array<std::uint8_t, 256> inverse{};
    for (int i = 0; i < 256; ++i) {
        inverse[kPermuteR[i]] = static_cast<std::uint8_t>(i);
    }
    EXPECT_EQ(inverse, kPermuteI);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(kPermuteS[kPermuteS[i]], i) << "S is its own inverse";
    }
    std::vector<std::uint8_t> data = all_byte_values();
    encode_block_data(data, Encoding::permute, 4);
    EXPECT_EQ(data[0], 0x41);  // mpbbCrypt[0]
    for (std::uint8_t& b : data) {
        b = inverse[b];
    }
    EXPECT_EQ(data, all_byte_values());
}

TEST(Encoding, CyclicIsItsOwnInverseAndUsesTheLow32BitsOfTheId) {
    const std::vector<std::uint8_t> plain = all_byte_values();
    std::vector<std::uint8_t> a = plain;
    encode_block_data(a, Encoding::cyclic, 0x0000000100001234);
    std::vector<std::uint8_t> b = plain;
    encode_block_data(b, Encoding::cyclic, 0x0000000000001234);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, plain);
    std::vector<std::uint8_t> c = plain;
    encode_block_data(c, Encoding::cyclic, 0x1238);
    EXPECT_NE(a, c);
    cyclic_code(a, 0x1234);
    EXPECT_EQ(a, plain);
}

TEST(Encoding, NoneLeavesDataAlone) {
    std::vector<std::uint8_t> data = all_byte_values();
    encode_block_data(data, Encoding::none, 4);
    EXPECT_EQ(data, all_byte_values());
}

}  // namespace
