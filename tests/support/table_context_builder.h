// Table contexts ([MS-PST] 2.3.4): a heap with client signature 0x7C whose
// root is a TCINFO (column descriptions), with a row index BTH (row id ->
// row number) and a row matrix of fixed-size rows, held in the heap or,
// when larger than one heap item, in a subnode whose every block holds
// whole rows.
//
//   TableContextBuilder tc(Variant::unicode);
//   tc.add_column(make_tag(0x3001, kPtUnicode));
//   tc.add_row(0x8022, {{0x3001, pv_unicode("Inbox")}});
//   NodeContent node = tc.build();
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

#include "support/bth_builder.h"
#include "support/heap_builder.h"
#include "support/node_content.h"
#include "support/property_value.h"
#include "support/value_store.h"

namespace pstbuild {

// PidTagLtpRowId and PidTagLtpRowVer, the two columns every table has
// ([MS-PST] 2.3.4.4.1).
inline constexpr std::uint32_t kTagLtpRowId = make_tag(0x67F2, kPtLong);
inline constexpr std::uint32_t kTagLtpRowVer = make_tag(0x67F3, kPtLong);

// TCOLDESC ([MS-PST] 2.3.4.2).
struct TcColumn {
    std::uint32_t tag = 0;
    std::uint16_t ibData = 0;
    std::uint8_t cbData = 0;
    std::uint8_t iBit = 0;
};

// rgib of TCINFO: ends of the 4/8-byte, 2-byte and 1-byte groups and of
// the cell existence bitmap (the row size).
using TcRowOffsets = std::array<std::uint16_t, 4>;

enum class RowMatrixPlace { automatic, heap, subnode };

struct TcOptions {
    HeapOptions heap;
    BthOptions row_index;
    ValueStoreOptions values;
    RowMatrixPlace matrix = RowMatrixPlace::automatic;  // automatic: heap if it fits one item
};

struct TcLayout {
    std::vector<TcColumn> columns;  // sorted by tag, as in TCINFO
    TcRowOffsets rgib{};
    std::uint32_t tcinfo = 0;     // hidUserRoot
    std::uint32_t row_index = 0;  // hidRowIndex
    std::uint8_t row_index_levels = 0;
    std::uint32_t rows = 0;                              // hnidRows: a HID, a subnode nid, or 0
    std::size_t rows_per_block = 0;                      // matrix in a subnode: rows in each block
    std::vector<std::vector<std::uint32_t>> cell_hnids;  // per row, per column: HNID or 0
};

class TableContextBuilder {
public:
    explicit TableContextBuilder(Variant variant, TcOptions options = {});

    // A column laid out automatically: after the row id (offset 0, bit 0)
    // and row version (offset 4, bit 1), 8-byte cells, then 4-byte cells
    // (including the HNIDs of variable-size values), then 2-byte, then
    // 1-byte cells; existence bits follow the cell order.
    TableContextBuilder& add_column(std::uint32_t tag);
    // Columns exactly as given, instead of the automatic layout (no row id
    // or version columns are added).
    TableContextBuilder& set_layout(std::vector<TcColumn> columns, TcRowOffsets rgib);

    // A row with cells by property id; absent cells have their existence
    // bit clear and zero bytes. The row id column gets `row_id`, the row
    // version column `row_version`. Variable-size values are allocated in
    // row order, then cell order. Throws std::invalid_argument for a cell
    // without a column or of another type, or a duplicate row id.
    TableContextBuilder& add_row(std::uint32_t row_id,
                                 std::vector<std::pair<std::uint16_t, PropertyValue>> cells,
                                 std::uint32_t row_version = 0);

    std::size_t row_count() const { return rows_.size(); }
    NodeContent build() const;
    TcLayout layout() const;

private:
    struct Row {
        std::uint32_t id = 0;
        std::uint32_t version = 0;
        // The cells one after another as property id (2 bytes), type (2),
        // value size (4) and value: compact, since contents tables of large
        // mailboxes hold tens of thousands of rows until they are built.
        std::vector<std::uint8_t> cells;
    };

    static std::vector<std::uint8_t> pack_cells(
        const std::vector<std::pair<std::uint16_t, PropertyValue>>& cells);
    static std::vector<std::pair<std::uint16_t, PropertyValue>> unpack_cells(
        const std::vector<std::uint8_t>& packed);

    std::pair<std::vector<TcColumn>, TcRowOffsets> final_columns() const;
    NodeContent build(TcLayout* layout) const;
    // Fills one row of the matrix; returns the HNIDs of its cells (0 for
    // inline or absent ones), by column.
    static std::vector<std::uint32_t> fill_row(
        std::span<std::uint8_t> bytes, const Row& row, const std::vector<TcColumn>& columns,
        const std::map<std::uint16_t, const TcColumn*>& by_id, const TcRowOffsets& rgib,
        ValueStore& values);
    // Row index records: row id -> row number, sorted by row id.
    std::vector<BthRecord> row_index_records(std::uint8_t value_size) const;

    Variant variant_;
    TcOptions options_;
    std::vector<std::uint32_t> auto_tags_;
    std::optional<std::pair<std::vector<TcColumn>, TcRowOffsets>> explicit_;
    std::vector<Row> rows_;
    std::unordered_set<std::uint32_t> row_ids_;
};

// The width of a column's cell: 1, 2, 4 or 8 for fixed values held inline,
// 4 for values held by HNID ([MS-PST] 2.3.4.4.2).
std::uint8_t cell_width(std::uint16_t type);

}  // namespace pstbuild
