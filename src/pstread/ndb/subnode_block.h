// Subnode trees ([MS-PST] 2.2.2.8.3.3): SLBLOCKs (leaves, entries are
// subnodes) and SIBLOCKs (non-leaf, entries point to SLBLOCKs), presented as
// B-tree nodes keyed by node id.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "pstread/ndb/block.h"
#include "pstread/ndb/btree_node.h"
#include "pstread/ndb/types.h"

namespace pstread {

inline node_id btree_key_of(const subnode_info& info) {
    return info.id;
}

class subnode_block : public block, public virtual btree_node<node_id, subnode_info> {
public:
    using block::block;
    // cLevel: 0 for an SLBLOCK, else the height above the leaves.
    virtual unsigned get_level() const = 0;
};

class subnode_leaf_block : public subnode_block, public btree_node_leaf<node_id, subnode_info> {
public:
    subnode_leaf_block(std::shared_ptr<db_context> db, const block_info& info,
                       std::vector<subnode_info> entries)
        : subnode_block(std::move(db), info), m_entries(std::move(entries)) {}

    subnode_info value_at(std::size_t position) const override { return m_entries.at(position); }
    node_id key_at(std::size_t position) const override { return m_entries.at(position).id; }
    std::size_t value_count() const override { return m_entries.size(); }
    unsigned get_level() const override { return 0; }

private:
    std::vector<subnode_info> m_entries;
};

class subnode_nonleaf_block : public subnode_block,
                              public btree_node_nonleaf<node_id, subnode_info> {
public:
    struct entry {
        node_id key;
        block_id bid;
    };

    subnode_nonleaf_block(std::shared_ptr<db_context> db, const block_info& info, unsigned level,
                          std::vector<entry> entries)
        : subnode_block(std::move(db), info),
          m_level(level),
          m_entries(std::move(entries)),
          m_child_blocks(m_entries.size()) {}

    node_id key_at(std::size_t position) const override { return m_entries.at(position).key; }
    std::size_t value_count() const override { return m_entries.size(); }
    unsigned get_level() const override { return m_level; }

    block_id get_child_id(std::size_t position) const { return m_entries.at(position).bid; }
    const btree_node<node_id, subnode_info>& child_at(std::size_t position) const override;
    // The child block at `position`, loaded on first use and kept. Its level
    // must be one below this block's and it must hold entries.
    const std::shared_ptr<subnode_block>& get_child(std::size_t position) const;

private:
    unsigned m_level;
    std::vector<entry> m_entries;
    mutable std::vector<std::shared_ptr<subnode_block>> m_child_blocks;
};

}  // namespace pstread
