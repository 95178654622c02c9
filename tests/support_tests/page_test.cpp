#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hex_bytes.h"
#include "support/le_bytes.h"
#include "support/page_writer.h"

namespace {

using namespace pstbuild;

std::vector<std::uint8_t> page_bytes(const Page& page) {
    return {page.begin(), page.end()};
}

// An expected page: the given head bytes, zeros, then the 16 bytes before
// and the 16 bytes of the trailer at the end.
std::vector<std::uint8_t> expected_page(const char* head, const char* last32) {
    std::vector<std::uint8_t> out = testbytes::from_hex(head);
    out.resize(kPageSize - 32, 0);
    const std::vector<std::uint8_t> tail = testbytes::from_hex(last32);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

TEST(Pages, SampleIntermediateNbtPageIsReproduced) {
    // [MS-PST] 3.3: an NBT page at 0x8200 with cLevel 1 and three BTENTRYs.
    const std::vector<BtEntry> entries = {
        {0x21, 0x205, 0x7E00}, {0x60F, 0x141, 0x7000}, {0x8022, 0xFD, 0x8400}};
    const Page page = make_nonleaf_page(Variant::unicode, PageType::nbt, 1, entries, 0x206, 0x8200);
    EXPECT_EQ(page_bytes(page), expected_page("21 00 00 00 00 00 00 00 05 02 00 00 00 00 00 00"
                                              "00 7E 00 00 00 00 00 00 0F 06 00 00 00 00 00 00"
                                              "41 01 00 00 00 00 00 00 00 70 00 00 00 00 00 00"
                                              "22 80 00 00 00 00 00 00 FD 00 00 00 00 00 00 00"
                                              "00 84 00 00 00 00 00 00",
                                              "00 00 00 00 00 00 00 00 03 14 18 01 00 00 00 00"
                                              "81 81 06 80 64 B1 E8 02 06 02 00 00 00 00 00 00"));
}

TEST(Pages, SampleIntermediateBbtPageIsReproduced) {
    // [MS-PST] 3.5: a BBT page at 0x900200 (its BTPAGE bytes give cLevel 1).
    const std::vector<BtEntry> entries = {{0x1168, 0x20B, 0x7C2800}, {0x11B0, 0x20C, 0x800800},
                                          {0x11F8, 0x20D, 0x800A00}, {0x1240, 0x20F, 0x83E600},
                                          {0x1288, 0x210, 0x87C600}, {0x12D0, 0x211, 0x87C800},
                                          {0x1318, 0x212, 0x8BA600}, {0x1386, 0x244, 0x8FFC00}};
    const Page page =
        make_nonleaf_page(Variant::unicode, PageType::bbt, 1, entries, 0x246, 0x900200);
    const std::vector<std::uint8_t> bytes = page_bytes(page);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 480, bytes.end()),
              testbytes::from_hex("00 00 00 00 00 00 00 00 08 14 18 01 00 00 00 00"
                                  "80 80 D6 00 2F A0 F6 A1 46 02 00 00 00 00 00 00"));
    EXPECT_EQ(get_u64(bytes, 7 * 24 + 16), 0x8FFC00u);
}

}  // namespace
