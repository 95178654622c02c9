#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hex_bytes.h"
#include "support/crc.h"
#include "support/header_writer.h"
#include "support/le_bytes.h"

namespace {

using namespace pstbuild;

// The sample Unicode header of [MS-PST] 3.2, bytes 0x000-0x0FF and 0x200-0x20F
// (0x100-0x1FF are rgbFM and rgbFP, all 0xFF).
constexpr const char* kSampleHeaderStart =
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
constexpr const char* kSampleHeaderTail = "80 01 00 00 34 14 00 00 00 00 00 00 D6 83 D2 1F";

HeaderFields sample_header_fields() {
    HeaderFields f;
    f.variant = Variant::unicode;
    f.wVer = 23;
    f.wVerClient = 19;
    f.dwReserved1 = 0x0000075C;
    f.dwReserved2 = 0x0B997BD0;
    f.bidUnused = 0x0000000100000004;
    f.bidNextP = 0x254;
    f.dwUnique = 0x45;
    f.rgnid.fill(0x400);
    f.rgnid[2] = 0x404;
    f.rgnid[3] = 0x4000;
    f.rgnid[4] = 0x10002;
    f.rgnid[5] = 0x404;
    f.rgnid[8] = 0x8000;
    f.rgnid[13] = f.rgnid[14] = f.rgnid[15] = 0x404;
    f.rgnid[31] = 0x40F;
    f.root.ibFileEof = 0x9F2400;
    f.root.ibAMapLast = 0x9B4400;
    f.root.cbAMapFree = 0x12F240;
    f.root.BREFNBT = Bref{0x24B, 0x905200};
    f.root.BREFBBT = Bref{0x253, 0x900A00};
    f.root.fAMapValid = 0x02;
    f.bCryptMethod = Encoding::permute;
    f.bidNextB = 0x1434;
    return f;
}

TEST(Header, SampleUnicodeHeaderIsReproducedByteForByte) {
    std::vector<std::uint8_t> expected = testbytes::from_hex(kSampleHeaderStart);
    expected.resize(0x200, 0xFF);
    const std::vector<std::uint8_t> tail = testbytes::from_hex(kSampleHeaderTail);
    expected.insert(expected.end(), tail.begin(), tail.end());

    const std::vector<std::uint8_t> header = serialize_header(sample_header_fields());
    ASSERT_EQ(header.size(), 564u);
    EXPECT_EQ(std::vector<std::uint8_t>(header.begin(), header.begin() + 0x210), expected);
    EXPECT_EQ(get_u32(header, 4), 0x379AA90Eu);    // dwCRCPartial of the sample
    EXPECT_EQ(get_u32(header, 524), 0x1FD283D6u);  // dwCRCFull of the sample
}

}  // namespace
