#include "pstread/ndb/page.h"

#include <stdexcept>
#include <string>

#include "pstread/ndb/database.h"
#include "pstread/ndb/hex.h"

namespace pstread {

std::shared_ptr<db_context> page::lock_db() const {
    auto db = m_db.lock();
    if (!db) {
        throw std::logic_error("page " + to_hex(m_ref.bid) + " outlived its database");
    }
    return db;
}

std::shared_ptr<bt_page<node_id, node_info>> read_child_page(db_context& db,
                                                             const block_reference& ref,
                                                             std::type_identity<node_info>) {
    return db.read_nbt_page(ref);
}

std::shared_ptr<bt_page<block_id, block_info>> read_child_page(db_context& db,
                                                               const block_reference& ref,
                                                               std::type_identity<block_info>) {
    return db.read_bbt_page(ref);
}

std::shared_ptr<bt_page<node_id, node_info>> find_kept_page(db_context& db,
                                                            const block_reference& ref,
                                                            std::type_identity<node_info>) {
    return db.nbt_pages().find(ref);
}

std::shared_ptr<bt_page<block_id, block_info>> find_kept_page(db_context& db,
                                                              const block_reference& ref,
                                                              std::type_identity<block_info>) {
    return db.bbt_pages().find(ref);
}

void keep_page(db_context& db, std::shared_ptr<bt_page<node_id, node_info>> page) {
    db.nbt_pages().keep(std::move(page));
}

void keep_page(db_context& db, std::shared_ptr<bt_page<block_id, block_info>> page) {
    db.bbt_pages().keep(std::move(page));
}

void throw_bad_child_page(const page& parent, unsigned parent_level, const block_reference& child,
                          unsigned child_level, std::size_t child_entries) {
    throw database_corrupt("page " + to_hex(parent.get_page_id()) + " at " +
                           to_hex(parent.get_address()) + " of level " +
                           std::to_string(parent_level) + " has child page " + to_hex(child.bid) +
                           " at " + to_hex(child.ib) + " of level " + std::to_string(child_level) +
                           " with " + std::to_string(child_entries) + " entries");
}

}  // namespace pstread
