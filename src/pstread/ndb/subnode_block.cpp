#include "pstread/ndb/subnode_block.h"

#include <string>

#include "pstread/ndb/database.h"
#include "pstread/ndb/hex.h"

namespace pstread {

const btree_node<node_id, subnode_info>& subnode_nonleaf_block::child_at(
    std::size_t position) const {
    return *get_child(position);
}

const std::shared_ptr<subnode_block>& subnode_nonleaf_block::get_child(std::size_t position) const {
    auto& slot = m_child_blocks.at(position);
    if (!slot) {
        const block_id bid = m_entries[position].bid;
        auto child = m_db->read_subnode_block(m_db, bid);
        if (child->get_level() + 1 != m_level || child->value_count() == 0) {
            throw database_corrupt("subnode block " + to_hex(get_id()) + " of level " +
                                   std::to_string(m_level) + " has child " + to_hex(bid) +
                                   " of level " + std::to_string(child->get_level()) + " with " +
                                   std::to_string(child->value_count()) + " entries");
        }
        slot = std::move(child);
    }
    return slot;
}

}  // namespace pstread
