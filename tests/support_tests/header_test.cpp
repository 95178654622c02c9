#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hex_bytes.h"
#include "sample_header.h"
#include "support/crc.h"
#include "support/header_writer.h"
#include "support/le_bytes.h"

namespace {

using namespace pstbuild;

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
    const std::vector<std::uint8_t> expected = testbytes::sample_header();

    const std::vector<std::uint8_t> header = serialize_header(sample_header_fields());
    ASSERT_EQ(header.size(), 564u);
    EXPECT_EQ(std::vector<std::uint8_t>(header.begin(), header.begin() + 0x210), expected);
    EXPECT_EQ(get_u32(header, 4), 0x379AA90Eu);    // dwCRCPartial of the sample
    EXPECT_EQ(get_u32(header, 524), 0x1FD283D6u);  // dwCRCFull of the sample
}

}  // namespace
