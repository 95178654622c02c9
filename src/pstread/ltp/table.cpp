#include "pstread/ltp/table.h"

#include <stdexcept>
#include <string>

#include "pstread/ltp/basic_table.h"
#include "pstread/ltp/heap.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {
namespace {

// The node id of the table that [MS-PST] leaves undocumented.
constexpr node_id gust_table_node = 0x730;

// TCINFO.hidRowIndex, and cbEnt of the row index's BTHHEADER.
constexpr std::size_t tcinfo_hidRowIndex = 10;
constexpr std::size_t bth_header_cbEnt = 2;

std::shared_ptr<table_impl> open_table(const node& n) {
    if (n.get_id() == gust_table_node) {
        throw not_implemented("gust table");
    }
    const auto heap = std::make_shared<heap_impl>(n);
    if (heap->get_client_signature() != heap_client_tc) {
        throw sig_mismatch("invalid client_sig", 0, n.get_id(), heap->get_client_signature(),
                           heap_client_tc);
    }
    const auto tcinfo = heap->view(heap->get_root_id());
    const auto index_header = heap->view(load_le<heap_id>(tcinfo, tcinfo_hidRowIndex));
    if (load_le<std::uint8_t>(index_header, bth_header_cbEnt) == sizeof(std::uint32_t)) {
        return std::make_shared<basic_table<std::uint32_t>>(heap);
    }
    return std::make_shared<basic_table<std::uint16_t>>(heap);
}

}  // namespace

table::table(const node& n) : m_impl(open_table(n)) {}

const_table_row table::operator[](row_number row) const {
    if (row >= m_impl->size()) {
        throw std::out_of_range("row >= size()");
    }
    return const_table_row(row, m_impl);
}

std::vector<prop_id> const_table_row::property_ids() const {
    std::vector<prop_id> ids;
    for (const prop_id id : m_table->column_ids()) {
        if (m_table->cell_exists(m_row, id)) {
            ids.push_back(id);
        }
    }
    return ids;
}

}  // namespace pstread
