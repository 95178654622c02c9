#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "heap_reader.h"
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

TEST(TableContext, AutomaticLayoutGroupsCellsByWidth) {
    TableContextBuilder tc(Variant::ansi);
    tc.add_column(make_tag(0x3001, kPtString8))
        .add_column(make_tag(0x0E07, kPtLong))
        .add_column(make_tag(0x0E06, kPtSysTime))
        .add_column(make_tag(0x0E17, kPtShort))
        .add_column(make_tag(0x0E1B, kPtBoolean));
    tc.add_row(0x200024, {{0x3001, pv_string8("hello")}, {0x0E1B, pv_bool(true)}}, 7);
    tc.add_row(0x200044, {{0x0E06, pv_systime(0x0102030405060708)}, {0x0E17, pv_short(3)}});
    const TcLayout layout = tc.layout();
    // Row id and version, then the 8-byte time, the 4-byte cells (by tag),
    // the 2-byte short and the boolean; 7 columns need one bitmap byte.
    ASSERT_EQ(layout.columns.size(), 7u);
    EXPECT_EQ(layout.rgib, (TcRowOffsets{24, 26, 27, 28}));
    std::map<std::uint32_t, TcColumn> by_tag;
    for (const TcColumn& c : layout.columns) {
        by_tag[c.tag] = c;
    }
    EXPECT_EQ(by_tag[kTagLtpRowId].ibData, 0);
    EXPECT_EQ(by_tag[kTagLtpRowId].iBit, 0);
    EXPECT_EQ(by_tag[kTagLtpRowVer].ibData, 4);
    EXPECT_EQ(by_tag[kTagLtpRowVer].iBit, 1);
    EXPECT_EQ(by_tag[make_tag(0x0E06, kPtSysTime)].ibData, 8);
    EXPECT_EQ(by_tag[make_tag(0x0E07, kPtLong)].ibData, 16);
    EXPECT_EQ(by_tag[make_tag(0x3001, kPtString8)].ibData, 20);
    EXPECT_EQ(by_tag[make_tag(0x0E17, kPtShort)].ibData, 24);
    EXPECT_EQ(by_tag[make_tag(0x0E1B, kPtBoolean)].ibData, 26);
    for (std::size_t i = 1; i < layout.columns.size(); ++i) {
        EXPECT_LT(layout.columns[i - 1].tag, layout.columns[i].tag);
    }

    const heapread::Heap heap = heapread::parse_heap(tc.build().data, Variant::ansi);
    const std::vector<std::uint8_t> rows = heap.item(layout.rows);
    ASSERT_EQ(rows.size(), 2u * 28);
    // Row 0: id, version 7, string HNID, boolean; bits 0, 1, 4 (string),
    // 6 (boolean) set, most significant bit first.
    EXPECT_EQ(get_u32(rows, 0), 0x200024u);
    EXPECT_EQ(get_u32(rows, 4), 7u);
    EXPECT_EQ(heap.item(get_u32(rows, 20)), testbytes::from_hex("68 65 6C 6C 6F"));
    EXPECT_EQ(rows[26], 1);
    EXPECT_EQ(rows[27], 0b11001010);
    // Row 1: the time inline in 8 bytes, the short in 2; bits 0, 1, 2, 5.
    EXPECT_EQ(get_u64(rows, 28 + 8), 0x0102030405060708u);
    EXPECT_EQ(get_u16(rows, 28 + 24), 3);
    EXPECT_EQ(rows[28 + 27], 0b11100100);
    // The ANSI row index has 2-byte row numbers.
    const heapread::Bth index = heapread::read_bth(heap, layout.row_index);
    EXPECT_EQ(index.cbKey, 4);
    EXPECT_EQ(index.cbEnt, 2);
    ASSERT_EQ(index.records.size(), 2u);
    EXPECT_EQ(index.records[1].first, 0x200044u);
    EXPECT_EQ(index.records[1].second, (std::vector<std::uint8_t>{1, 0}));
}

TEST(TableContext, LargeRowMatricesLiveInASubnodeOfWholeRows) {
    TcOptions options;
    options.row_index.max_leaf_entries = 50;
    TableContextBuilder tc(Variant::unicode, options);
    for (std::uint16_t id = 0x3000; id < 0x3008; ++id) {
        tc.add_column(make_tag(id, kPtLong));
    }
    for (std::uint32_t r = 0; r < 300; ++r) {
        tc.add_row(0x200004 + 32 * r, {{0x3000, pv_long(static_cast<std::int32_t>(r))}});
    }
    const TcLayout layout = tc.layout();
    const NodeContent node = tc.build();
    // Rows of 8 + 32 + 2 = 42 bytes: 194 rows fill one 8176-byte block.
    EXPECT_EQ(layout.rgib[3], 42);
    EXPECT_EQ(layout.rows_per_block, 194u);
    EXPECT_EQ(layout.row_index_levels, 1);
    ASSERT_EQ(node.subnodes.size(), 1u);
    const Subnode& matrix = node.subnodes[0];
    EXPECT_EQ(matrix.nid, layout.rows);
    EXPECT_EQ(matrix.nid & 0x1F, kNidTypeLtp);
    ASSERT_EQ(matrix.data.size(), 8176u + 106 * 42);
    EXPECT_EQ(get_u32(matrix.data, 193 * 42 + 8), 193u);  // last row of block 0
    EXPECT_EQ(get_u32(matrix.data, 8176 + 8), 194u);      // row 194 opens block 1
    EXPECT_EQ(get_u32(matrix.data, 8176), 0x200004u + 32 * 194);

    const heapread::Heap heap = heapread::parse_heap(node.data, Variant::unicode);
    const heapread::Bth index = heapread::read_bth(heap, layout.row_index);
    ASSERT_EQ(index.records.size(), 300u);
    EXPECT_EQ(get_u32(index.records[299].second, 0), 299u);
}

TEST(TableContext, EmptyTablesAndMisuse) {
    TableContextBuilder empty(Variant::unicode);
    empty.add_column(make_tag(0x3001, kPtUnicode));
    EXPECT_EQ(empty.layout().rows, 0u);
    const heapread::Heap heap = heapread::parse_heap(empty.build().data, Variant::unicode);
    EXPECT_EQ(heap.client_signature(), 0x7C);
    const std::vector<std::uint8_t> tcinfo = heap.item(heap.root());
    EXPECT_EQ(tcinfo[0], 0x7C);
    EXPECT_EQ(get_u32(tcinfo, 14), 0u);  // hnidRows
    EXPECT_EQ(heapread::read_bth(heap, get_u32(tcinfo, 10)).records.size(), 0u);

    TableContextBuilder tc(Variant::unicode);
    tc.add_column(make_tag(0x3001, kPtUnicode));
    tc.add_row(1, {{0x3001, pv_string8("8-bit")}});
    EXPECT_THROW(tc.build(), std::invalid_argument);  // type differs from the column
    TableContextBuilder no_column(Variant::unicode);
    no_column.add_row(1, {{0x3001, pv_unicode("x")}});
    EXPECT_THROW(no_column.build(), std::invalid_argument);
    EXPECT_THROW(no_column.add_row(1, {}), std::invalid_argument);
}

}  // namespace
