// Table contexts: rows and cells from builder tables with the row matrix in
// the heap and in a multi-block subnode, rows as property objects, and table
// infos one change away from valid.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pstread/ltp/basic_table.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/ndb_file.h"
#include "support/le_bytes.h"
#include "support/table_context_builder.h"
#include "text/code_page_table.h"

namespace {

using ndbfile::node_of;
using ndbfile::Variant;
using pstread::table;
using namespace pstbuild;

constexpr std::uint64_t kTime = 0x01D5A1B2C3D4E5F6;

// A folder-like table; row 1 lacks most cells, row 2 has zero values.
TableContextBuilder mixed_table(Variant variant) {
    TableContextBuilder tc(variant);
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

// Where an item of page 0 of a heap starts in the node's data.
std::size_t item_offset(const std::vector<std::uint8_t>& data, std::uint32_t hid) {
    const std::size_t map = get_u16(data, 0);
    return get_u16(data, map + 4 + 2 * (((hid >> 5) & 0x7FF) - 1));
}

std::size_t tcinfo_offset(const std::vector<std::uint8_t>& data) {
    return item_offset(data, get_u32(data, 4));  // hidUserRoot
}

TEST(TableTest, CellsAndRowsOfEveryWidth) {
    const auto* cp1252 = mailwright::text::GetCodePageInfo(1252);
    for (const Variant variant : ndbfile::kVariants) {
        SCOPED_TRACE(ndbfile::variant_name(variant));
        const table tc(node_of(variant, mixed_table(variant).build()));
        const auto& impl = *tc.get_impl();
        ASSERT_EQ(tc.size(), 3u);
        EXPECT_EQ(impl.row_id_at(2), 0x8062u);
        EXPECT_EQ(impl.row_of_id(0x8042), 1u);
        EXPECT_THROW(impl.row_of_id(0x8043), pstread::key_not_found<std::uint32_t>);
        pstread::const_table_row first = tc[0];
        first.set_charset(cp1252);
        EXPECT_EQ(first.read_wstring(0x3001), U"Inbox");
        EXPECT_EQ(first.read_wstring(0x0037), U"caf\u00E9");
        EXPECT_EQ(first.inline_value_4(0x3602), 12u);
        EXPECT_EQ(first.inline_value_2(0x0017), 0xFFFDu);
        EXPECT_TRUE(first.read_bool(0x360A));
        EXPECT_EQ(first.value_8(0x3007), kTime);  // 8 bytes inline in the row
        EXPECT_EQ(first.read_bytes(0x1000), (pstread::byte_buffer{9, 8, 7}));
        // A column whose bit is clear in a row has no cell there; a zero
        // value whose bit is set is a cell.
        EXPECT_EQ(tc[1].property_ids(), (std::vector<std::uint16_t>{0x3001, 0x67F2, 0x67F3}));
        EXPECT_THROW(tc[1].read_bool(0x3602), pstread::key_not_found<std::uint16_t>);
        EXPECT_EQ(impl.get_cell_value(2, 0x3602), 0u);
        std::vector<std::uint32_t> row_ids;
        for (auto it = tc.begin(cp1252); it != tc.end(); ++it) {
            row_ids.push_back((*it).get_row_id());
        }
        EXPECT_EQ(row_ids, (std::vector<std::uint32_t>{0x8022, 0x8042, 0x8062}));
    }
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

TEST(TableTest, RowMatrixInTheHeapAndInAMultiBlockSubnode) {
    for (const Variant variant : ndbfile::kVariants) {
        for (const auto place : {RowMatrixPlace::heap, RowMatrixPlace::subnode}) {
            const std::size_t count = place == RowMatrixPlace::heap ? 50 : 500;
            SCOPED_TRACE(count);
            const TableContextBuilder builder = forty_byte_rows(variant, count, place);
            ASSERT_EQ(pstread::is_subnode_id(builder.layout().rows),
                      place == RowMatrixPlace::subnode);
            const table tc(node_of(variant, builder.build()));
            ASSERT_EQ(tc.size(), count);
            for (const std::uint32_t r : {0u, 49u, 203u, 204u, 407u, 408u, 499u}) {
                if (r >= count) {
                    continue;
                }
                const auto row = tc[r];  // rows 203/204 and 407/408 straddle blocks
                EXPECT_EQ(row.get_row_id(), 0x200004 + 32 * r);
                EXPECT_EQ(row.inline_value_4(0x0E07), r);
                EXPECT_EQ(row.value_8(0x0E06), kTime + r);
                EXPECT_EQ(row.read_bool(0x0E1B), r % 2 == 0);
                EXPECT_FALSE(row.has_property(0x0017));
            }
        }
    }
}

TEST(TableTest, TableInfoOneChangeFromValid) {
    struct fault {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&, std::size_t)> change;  // data, TCINFO
        const char* error_part;
    };
    const auto rgib = [](std::size_t tcinfo, std::size_t k) { return tcinfo + 2 + 2 * k; };
    const auto column = [](std::size_t tcinfo, std::size_t k) { return tcinfo + 22 + 8 * k; };
    const fault faults[] = {
        {"bType", [](auto& d, std::size_t t) { d[t] = 0x7D; }, "heap_sig_tc expected"},
        {"TCI_bm of 0", [&](auto& d, std::size_t t) { put_u16(d, rgib(t, 3), 0); },
         "unusable row layout"},
        {"a row too short for its row id",
         [&](auto& d, std::size_t t) {
             put_u16(d, rgib(t, 2), 2);
             put_u16(d, rgib(t, 3), 3);
         },
         "unusable row layout"},
        {"the bitmap starting after the row ends",
         [&](auto& d, std::size_t t) {
             put_u16(d, rgib(t, 2), static_cast<std::uint16_t>(get_u16(d, rgib(t, 3)) + 1));
         },
         "unusable row layout"},
        {"a cell running past the row",
         [&](auto& d, std::size_t t) {
             put_u16(d, column(t, 0) + 4, static_cast<std::uint16_t>(get_u16(d, rgib(t, 3)) - 1));
         },
         "runs past the row"},
        {"an existence bit past the bitmap",
         [&](auto& d, std::size_t t) { d[column(t, 0) + 7] = 200; }, "outside the bitmap"},
        {"more columns than TCINFO holds", [](auto& d, std::size_t t) { d[t + 1] = 200; },
         "cannot hold 200 columns"},
    };
    for (const Variant variant : ndbfile::kVariants) {
        for (const fault& f : faults) {
            SCOPED_TRACE(std::string(ndbfile::variant_name(variant)) + ": " + f.name);
            NodeContent node = mixed_table(variant).build();
            f.change(node.data, tcinfo_offset(node.data));
            EXPECT_TRUE(
                ndbfile::fails_with([&] { const table tc(node_of(variant, node)); }, f.error_part));
        }
    }
}

TEST(TableTest, RowsAndCellsLargerThanTheirRoom) {
    // 500 rows of 40 bytes in three blocks, announced as rows of 9000 bytes:
    // the first block holds no whole row.
    NodeContent big = forty_byte_rows(Variant::unicode, 500, RowMatrixPlace::subnode).build();
    put_u16(big.data, tcinfo_offset(big.data) + 2 + 2 * 3, 9000);  // rgib[TCI_bm]
    EXPECT_THROW(table(node_of(Variant::unicode, big)), pstread::database_corrupt);
    // The 4-byte row version column declared 3 bytes wide.
    NodeContent node = mixed_table(Variant::unicode).build();
    const std::size_t tcinfo = tcinfo_offset(node.data);
    for (std::size_t k = 0; k < node.data[tcinfo + 1]; ++k) {
        if (get_u16(node.data, tcinfo + 22 + 8 * k + 2) == 0x67F3) {
            node.data[tcinfo + 22 + 8 * k + 6] = 3;
        }
    }
    const table tc(node_of(Variant::unicode, node));
    EXPECT_THROW(tc.get_impl()->get_cell_value(0, 0x67F3), pstread::database_corrupt);
    EXPECT_EQ(tc.get_impl()->row_id_at(0), 0x8022u);  // the row id stays readable
}

}  // namespace
