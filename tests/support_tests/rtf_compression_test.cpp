#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_bytes.h"
#include "support/le_bytes.h"
#include "support/rtf_compression.h"

namespace {

using namespace pstbuild;

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(RtfCompression, FirstRunMatchesThePublishedExample) {
    // [MS-OXRTFCP] 3.1.1.4: the first run of this input is a reference to
    // "{\rtf1\ansi\" (offset 0, length 12), one to "ansi" and six literals.
    const std::vector<std::uint8_t> stored =
        rtf_compress(bytes_of("{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n"));
    ASSERT_GT(stored.size(), 27u);
    EXPECT_EQ(get_u32(stored, 8), kRtfCompressed);
    EXPECT_EQ(std::vector<std::uint8_t>(stored.begin() + 16, stored.begin() + 27),
              testbytes::from_hex("03 00 0A 00 72 63 70 67 31 32 35"));
}

}  // namespace
