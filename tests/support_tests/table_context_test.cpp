#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hex_bytes.h"
#include "support/le_bytes.h"
#include "support/table_context_builder.h"

namespace {

using namespace pstbuild;

// The hierarchy table of the root folder, [MS-PST] 3.11 (464 bytes).
constexpr const char* kSampleTable =
    "BC 01 EC 7C 40 00 00 00 00 00 00 00 B5 04 04 00"
    "60 00 00 00 7C 0D 34 00 34 00 35 00 37 00 20 00"
    "00 00 80 00 00 00 00 00 00 00 02 01 30 0E 14 00"
    "04 06 14 00 33 0E 18 00 08 07 02 01 34 0E 20 00"
    "04 08 03 00 38 0E 24 00 04 09 1F 00 01 30 08 00"
    "04 02 03 00 02 36 0C 00 04 03 03 00 03 36 10 00"
    "04 04 0B 00 0A 36 34 00 01 05 1F 00 13 36 28 00"
    "04 0A 03 00 35 66 2C 00 04 0B 03 00 36 66 30 00"
    "04 0C 03 00 F2 67 00 00 04 00 03 00 F3 67 04 00"
    "04 01 23 22 00 00 02 00 00 00 22 80 00 00 00 00"
    "00 00 42 80 00 00 01 00 00 00 22 80 00 00 0E 00"
    "00 00 A0 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 FC"
    "00 42 80 00 00 06 00 00 00 C0 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "00 00 00 00 00 00 FC 00 23 22 00 00 0B 00 00 00"
    "E0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 FC 00 54"
    "00 6F 00 70 00 20 00 6F 00 66 00 20 00 50 00 65"
    "00 72 00 73 00 6F 00 6E 00 61 00 6C 00 20 00 46"
    "00 6F 00 6C 00 64 00 65 00 72 00 73 00 53 00 65"
    "00 61 00 72 00 63 00 68 00 20 00 52 00 6F 00 6F"
    "00 74 00 53 00 50 00 41 00 4D 00 20 00 53 00 65"
    "00 61 00 72 00 63 00 68 00 20 00 46 00 6F 00 6C"
    "00 64 00 65 00 72 00 20 00 32 00 00 07 00 00 00"
    "0C 00 14 00 92 00 AA 00 4F 01 7D 01 93 01 BB 01";

TEST(TableContext, SampleHierarchyTableIsReproduced) {
    TableContextBuilder tc(Variant::unicode);
    tc.set_layout({{make_tag(0x0E30, kPtBinary), 0x14, 4, 6},
                   {make_tag(0x0E33, kPtI8), 0x18, 8, 7},
                   {make_tag(0x0E34, kPtBinary), 0x20, 4, 8},
                   {make_tag(0x0E38, kPtLong), 0x24, 4, 9},
                   {make_tag(0x3001, kPtUnicode), 0x08, 4, 2},
                   {make_tag(0x3602, kPtLong), 0x0C, 4, 3},
                   {make_tag(0x3603, kPtLong), 0x10, 4, 4},
                   {make_tag(0x360A, kPtBoolean), 0x34, 1, 5},
                   {make_tag(0x3613, kPtUnicode), 0x28, 4, 10},
                   {make_tag(0x6635, kPtLong), 0x2C, 4, 11},
                   {make_tag(0x6636, kPtLong), 0x30, 4, 12},
                   {kTagLtpRowId, 0x00, 4, 0},
                   {kTagLtpRowVer, 0x04, 4, 1}},
                  {0x34, 0x34, 0x35, 0x37});
    auto folder = [](const char* name, bool has_subfolders) {
        return std::vector<std::pair<std::uint16_t, PropertyValue>>{
            {0x3001, pv_unicode(name)},
            {0x3602, pv_long(0)},
            {0x3603, pv_long(0)},
            {0x360A, pv_bool(has_subfolders)}};
    };
    tc.add_row(0x8022, folder("Top of Personal Folders", true), 0x0E);
    tc.add_row(0x8042, folder("Search Root", false), 0x06);
    tc.add_row(0x2223, folder("SPAM Search Folder 2", false), 0x0B);
    const NodeContent node = tc.build();
    EXPECT_EQ(node.data, testbytes::from_hex(kSampleTable));
    EXPECT_TRUE(node.subnodes.empty());
}

}  // namespace
