#include "pstread/ltp/basic_table.h"

#include <stdexcept>
#include <string>

#include "pstread/ltp/property_bag.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {
namespace {

// TCINFO ([MS-PST] 2.3.4.1).
constexpr std::uint8_t tcinfo_signature = 0x7C;  // bType
constexpr std::size_t tcinfo_bType = 0;
constexpr std::size_t tcinfo_cCols = 1;
constexpr std::size_t tcinfo_rgib = 2;
constexpr std::size_t tcinfo_hidRowIndex = 10;
constexpr std::size_t tcinfo_hnidRows = 14;
constexpr std::size_t tcinfo_rgTCOLDESC = 22;
// TCOLDESC ([MS-PST] 2.3.4.2).
constexpr std::size_t tcoldesc_size = 8;
constexpr std::size_t tcoldesc_tag = 0;
constexpr std::size_t tcoldesc_ibData = 4;
constexpr std::size_t tcoldesc_cbData = 6;
constexpr std::size_t tcoldesc_iBit = 7;
// Every row begins with its 4-byte row id.
constexpr std::size_t row_id_size = 4;

std::string table_name(const node& n) {
    return "table context " + to_hex(n.get_id());
}

heap_ptr open_table_heap(const node& n) {
    return std::make_shared<heap_impl>(n, heap_client_tc);
}

}  // namespace

template <typename T>
basic_table<T>::basic_table(const node& n) : basic_table(open_table_heap(n)) {}

template <typename T>
basic_table<T>::basic_table(const heap_ptr& heap) : m_heap(heap) {
    const node& n = m_heap->get_node();
    if (m_heap->get_client_signature() != heap_client_tc) {
        throw sig_mismatch("invalid client_sig", 0, n.get_id(), m_heap->get_client_signature(),
                           heap_client_tc);
    }
    const auto tcinfo = m_heap->view(m_heap->get_root_id());
    if (tcinfo.size() < tcinfo_rgTCOLDESC) {
        throw database_corrupt(table_name(n) + ": TCINFO of " + std::to_string(tcinfo.size()) +
                               " bytes is shorter than its header");
    }
    if (tcinfo[tcinfo_bType] != tcinfo_signature) {
        throw sig_mismatch("heap_sig_tc expected", 0, n.get_id(), tcinfo[tcinfo_bType],
                           tcinfo_signature);
    }
    m_row_index = open_bth<row_id, T>(m_heap, load_le<heap_id>(tcinfo, tcinfo_hidRowIndex));
    for (std::size_t i = 0; i < m_offsets.size(); ++i) {
        m_offsets[i] = load_le<std::uint16_t>(tcinfo, tcinfo_rgib + 2 * i);
    }
    // A row must at least hold its row id, and the existence bitmap must lie
    // within the row.
    if (m_offsets[tci_bm] < row_id_size || m_offsets[tci_1b] > m_offsets[tci_bm]) {
        throw database_corrupt(table_name(n) + ": unusable row layout, TCI_1b " +
                               std::to_string(m_offsets[tci_1b]) + " and TCI_bm " +
                               std::to_string(m_offsets[tci_bm]));
    }
    read_columns(tcinfo, tcinfo[tcinfo_cCols]);
    open_rows(load_le<heap_node_id>(tcinfo, tcinfo_hnidRows));
}

template <typename T>
void basic_table<T>::read_columns(std::span<const std::uint8_t> tcinfo, std::size_t count) {
    const node& n = m_heap->get_node();
    if ((tcinfo.size() - tcinfo_rgTCOLDESC) / tcoldesc_size < count) {
        throw database_corrupt(table_name(n) + ": TCINFO of " + std::to_string(tcinfo.size()) +
                               " bytes cannot hold " + std::to_string(count) + " columns");
    }
    const std::size_t row_size = m_offsets[tci_bm];
    const std::size_t bitmap_bits = (row_size - m_offsets[tci_1b]) * std::size_t{8};
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = tcinfo.subspan(tcinfo_rgTCOLDESC + i * tcoldesc_size, tcoldesc_size);
        const auto tag = load_le<std::uint32_t>(at, tcoldesc_tag);
        column_description column;
        column.id = static_cast<prop_id>(tag >> 16);
        column.type = static_cast<prop_type>(tag & 0xFFFF);
        column.ib_data = load_le<std::uint16_t>(at, tcoldesc_ibData);
        column.cb_data = at[tcoldesc_cbData];
        column.i_bit = at[tcoldesc_iBit];
        if (!range_fits(column.ib_data, column.cb_data, row_size)) {
            throw database_corrupt(
                table_name(n) + ": the cell of column " + to_hex(column.id) + " at " +
                std::to_string(column.ib_data) + " (" + std::to_string(column.cb_data) +
                " bytes) runs past the row of " + std::to_string(row_size) + " bytes");
        }
        if (column.i_bit >= bitmap_bits) {
            throw database_corrupt(table_name(n) + ": the existence bit " +
                                   std::to_string(column.i_bit) + " of column " +
                                   to_hex(column.id) + " lies outside the bitmap of " +
                                   std::to_string(bitmap_bits) + " bits");
        }
        const auto [slot, added] = m_column_index.try_emplace(column.id, m_columns.size());
        if (added) {
            m_columns.push_back(column);
        } else {
            m_columns[slot->second] = column;
        }
    }
}

template <typename T>
void basic_table<T>::open_rows(heap_node_id rows) {
    const std::size_t row_size = m_offsets[tci_bm];
    if (!is_subnode_id(rows)) {
        m_heap_rows = m_heap->view(rows);
        m_row_count = m_heap_rows.size() / row_size;
        return;
    }
    m_rows_node = m_heap->get_node().lookup(rows);
    const std::size_t blocks = m_rows_node->get_page_count();
    if (blocks == 0) {
        return;
    }
    m_rows_per_block = m_rows_node->get_page_size(0) / row_size;
    const std::size_t last = m_rows_node->get_page_size(blocks - 1) / row_size;
    if (blocks > 1 && m_rows_per_block == 0) {
        throw database_corrupt(table_name(m_heap->get_node()) +
                               ": the first block of its row "
                               "matrix " +
                               to_hex(rows) + " holds no whole row of " + std::to_string(row_size) +
                               " bytes");
    }
    m_row_count = (blocks - 1) * m_rows_per_block + last;
}

template <typename T>
std::span<const std::uint8_t> basic_table<T>::row_bytes(row_number row) const {
    if (row >= m_row_count) {
        throw std::out_of_range("row >= size()");
    }
    const std::size_t row_size = m_offsets[tci_bm];
    if (!m_rows_node) {
        return m_heap_rows.subspan(std::size_t{row} * row_size, row_size);
    }
    const std::size_t block = row / m_rows_per_block;
    const std::size_t offset = (row % m_rows_per_block) * row_size;
    if (!m_row_block || m_loaded_row_block != block) {
        m_row_block = m_rows_node->get_page(block);
        m_loaded_row_block = block;
    }
    const auto data = m_row_block->get_data();
    if (!range_fits(offset, row_size, data.size())) {
        throw database_corrupt(table_name(m_heap->get_node()) + ": row " + std::to_string(row) +
                               " lies past the " + std::to_string(data.size()) +
                               " bytes of block " + std::to_string(block) + " of its row matrix");
    }
    return data.subspan(offset, row_size);
}

template <typename T>
const column_description* basic_table<T>::find_column(prop_id id) const {
    const auto found = m_column_index.find(id);
    return found == m_column_index.end() ? nullptr : &m_columns[found->second];
}

template <typename T>
const column_description& basic_table<T>::column(prop_id id) const {
    const column_description* found = find_column(id);
    if (!found) {
        throw key_not_found<prop_id>(id);
    }
    return *found;
}

template <typename T>
bool basic_table<T>::bit_set(std::span<const std::uint8_t> row,
                             const column_description& column) const {
    // Bit i is bit (7 - i mod 8) of byte i / 8 of the bitmap: the most
    // significant bit first.
    const std::uint8_t byte = row[m_offsets[tci_1b] + column.i_bit / 8];
    return (byte & (0x80u >> (column.i_bit % 8))) != 0;
}

template <typename T>
row_number basic_table<T>::row_of_id(row_id id) const {
    return static_cast<row_number>(m_row_index->find(id));
}

template <typename T>
bool basic_table<T>::cell_exists(row_number row, prop_id id) const {
    const column_description* found = find_column(id);
    if (!found) {
        return false;
    }
    return bit_set(row_bytes(row), *found);
}

template <typename T>
std::uint64_t basic_table<T>::get_cell_value(row_number row, prop_id id) const {
    const auto bytes = row_bytes(row);
    const column_description* found = find_column(id);
    if (!found || !bit_set(bytes, *found)) {
        throw key_not_found<prop_id>(id);
    }
    switch (found->cb_data) {
        case 1:
        case 2:
        case 4:
        case 8:
            return load_le(bytes, found->ib_data, found->cb_data);
        default:
            throw database_corrupt("get_cell_value: invalid cell size");
    }
}

template <typename T>
byte_buffer basic_table<T>::cell_bytes(row_number row, prop_id id) const {
    return hnid_value_bytes(*m_heap, static_cast<heap_node_id>(get_cell_value(row, id)));
}

template <typename T>
hnid_stream_device basic_table<T>::cell_stream(row_number row, prop_id id) const {
    return hnid_value_stream(m_heap, static_cast<heap_node_id>(get_cell_value(row, id)));
}

template <typename T>
std::size_t basic_table<T>::cell_size(row_number row, prop_id id) const {
    return hnid_value_size(*m_heap, static_cast<heap_node_id>(get_cell_value(row, id)));
}

template <typename T>
std::vector<prop_id> basic_table<T>::column_ids() const {
    std::vector<prop_id> ids;
    ids.reserve(m_columns.size());
    for (const auto& column : m_columns) {
        ids.push_back(column.id);
    }
    return ids;
}

template <typename T>
prop_type basic_table<T>::column_type(prop_id id) const {
    return column(id).type;
}

template <typename T>
row_id basic_table<T>::row_id_at(row_number row) const {
    return load_le<std::uint32_t>(row_bytes(row), 0);
}

template class basic_table<std::uint16_t>;
template class basic_table<std::uint32_t>;

}  // namespace pstread
