// Table contexts: rows and cells from builder tables with the row matrix in
// the heap and in a multi-block subnode, the row-index width that picks the
// variant, rows as property objects, and the rejection of unusable TCINFOs.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pstread/ltp/basic_table.h"
#include "pstread/ltp/ltp_test_file.h"
#include "pstread/ltp/table.h"
#include "support/table_context_builder.h"
#include "text/code_page_table.h"

namespace {

using ltptest::Variant;
using pstread::table;
using namespace pstbuild;

constexpr std::uint64_t kTime = 0x01D5A1B2C3D4E5F6;

// A folder-like table: a string, a 32-bit count, a time, a boolean, a
// 16-bit value and a binary; row 1 lacks most cells.
TableContextBuilder mixed_table(Variant variant, TcOptions options = {}) {
    TableContextBuilder tc(variant, options);
    tc.add_column(make_tag(0x3001, kPtUnicode))
        .add_column(make_tag(0x3602, kPtLong))
        .add_column(make_tag(0x3007, kPtSysTime))
        .add_column(make_tag(0x360A, kPtBoolean))
        .add_column(make_tag(0x0017, kPtShort))
        .add_column(make_tag(0x0037, kPtString8))
        .add_column(make_tag(0x1000, kPtBinary));
    tc.add_row(0x8022, {{0x3001, pv_unicode("Inbox")},
                        {0x3602, pv_long(12)},
                        {0x3007, pv_systime(kTime)},
                        {0x360A, pv_bool(true)},
                        {0x0017, pv_short(-3)},
                        {0x0037, pv_string8("caf\xE9")},
                        {0x1000, pv_binary({9, 8, 7})}});
    tc.add_row(0x8042, {{0x3001, pv_unicode("Sent")}});
    tc.add_row(0x8062, {{0x3602, pv_long(0)}, {0x360A, pv_bool(false)}});
    return tc;
}

// Where an item of page 0 of a heap starts in the node's data, read from
// the page map as [MS-PST] 2.3.1.5 lays it out.
std::size_t item_offset(const std::vector<std::uint8_t>& data, std::uint32_t hid) {
    const std::size_t map = ltptest::get16(data, 0);
    const std::size_t index = (hid >> 5) & 0x7FF;
    return ltptest::get16(data, map + 4 + 2 * (index - 1));
}

// hidUserRoot of HNHDR.
std::uint32_t heap_root(const std::vector<std::uint8_t>& data) {
    return ltptest::get16(data, 4) | static_cast<std::uint32_t>(ltptest::get16(data, 6)) << 16;
}

class TableTest : public ::testing::TestWithParam<Variant> {};

INSTANTIATE_TEST_SUITE_P(Variants, TableTest, ::testing::ValuesIn(ltptest::kVariants),
                         [](const auto& info) { return ltptest::variant_name(info.param); });

TEST_P(TableTest, CellsOfEveryWidth) {
    const table tc(ltptest::open_node(GetParam(), mixed_table(GetParam()).build()));
    const auto& impl = *tc.get_impl();
    ASSERT_EQ(tc.size(), 3u);
    EXPECT_EQ(impl.row_id_at(0), 0x8022u);
    EXPECT_EQ(impl.row_id_at(2), 0x8062u);
    EXPECT_EQ(impl.row_of_id(0x8042), 1u);
    EXPECT_THROW(impl.row_of_id(0x8043), pstread::key_not_found<std::uint32_t>);

    EXPECT_EQ(impl.get_cell_value(0, 0x3602), 12u);
    EXPECT_EQ(impl.get_cell_value(0, 0x3007), kTime);  // 8 bytes inline in the row
    EXPECT_EQ(impl.get_cell_value(0, 0x360A), 1u);
    EXPECT_EQ(impl.get_cell_value(0, 0x0017), 0xFFFDu);
    EXPECT_EQ(impl.cell_bytes(0, 0x1000), (pstread::byte_buffer{9, 8, 7}));
    EXPECT_EQ(impl.cell_size(0, 0x1000), 3u);
    EXPECT_EQ(impl.column_type(0x3007), kPtSysTime);
    EXPECT_THROW(impl.column_type(0x9999), pstread::key_not_found<std::uint16_t>);

    // A column whose bit is clear in a row: no cell there.
    EXPECT_TRUE(impl.cell_exists(1, 0x3001));
    EXPECT_FALSE(impl.cell_exists(1, 0x3602));
    EXPECT_FALSE(impl.cell_exists(1, 0x9999));
    EXPECT_THROW(impl.get_cell_value(1, 0x3602), pstread::key_not_found<std::uint16_t>);
    EXPECT_EQ(impl.get_cell_value(2, 0x3602), 0u);  // present, and zero
    EXPECT_EQ(impl.get_cell_value(2, 0x360A), 0u);

    try {
        impl.get_cell_value(3, 0x3602);
        ADD_FAILURE() << "read past the last row";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "row >= size()");
    }
    EXPECT_THROW(tc[3], std::out_of_range);
}

TEST_P(TableTest, RowsAreProperyObjects) {
    const table tc(ltptest::open_node(GetParam(), mixed_table(GetParam()).build()));
    const auto* cp1252 = mailwright::text::GetCodePageInfo(1252);
    pstread::const_table_row first = tc[0];
    first.set_charset(cp1252);
    EXPECT_EQ(first.get_row_id(), 0x8022u);
    EXPECT_EQ(first.read_wstring(0x3001), U"Inbox");
    EXPECT_EQ(first.read_wstring(0x0037), U"caf\u00E9");
    EXPECT_EQ(first.inline_value_4(0x3602), 12u);
    EXPECT_EQ(first.inline_value_2(0x0017), 0xFFFDu);
    EXPECT_EQ(first.inline_value_1(0x360A), 1u);
    EXPECT_TRUE(first.read_bool(0x360A));
    EXPECT_EQ(first.value_8(0x3007), kTime);
    EXPECT_EQ(first.property_type(0x0037), kPtString8);
    EXPECT_EQ(first.value_size(0x3001), 10u);
    pstread::hnid_istream stream(first.open_value_stream(0x1000));
    EXPECT_EQ(stream.get(), 9);

    const auto second = tc[1];
    EXPECT_EQ(second.property_ids(), (std::vector<std::uint16_t>{0x3001, 0x67F2, 0x67F3}));
    EXPECT_FALSE(second.has_property(0x3602));
    EXPECT_THROW(second.read_bool(0x3602), pstread::key_not_found<std::uint16_t>);

    std::vector<std::uint32_t> row_ids;
    for (auto it = tc.begin(cp1252); it != tc.end(); ++it) {
        const pstread::const_table_row row = *it;
        EXPECT_EQ(row.charset(), cp1252);
        row_ids.push_back(row.get_row_id());
    }
    EXPECT_EQ(row_ids, (std::vector<std::uint32_t>{0x8022, 0x8042, 0x8062}));
    EXPECT_EQ(tc.end() - tc.begin(), 3);
}

TEST_P(TableTest, TheRowIndexPicksTheVariant) {
    const table tc(ltptest::open_node(GetParam(), mixed_table(GetParam()).build()));
    const bool narrow =
        dynamic_cast<const pstread::basic_table<std::uint16_t>*>(tc.get_impl().get()) != nullptr;
    const bool wide =
        dynamic_cast<const pstread::basic_table<std::uint32_t>*>(tc.get_impl().get()) != nullptr;
    EXPECT_EQ(narrow, GetParam() == Variant::ansi);
    EXPECT_EQ(wide, GetParam() == Variant::unicode);
}

TEST_P(TableTest, EmptyTable) {
    TableContextBuilder builder(GetParam());
    builder.add_column(make_tag(0x3001, kPtUnicode));
    ASSERT_EQ(builder.layout().rows, 0u);
    const table tc(ltptest::open_node(GetParam(), builder.build()));
    EXPECT_EQ(tc.size(), 0u);
    EXPECT_TRUE(tc.begin() == tc.end());
    EXPECT_THROW(tc.get_impl()->row_id_at(0), std::out_of_range);
}

// Rows of 40 bytes: 8- and 4-byte cells up to 32 (a gap to 36), a 2-byte
// cell, a 1-byte cell and one bitmap byte.
TableContextBuilder forty_byte_rows(Variant variant, std::size_t rows, RowMatrixPlace place) {
    TcOptions options;
    options.matrix = place;
    TableContextBuilder tc(variant, options);
    tc.set_layout({{kTagLtpRowId, 0, 4, 0},
                   {kTagLtpRowVer, 4, 4, 1},
                   {make_tag(0x0E06, kPtSysTime), 8, 8, 2},
                   {make_tag(0x0E07, kPtLong), 16, 4, 3},
                   {make_tag(0x3001, kPtUnicode), 20, 4, 4},
                   {make_tag(0x0E08, kPtLong), 24, 4, 5},
                   {make_tag(0x0017, kPtShort), 36, 2, 6},
                   {make_tag(0x0E1B, kPtBoolean), 38, 1, 7}},
                  {32, 38, 39, 40});
    for (std::uint32_t r = 0; r < rows; ++r) {
        tc.add_row(0x200004 + 32 * r, {{0x0E07, pv_long(static_cast<std::int32_t>(r))},
                                       {0x0E06, pv_systime(kTime + r)},
                                       {0x3001, pv_unicode("row " + std::to_string(r))},
                                       {0x0E1B, pv_bool(r % 2 == 0)}});
    }
    return tc;
}

TEST_P(TableTest, RowMatrixInAMultiBlockSubnode) {
    const TableContextBuilder builder = forty_byte_rows(GetParam(), 500, RowMatrixPlace::subnode);
    const TcLayout layout = builder.layout();
    ASSERT_TRUE(pstread::is_subnode_id(layout.rows));
    ASSERT_EQ(layout.rows_per_block, 204u);
    const table tc(ltptest::open_node(GetParam(), builder.build()));
    ASSERT_EQ(tc.size(), 500u);
    const auto& impl = *tc.get_impl();
    for (const std::uint32_t r : {0u, 203u, 204u, 407u, 408u, 499u}) {
        SCOPED_TRACE(r);
        const auto row = tc[r];
        EXPECT_EQ(row.get_row_id(), 0x200004 + 32 * r);
        EXPECT_EQ(row.inline_value_4(0x0E07), r);
        EXPECT_EQ(row.value_8(0x0E06), kTime + r);
        const std::string name = "row " + std::to_string(r);
        EXPECT_EQ(row.read_wstring(0x3001), std::u32string(name.begin(), name.end()));
        EXPECT_EQ(row.read_bool(0x0E1B), r % 2 == 0);
        EXPECT_FALSE(row.has_property(0x0017));
        EXPECT_EQ(impl.row_of_id(0x200004 + 32 * r), r);
    }
    EXPECT_THROW(tc[500], std::out_of_range);
}

TEST_P(TableTest, RowMatrixInTheHeapHasTheSameRows) {
    const TableContextBuilder builder = forty_byte_rows(GetParam(), 50, RowMatrixPlace::heap);
    ASSERT_FALSE(pstread::is_subnode_id(builder.layout().rows));
    const table tc(ltptest::open_node(GetParam(), builder.build()));
    ASSERT_EQ(tc.size(), 50u);
    EXPECT_EQ(tc[49].inline_value_4(0x0E07), 49u);
    EXPECT_EQ(tc[17].value_8(0x0E06), kTime + 17);
}

TEST(TableNodes, GustTableAndOtherHeaps) {
    const TableContextBuilder builder = mixed_table(Variant::unicode);
    const auto db = ltptest::open_nodes(Variant::unicode, {{0x730, builder.build()}});
    try {
        table gust(db->lookup_node(0x730));
        ADD_FAILURE() << "opened the gust table";
    } catch (const pstread::not_implemented& error) {
        EXPECT_STREQ(error.what(), "gust table");
    }

    HeapBuilder heap(Variant::unicode, kClientSignaturePc);
    heap.set_root(heap.allocate(std::vector<std::uint8_t>(22, 0)));
    try {
        table pc(ltptest::open_bytes(Variant::unicode, heap.build()));
        ADD_FAILURE() << "opened a property context as a table";
    } catch (const pstread::sig_mismatch& error) {
        EXPECT_STREQ(error.what(), "invalid client_sig");
    }
}

// The node data of the mixed table with one change inside its TCINFO.
struct tcinfo_patch {
    NodeContent node;
    std::size_t tcinfo = 0;  // offset of TCINFO in the node's data

    explicit tcinfo_patch(Variant variant) {
        const TableContextBuilder builder = mixed_table(variant);
        node = builder.build();
        tcinfo = item_offset(node.data, heap_root(node.data));  // the root item
    }
    std::size_t column(std::size_t k) const { return tcinfo + 22 + 8 * k; }
    std::size_t rgib(std::size_t k) const { return tcinfo + 2 + 2 * k; }
};

TEST_P(TableTest, UnusableTableInfoIsRejected) {
    struct fault {
        const char* name;
        std::function<void(tcinfo_patch&)> change;
        const char* message;
    };
    const fault faults[] = {
        {"TCI_bm of 0", [](tcinfo_patch& p) { ltptest::put16(p.node.data, p.rgib(3), 0); },
         "unusable row layout"},
        {"a row too short for its row id",
         [](tcinfo_patch& p) {
             ltptest::put16(p.node.data, p.rgib(2), 2);
             ltptest::put16(p.node.data, p.rgib(3), 3);
         },
         "unusable row layout"},
        {"the bitmap starting after the row ends",
         [](tcinfo_patch& p) {
             ltptest::put16(p.node.data, p.rgib(2), ltptest::get16(p.node.data, p.rgib(3)) + 1);
         },
         "unusable row layout"},
        {"a cell running past the row",
         [](tcinfo_patch& p) {
             ltptest::put16(p.node.data, p.column(0) + 4,
                            ltptest::get16(p.node.data, p.rgib(3)) - 1);
         },
         "runs past the row"},
        {"an existence bit past the bitmap",
         [](tcinfo_patch& p) { p.node.data.at(p.column(0) + 7) = 200; }, "outside the bitmap"},
        {"more columns than TCINFO holds",
         [](tcinfo_patch& p) { p.node.data.at(p.tcinfo + 1) = 200; }, "cannot hold 200 columns"},
    };
    for (const fault& f : faults) {
        SCOPED_TRACE(f.name);
        tcinfo_patch p(GetParam());
        f.change(p);
        try {
            table tc(ltptest::open_node(GetParam(), p.node));
            ADD_FAILURE() << "opened an unusable table";
        } catch (const pstread::database_corrupt& error) {
            EXPECT_NE(std::string(error.what()).find(f.message), std::string::npos) << error.what();
        }
    }
}

TEST_P(TableTest, WrongTableSignatureAndCellWidth) {
    {
        tcinfo_patch p(GetParam());
        p.node.data.at(p.tcinfo) = 0x7D;  // bType
        try {
            table tc(ltptest::open_node(GetParam(), p.node));
            ADD_FAILURE() << "opened a TCINFO without its signature";
        } catch (const pstread::sig_mismatch& error) {
            EXPECT_STREQ(error.what(), "heap_sig_tc expected");
            EXPECT_EQ(error.computed(), 0x7D);
        }
    }
    // The 4-byte row id column declared 3 bytes wide: still inside the row,
    // but not a width a cell can have.
    tcinfo_patch p(GetParam());
    const table intact(ltptest::open_node(GetParam(), p.node));
    std::size_t row_id_column = 0;
    for (std::size_t k = 0; k < intact.columns().size(); ++k) {
        if (p.node.data.at(p.column(k) + 2) == 0xF2 && p.node.data.at(p.column(k) + 3) == 0x67) {
            row_id_column = k;
        }
    }
    p.node.data.at(p.column(row_id_column) + 6) = 3;
    const table tc(ltptest::open_node(GetParam(), p.node));
    try {
        tc.get_impl()->get_cell_value(0, 0x67F2);
        ADD_FAILURE() << "read a cell of 3 bytes";
    } catch (const pstread::database_corrupt& error) {
        EXPECT_STREQ(error.what(), "get_cell_value: invalid cell size");
    }
    EXPECT_EQ(tc.get_impl()->row_id_at(0), 0x8022u);  // the row id itself stays readable
}

TEST(TableBits, BitNineIsTheSecondBitOfTheSecondByte) {
    // Ten 1-byte columns with bits 0 to 9; the bitmap is 2 bytes.
    TableContextBuilder builder(Variant::unicode);
    std::vector<TcColumn> columns = {{kTagLtpRowId, 0, 4, 0}, {kTagLtpRowVer, 4, 4, 1}};
    for (std::uint8_t bit = 2; bit < 10; ++bit) {
        columns.push_back({make_tag(static_cast<std::uint16_t>(0x6000 + bit), kPtBoolean),
                           static_cast<std::uint16_t>(6 + bit), 1, bit});
    }
    builder.set_layout(columns, {8, 8, 16, 18});
    builder.add_row(0x21, {{0x6009, pv_bool(true)}});
    const TcLayout layout = builder.layout();
    NodeContent node = builder.build();

    const table tc(ltptest::open_node(Variant::unicode, node));
    EXPECT_TRUE(tc[0].has_property(0x6009));
    EXPECT_FALSE(tc[0].has_property(0x6008));

    // Clear bit 0x40 of the bitmap's second byte, and the cell is gone.
    const std::size_t row = item_offset(node.data, layout.rows);
    ASSERT_EQ(node.data.at(row + 17), 0x40);
    node.data.at(row + 17) = 0;
    const table cleared(ltptest::open_node(Variant::unicode, node));
    EXPECT_FALSE(cleared[0].has_property(0x6009));
}

TEST(TableBlocks, RowsLargerThanABlockAreRejected) {
    // 500 rows of 40 bytes in three blocks, announced as rows of 9000
    // bytes: the first block holds no whole row.
    const TableContextBuilder builder =
        forty_byte_rows(Variant::unicode, 500, RowMatrixPlace::subnode);
    NodeContent node = builder.build();
    const std::size_t tcinfo = item_offset(node.data, heap_root(node.data));
    ltptest::put16(node.data, tcinfo + 2 + 2 * 3, 9000);  // rgib[TCI_bm]
    EXPECT_THROW(table(ltptest::open_node(Variant::unicode, node)), pstread::database_corrupt);
}

}  // namespace
