#include "support/table_context_builder.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "support/le_bytes.h"

namespace pstbuild {
namespace {

constexpr std::size_t kTcInfoSize = 22;  // bType .. hidIndex
constexpr std::size_t kTcColDescSize = 8;
constexpr std::uint8_t kRowIdKeySize = 4;
constexpr std::uint32_t kNoHnid = 0;

bool held_inline(std::uint16_t type) {
    const std::size_t size = fixed_value_size(type);
    return size != 0 && size <= 8;
}

// The automatic row layout: row id and version first, then cells by
// falling width, each group in tag order; existence bits in cell order.
std::pair<std::vector<TcColumn>, TcRowOffsets> automatic_layout(std::vector<std::uint32_t> tags) {
    tags.erase(
        std::remove_if(tags.begin(), tags.end(),
                       [](std::uint32_t t) { return t == kTagLtpRowId || t == kTagLtpRowVer; }),
        tags.end());
    std::stable_sort(tags.begin(), tags.end());
    std::vector<TcColumn> cells = {{kTagLtpRowId, 0, 4, 0}, {kTagLtpRowVer, 4, 4, 1}};
    std::size_t offset = 8;
    TcRowOffsets rgib{};
    const std::uint8_t widths[] = {8, 4, 2, 1};
    for (const std::uint8_t width : widths) {
        for (const std::uint32_t tag : tags) {
            if (cell_width(static_cast<std::uint16_t>(tag)) == width) {
                cells.push_back(TcColumn{tag, static_cast<std::uint16_t>(offset), width,
                                         static_cast<std::uint8_t>(cells.size())});
                offset += width;
            }
        }
        if (width == 4) {
            rgib[0] = static_cast<std::uint16_t>(offset);  // TCI_4b
        } else if (width == 2) {
            rgib[1] = static_cast<std::uint16_t>(offset);  // TCI_2b
        } else if (width == 1) {
            rgib[2] = static_cast<std::uint16_t>(offset);  // TCI_1b
        }
    }
    rgib[3] = static_cast<std::uint16_t>(offset + (cells.size() + 7) / 8);  // TCI_bm
    std::sort(cells.begin(), cells.end(),
              [](const TcColumn& a, const TcColumn& b) { return a.tag < b.tag; });
    return {cells, rgib};
}

// Checks that every column lies inside the row and maps property ids to
// columns.
std::map<std::uint16_t, const TcColumn*> index_columns(const std::vector<TcColumn>& columns,
                                                       const TcRowOffsets& rgib) {
    const std::size_t row_size = rgib[3];
    if (row_size == 0 || row_size < rgib[2]) {
        throw std::invalid_argument("rgib[TCI_bm] must end the row");
    }
    std::map<std::uint16_t, const TcColumn*> by_id;
    for (const TcColumn& column : columns) {
        if (column.ibData + column.cbData > rgib[2] || column.iBit >= 8 * (row_size - rgib[2])) {
            throw std::invalid_argument("column outside the row");
        }
        by_id[static_cast<std::uint16_t>(column.tag >> 16)] = &column;
    }
    return by_id;
}

// Writes one cell and sets its existence bit (most significant bit first,
// [MS-PST] 2.3.4.4.1). Returns the HNID of a value stored elsewhere, or 0.
std::uint32_t write_cell(std::span<std::uint8_t> row, const TcColumn& column,
                         const PropertyValue& value, std::size_t bitmap_start, ValueStore& values) {
    if (value.type != static_cast<std::uint16_t>(column.tag)) {
        throw std::invalid_argument("cell type differs from its column's");
    }
    std::uint64_t cell = 0;
    std::uint32_t hnid = kNoHnid;
    if (held_inline(value.type)) {
        if (value.bytes.size() > column.cbData) {
            throw std::invalid_argument("cell value wider than its column");
        }
        cell = get_le(value.bytes, 0, value.bytes.size());
    } else {
        if (column.cbData != 4) {
            throw std::invalid_argument("an HNID cell must be 4 bytes wide");
        }
        hnid = values.store(value.bytes);
        cell = hnid;
    }
    put_le(row, column.ibData, cell, column.cbData);
    row[bitmap_start + column.iBit / 8] |= static_cast<std::uint8_t>(0x80 >> (column.iBit % 8));
    return hnid;
}

// The row matrix of a subnode: every block holds whole rows, and all but
// the last are padded to a full block ([MS-PST] 2.3.4.4).
std::vector<std::uint8_t> rows_in_blocks(const std::vector<std::uint8_t>& matrix,
                                         std::size_t row_size, Variant variant) {
    const std::size_t block = traits(variant).max_block_data;
    const std::size_t per_block = block / row_size;
    if (per_block == 0) {
        throw std::invalid_argument("a row is larger than a block");
    }
    const std::size_t bytes_per_block = per_block * row_size;
    std::vector<std::uint8_t> out;
    for (std::size_t first = 0; first < matrix.size(); first += bytes_per_block) {
        if (first > 0) {
            out.resize(out.size() + block - bytes_per_block, 0);
        }
        const std::size_t count = std::min(bytes_per_block, matrix.size() - first);
        out.insert(out.end(), matrix.begin() + static_cast<std::ptrdiff_t>(first),
                   matrix.begin() + static_cast<std::ptrdiff_t>(first + count));
    }
    return out;
}

// TCINFO ([MS-PST] 2.3.4.1) with its TCOLDESCs.
void write_tcinfo(std::span<std::uint8_t> info, const std::vector<TcColumn>& columns,
                  const TcRowOffsets& rgib, std::uint32_t row_index, std::uint32_t rows) {
    info[0] = kClientSignatureTc;  // bType
    info[1] = static_cast<std::uint8_t>(columns.size());
    for (std::size_t i = 0; i < rgib.size(); ++i) {
        put_u16(info, 2 + 2 * i, rgib[i]);
    }
    put_u32(info, 10, row_index);  // hidRowIndex
    put_u32(info, 14, rows);       // hnidRows
    put_u32(info, 18, 0);          // hidIndex
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::size_t at = kTcInfoSize + kTcColDescSize * i;
        put_u32(info, at, columns[i].tag);
        put_u16(info, at + 4, columns[i].ibData);
        info[at + 6] = columns[i].cbData;
        info[at + 7] = columns[i].iBit;
    }
}

}  // namespace

std::uint8_t cell_width(std::uint16_t type) {
    return held_inline(type) ? static_cast<std::uint8_t>(fixed_value_size(type)) : 4;
}

TableContextBuilder::TableContextBuilder(Variant variant, TcOptions options)
    : variant_(variant), options_(options) {}

TableContextBuilder& TableContextBuilder::add_column(std::uint32_t tag) {
    if (explicit_) {
        throw std::logic_error("add_column after set_layout");
    }
    if (std::find(auto_tags_.begin(), auto_tags_.end(), tag) == auto_tags_.end()) {
        auto_tags_.push_back(tag);
    }
    return *this;
}

TableContextBuilder& TableContextBuilder::set_layout(std::vector<TcColumn> columns,
                                                     TcRowOffsets rgib) {
    if (columns.size() > 255) {
        throw std::invalid_argument("a table has at most 255 columns");
    }
    explicit_ = std::make_pair(std::move(columns), rgib);
    return *this;
}

TableContextBuilder& TableContextBuilder::add_row(
    std::uint32_t row_id, std::vector<std::pair<std::uint16_t, PropertyValue>> cells,
    std::uint32_t row_version) {
    if (!row_ids_.insert(row_id).second) {
        throw std::invalid_argument("duplicate row id " + std::to_string(row_id));
    }
    rows_.push_back(Row{row_id, row_version, pack_cells(cells)});
    return *this;
}

std::vector<std::uint8_t> TableContextBuilder::pack_cells(
    const std::vector<std::pair<std::uint16_t, PropertyValue>>& cells) {
    std::size_t size = 0;
    for (const auto& [id, value] : cells) {
        size += 8 + value.bytes.size();
    }
    std::vector<std::uint8_t> packed;
    packed.reserve(size);
    for (const auto& [id, value] : cells) {
        append_le(packed, id, 2);
        append_le(packed, value.type, 2);
        append_le(packed, value.bytes.size(), 4);
        packed.insert(packed.end(), value.bytes.begin(), value.bytes.end());
    }
    return packed;
}

std::vector<std::pair<std::uint16_t, PropertyValue>> TableContextBuilder::unpack_cells(
    const std::vector<std::uint8_t>& packed) {
    std::vector<std::pair<std::uint16_t, PropertyValue>> cells;
    for (std::size_t at = 0; at < packed.size();) {
        const std::uint16_t id = get_u16(packed, at);
        const std::uint16_t type = get_u16(packed, at + 2);
        const std::size_t size = get_u32(packed, at + 4);
        const auto begin = packed.begin() + static_cast<std::ptrdiff_t>(at + 8);
        cells.emplace_back(id,
                           PropertyValue{type, {begin, begin + static_cast<std::ptrdiff_t>(size)}});
        at += 8 + size;
    }
    return cells;
}

std::pair<std::vector<TcColumn>, TcRowOffsets> TableContextBuilder::final_columns() const {
    return explicit_ ? *explicit_ : automatic_layout(auto_tags_);
}

NodeContent TableContextBuilder::build() const {
    return build(nullptr);
}

TcLayout TableContextBuilder::layout() const {
    TcLayout layout;
    build(&layout);
    return layout;
}

NodeContent TableContextBuilder::build(TcLayout* layout) const {
    const auto [columns, rgib] = final_columns();
    const std::map<std::uint16_t, const TcColumn*> by_id = index_columns(columns, rgib);
    const std::size_t row_size = rgib[3];

    NodeContent node;
    HeapBuilder heap(variant_, kClientSignatureTc, options_.heap);
    // Allocation order of the sample table of [MS-PST] 3.11: row index
    // header, TCINFO, row index nodes, row matrix, then the cell values.
    const std::uint32_t index_header = heap.reserve(kBthHeaderSize);
    const std::uint32_t tcinfo = heap.reserve(kTcInfoSize + kTcColDescSize * columns.size());
    const auto index_value_size =
        static_cast<std::uint8_t>(traits(variant_).tc_row_index_value_size);
    BthWriter row_index(kRowIdKeySize, index_value_size, rows_.size(), options_.row_index);
    row_index.reserve_nodes(heap);

    const std::size_t matrix_size = rows_.size() * row_size;
    const bool in_heap =
        options_.matrix == RowMatrixPlace::heap ||
        (options_.matrix == RowMatrixPlace::automatic && matrix_size <= kMaxHeapItemSize);
    ValueStore values(heap, node.subnodes, options_.values);
    std::uint32_t matrix_hnid = kNoHnid;
    if (!rows_.empty()) {
        matrix_hnid = in_heap ? heap.reserve(matrix_size) : values.next_subnode_nid();
    }

    std::vector<std::uint8_t> matrix(matrix_size, 0);
    std::vector<std::vector<std::uint32_t>> cell_hnids;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const std::span<std::uint8_t> row(matrix.data() + r * row_size, row_size);
        std::vector<std::uint32_t> hnids = fill_row(row, rows_[r], columns, by_id, rgib, values);
        if (layout != nullptr) {
            cell_hnids.push_back(std::move(hnids));
        }
    }

    std::size_t rows_per_block = 0;
    if (!rows_.empty() && in_heap) {
        std::copy(matrix.begin(), matrix.end(), heap.item(matrix_hnid).begin());
    } else if (!rows_.empty()) {
        rows_per_block = traits(variant_).max_block_data / row_size;
        values.add_subnode(matrix_hnid, rows_in_blocks(matrix, row_size, variant_));
    }

    row_index.write(heap, index_header, row_index_records(index_value_size));
    write_tcinfo(heap.item(tcinfo), columns, rgib, index_header, matrix_hnid);
    heap.set_root(tcinfo);
    node.data = heap.build();
    if (layout != nullptr) {
        *layout =
            TcLayout{columns,     rgib,           tcinfo,    index_header, row_index.index_levels(),
                     matrix_hnid, rows_per_block, cell_hnids};
    }
    return node;
}

std::vector<std::uint32_t> TableContextBuilder::fill_row(
    std::span<std::uint8_t> bytes, const Row& row, const std::vector<TcColumn>& columns,
    const std::map<std::uint16_t, const TcColumn*>& by_id, const TcRowOffsets& rgib,
    ValueStore& values) {
    std::vector<std::uint32_t> hnids(columns.size(), kNoHnid);
    auto put = [&](const TcColumn& column, const PropertyValue& value) {
        const std::uint32_t hnid = write_cell(bytes, column, value, rgib[2], values);
        hnids[static_cast<std::size_t>(&column - columns.data())] = hnid;
    };
    for (const TcColumn& column : columns) {
        if (column.tag == kTagLtpRowId) {
            put(column, pv_long(static_cast<std::int32_t>(row.id)));
        } else if (column.tag == kTagLtpRowVer) {
            put(column, pv_long(static_cast<std::int32_t>(row.version)));
        }
    }
    for (const auto& [id, value] : unpack_cells(row.cells)) {
        const auto found = by_id.find(id);
        if (found == by_id.end()) {
            throw std::invalid_argument("cell " + std::to_string(id) + " has no column");
        }
        put(*found->second, value);
    }
    return hnids;
}

std::vector<BthRecord> TableContextBuilder::row_index_records(std::uint8_t value_size) const {
    std::vector<BthRecord> index;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        BthRecord record{rows_[r].id, {}};
        append_le(record.data, r, value_size);
        index.push_back(std::move(record));
    }
    std::sort(index.begin(), index.end(),
              [](const BthRecord& a, const BthRecord& b) { return a.key < b.key; });
    return index;
}

}  // namespace pstbuild
