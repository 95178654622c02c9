// Nodes ([MS-PST] 2.2.2.1, 2.4.1): the unit the upper layers read. A node is
// a byte range (its data tree) plus an optional tree of subnodes, each again
// a node. `node` is a light handle; copies share one `node_impl` and so its
// loaded blocks.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "pstread/ndb/block.h"
#include "pstread/ndb/btree_node.h"
#include "pstread/ndb/subnode_block.h"
#include "pstread/ndb/types.h"

namespace pstread {

class db_context;

// How deeply subnodes may nest inside subnodes (an attachment holding a
// message holding an attachment ... takes two levels per message).
constexpr unsigned max_subnode_nesting = 256;

class node_impl : public std::enable_shared_from_this<node_impl> {
public:
    // A top-level node from its node B-tree entry.
    node_impl(std::shared_ptr<db_context> db, const node_info& info);
    // A subnode of `container` from its subnode tree entry. Its parent id is
    // 0. Throws database_corrupt when it would nest too deeply or when its
    // subnode tree is one of its containers' (a cycle).
    node_impl(std::shared_ptr<node_impl> container, const subnode_info& info);

    node_id get_id() const { return m_id; }
    block_id get_data_id() const { return m_original_data_id; }
    block_id get_sub_id() const { return m_original_sub_id; }
    node_id get_parent_id() const { return m_parent_id; }
    node_id get_original_parent_id() const { return m_original_parent_id; }
    const std::shared_ptr<db_context>& get_db() const { return m_db; }
    const std::shared_ptr<node_impl>& get_container() const { return m_container; }

    // The blocks, loaded on first use and kept; a failed load is retried on
    // the next use.
    const std::shared_ptr<data_block>& ensure_data_block();
    const std::shared_ptr<subnode_block>& ensure_sub_block();

private:
    node_id m_id;
    block_id m_original_data_id;
    block_id m_original_sub_id;
    node_id m_original_parent_id;
    std::shared_ptr<data_block> m_data;
    std::shared_ptr<subnode_block> m_sub;
    node_id m_parent_id;
    std::shared_ptr<node_impl> m_container;
    std::shared_ptr<db_context> m_db;
    unsigned m_nesting = 0;
};

class node {
public:
    explicit node(std::shared_ptr<node_impl> impl) : m_pimpl(std::move(impl)) {}
    node(std::shared_ptr<db_context> db, const node_info& info);

    node_id get_id() const { return m_pimpl->get_id(); }
    block_id get_data_id() const { return m_pimpl->get_data_id(); }
    block_id get_sub_id() const { return m_pimpl->get_sub_id(); }
    node_id get_parent_id() const { return m_pimpl->get_parent_id(); }

    // Total byte count of the node's data.
    std::uint64_t size() const;
    // Pages of the data tree: one per external block (1 for a single block).
    std::size_t get_page_count() const;
    // Byte count of one page.
    std::size_t get_page_size(std::size_t page) const;

    // Fills `buffer` from `offset` of the whole range; returns the bytes
    // copied (fewer at the end). database_corrupt for a non-empty buffer at
    // or past the end.
    std::size_t read(std::span<std::uint8_t> buffer, std::uint64_t offset) const;
    // The same within one page.
    std::size_t read(std::span<std::uint8_t> buffer, std::size_t page, std::uint64_t offset) const;

    // One little-endian integer, in the whole range or within one page.
    template <std::integral T>
    T read(std::uint64_t offset) const {
        return data().read<T>(offset);
    }
    template <std::integral T>
    T read(std::size_t page, std::uint64_t offset) const {
        return get_page(page)->read<T>(offset);
    }

    // The whole data, and the whole of one page.
    byte_buffer read_all() const;
    byte_buffer read_page(std::size_t page) const;
    // The external block holding one page; its get_data() views the bytes
    // for as long as the block is held.
    std::shared_ptr<external_block> get_page(std::size_t page) const;

    // The subnode with id `nid`; throws key_not_found<node_id>.
    node lookup(node_id nid) const;
    // The same, or nothing when there is no such subnode.
    std::optional<node> try_lookup(node_id nid) const;
    // The subnode described by an entry of this node's subnode tree (as
    // walked with subnodes()), without searching for it.
    node subnode(const subnode_info& info) const;
    // This node's subnode tree entries in id order.
    btree_range<node_id, subnode_info> subnodes() const;

    std::shared_ptr<data_block> get_data_block() const { return m_pimpl->ensure_data_block(); }
    std::shared_ptr<subnode_block> get_subnode_block() const { return m_pimpl->ensure_sub_block(); }
    const std::shared_ptr<node_impl>& get_impl() const { return m_pimpl; }

private:
    data_block& data() const { return *m_pimpl->ensure_data_block(); }

    std::shared_ptr<node_impl> m_pimpl;
};

}  // namespace pstread
