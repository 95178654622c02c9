#include "pstread/ndb/node.h"

#include <string>

#include "pstread/ndb/database.h"
#include "pstread/ndb/hex.h"

namespace pstread {
namespace {

bool same_block(block_id a, block_id b) {
    return (a & ~block_id_ignored_bit) == (b & ~block_id_ignored_bit);
}

}  // namespace

node_impl::node_impl(std::shared_ptr<db_context> db, const node_info& info)
    : m_id(info.id),
      m_original_data_id(info.data_bid),
      m_original_sub_id(info.subnode_bid),
      m_original_parent_id(info.parent_id),
      m_parent_id(info.parent_id),
      m_db(std::move(db)) {}

node_impl::node_impl(std::shared_ptr<node_impl> container, const subnode_info& info)
    : m_id(info.id),
      m_original_data_id(info.data_bid),
      m_original_sub_id(info.subnode_bid),
      m_original_parent_id(0),
      m_parent_id(0),
      m_container(std::move(container)),
      m_db(m_container->m_db),
      m_nesting(m_container->m_nesting + 1) {
    if (m_nesting > max_subnode_nesting) {
        throw database_corrupt("subnode " + to_hex(m_id) + " nested deeper than " +
                               std::to_string(max_subnode_nesting) + " levels");
    }
    if (m_original_sub_id == 0) {
        return;
    }
    for (const node_impl* outer = m_container.get(); outer; outer = outer->m_container.get()) {
        if (same_block(outer->m_original_sub_id, m_original_sub_id)) {
            throw database_corrupt("subnode " + to_hex(m_id) + " of node " +
                                   to_hex(m_container->m_id) + " reuses the subnode tree " +
                                   to_hex(m_original_sub_id) + " of a containing node");
        }
    }
}

const std::shared_ptr<data_block>& node_impl::ensure_data_block() {
    if (!m_data) {
        m_data = m_db->read_data_block(m_db, m_original_data_id);
    }
    return m_data;
}

const std::shared_ptr<subnode_block>& node_impl::ensure_sub_block() {
    if (!m_sub) {
        m_sub = m_db->read_subnode_block(m_db, m_original_sub_id);
    }
    return m_sub;
}

node::node(std::shared_ptr<db_context> db, const node_info& info)
    : m_pimpl(std::make_shared<node_impl>(std::move(db), info)) {}

std::uint64_t node::size() const {
    return data().get_total_size();
}

std::size_t node::get_page_count() const {
    return data().get_page_count();
}

std::size_t node::get_page_size(std::size_t page) const {
    return static_cast<std::size_t>(get_page(page)->get_total_size());
}

std::size_t node::read(std::span<std::uint8_t> buffer, std::uint64_t offset) const {
    return data().read(buffer, offset);
}

std::size_t node::read(std::span<std::uint8_t> buffer, std::size_t page,
                       std::uint64_t offset) const {
    return get_page(page)->read(buffer, offset);
}

byte_buffer node::read_all() const {
    data_block& block = data();
    // The size is bounded by the file when the data tree is read, so this
    // allocation is too.
    byte_buffer bytes(static_cast<std::size_t>(block.get_total_size()));
    if (!bytes.empty() && block.read(bytes, 0) != bytes.size()) {
        throw database_corrupt("short read of node " + to_hex(get_id()));
    }
    return bytes;
}

byte_buffer node::read_page(std::size_t page) const {
    const auto block = get_page(page);
    const auto bytes = block->get_data();
    return byte_buffer(bytes.begin(), bytes.end());
}

std::shared_ptr<external_block> node::get_page(std::size_t page) const {
    return data().get_page(page);
}

node node::lookup(node_id nid) const {
    return subnode(m_pimpl->ensure_sub_block()->find(nid));
}

std::optional<node> node::try_lookup(node_id nid) const {
    if (const auto info = m_pimpl->ensure_sub_block()->try_find(nid)) {
        return subnode(*info);
    }
    return std::nullopt;
}

node node::subnode(const subnode_info& info) const {
    return node(std::make_shared<node_impl>(m_pimpl, info));
}

btree_range<node_id, subnode_info> node::subnodes() const {
    return btree_range<node_id, subnode_info>(m_pimpl->ensure_sub_block());
}

}  // namespace pstread
