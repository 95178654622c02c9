// The table context implementation, templated on the width of the row
// index's values: basic_table<std::uint16_t> for ANSI files and
// basic_table<std::uint32_t> for Unicode files ([MS-PST] 2.3.4.3.1).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "pstread/ltp/bth_node.h"
#include "pstread/ltp/heap.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/block.h"

namespace pstread {

template <typename T>
class basic_table : public table_impl {
public:
    // Opens the node's heap with client signature 0x7C and reads the table.
    explicit basic_table(const node& n);
    // The same over a heap opened without a client signature; it is checked
    // here.
    explicit basic_table(const heap_ptr& heap);

    row_number row_of_id(row_id id) const override;
    const node& table_node() const override { return m_heap->get_node(); }
    node& table_node() override { return m_heap->get_node(); }

    std::uint64_t get_cell_value(row_number row, prop_id id) const override;
    byte_buffer cell_bytes(row_number row, prop_id id) const override;
    hnid_stream_device cell_stream(row_number row, prop_id id) const override;
    std::size_t cell_size(row_number row, prop_id id) const override;

    std::vector<prop_id> column_ids() const override;
    prop_type column_type(prop_id id) const override;
    const std::vector<column_description>& columns() const override { return m_columns; }

    row_id row_id_at(row_number row) const override;
    std::size_t size() const override { return m_row_count; }
    bool cell_exists(row_number row, prop_id id) const override;

    // rgib of TCINFO.
    const std::array<std::uint16_t, 4>& row_offsets() const { return m_offsets; }
    // Rows in each block of a row matrix held in a subnode (0 otherwise).
    std::size_t rows_per_block() const { return m_rows_per_block; }
    bool rows_in_subnode() const { return m_rows_node.has_value(); }

private:
    void read_columns(std::span<const std::uint8_t> tcinfo, std::size_t count);
    void open_rows(heap_node_id rows);
    // The TCI_bm bytes of a row.
    std::span<const std::uint8_t> row_bytes(row_number row) const;
    const column_description* find_column(prop_id id) const;
    const column_description& column(prop_id id) const;
    bool bit_set(std::span<const std::uint8_t> row, const column_description& column) const;

    heap_ptr m_heap;
    bth_node_ptr<row_id, T> m_row_index;
    // A row matrix held in the heap, viewed in place (the heap keeps it).
    std::span<const std::uint8_t> m_heap_rows;
    // A row matrix held in a subnode, and the one block of it read last:
    // rows are read in order, and keeping every block would make memory grow
    // with the number of rows (a contents table has one per message).
    std::optional<node> m_rows_node;
    mutable std::size_t m_loaded_row_block = 0;
    mutable std::shared_ptr<external_block> m_row_block;
    std::vector<column_description> m_columns;
    std::unordered_map<prop_id, std::size_t> m_column_index{11};
    std::array<std::uint16_t, 4> m_offsets{};
    std::size_t m_row_count = 0;
    std::size_t m_rows_per_block = 0;
};

extern template class basic_table<std::uint16_t>;
extern template class basic_table<std::uint32_t>;

}  // namespace pstread
