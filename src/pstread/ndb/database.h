// The database of one opened PST file: the single entry point through which
// everything else reads it. Open with open_database; the result is always
// owned through a shared reference, and every page, block and node read from
// it keeps it alive (pages only weakly).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pstread/ndb/block.h"
#include "pstread/ndb/btree_node.h"
#include "pstread/ndb/database_file.h"
#include "pstread/ndb/node.h"
#include "pstread/ndb/page.h"
#include "pstread/ndb/page_cache.h"
#include "pstread/ndb/subnode_block.h"
#include "pstread/ndb/types.h"

namespace pstread {

class db_context;
using shared_db_ptr = std::shared_ptr<db_context>;

class db_context : public std::enable_shared_from_this<db_context> {
public:
    virtual ~db_context() = default;

    // wVer of the header; Unicode files have 20 or more.
    virtual std::uint16_t get_format_version() const = 0;

    // The top-level node `nid`; throws key_not_found<node_id>.
    virtual node lookup_node(node_id nid) = 0;
    virtual node_info lookup_node_info(node_id nid) = 0;
    // The BBT entry of `bid` (bit 0 ignored); bid 0 gives the all-zero entry
    // without reading. Throws key_not_found<block_id>.
    virtual block_info lookup_block_info(block_id bid) = 0;

    // The B-tree roots, read on first use and kept.
    virtual std::shared_ptr<bbt_page> read_bbt_root() = 0;
    virtual std::shared_ptr<nbt_page> read_nbt_root() = 0;
    // One validated page, leaf or non-leaf, or of the kind the name fixes.
    virtual std::shared_ptr<bbt_page> read_bbt_page(const block_reference& ref) = 0;
    virtual std::shared_ptr<nbt_page> read_nbt_page(const block_reference& ref) = 0;
    virtual std::shared_ptr<nbt_leaf_page> read_nbt_leaf_page(const block_reference& ref) = 0;
    virtual std::shared_ptr<bbt_leaf_page> read_bbt_leaf_page(const block_reference& ref) = 0;
    virtual std::shared_ptr<nbt_nonleaf_page> read_nbt_nonleaf_page(const block_reference& ref) = 0;
    virtual std::shared_ptr<bbt_nonleaf_page> read_bbt_nonleaf_page(const block_reference& ref) = 0;

    // Blocks by id (looked up in the BBT). `db` is the reference the new
    // block keeps.
    virtual std::shared_ptr<block> read_block(const shared_db_ptr& db, block_id bid) = 0;
    virtual std::shared_ptr<data_block> read_data_block(const shared_db_ptr& db, block_id bid) = 0;
    virtual std::shared_ptr<extended_block> read_extended_block(const shared_db_ptr& db,
                                                                block_id bid) = 0;
    virtual std::shared_ptr<external_block> read_external_block(const shared_db_ptr& db,
                                                                block_id bid) = 0;
    virtual std::shared_ptr<subnode_block> read_subnode_block(const shared_db_ptr& db,
                                                              block_id bid) = 0;
    virtual std::shared_ptr<subnode_leaf_block> read_subnode_leaf_block(const shared_db_ptr& db,
                                                                        block_id bid) = 0;
    virtual std::shared_ptr<subnode_nonleaf_block> read_subnode_nonleaf_block(
        const shared_db_ptr& db, block_id bid) = 0;

    // The same for a known BBT entry.
    virtual std::shared_ptr<block> read_block(const shared_db_ptr& db, const block_info& bi) = 0;
    virtual std::shared_ptr<data_block> read_data_block(const shared_db_ptr& db,
                                                        const block_info& bi) = 0;
    virtual std::shared_ptr<extended_block> read_extended_block(const shared_db_ptr& db,
                                                                const block_info& bi) = 0;
    virtual std::shared_ptr<external_block> read_external_block(const shared_db_ptr& db,
                                                                const block_info& bi) = 0;
    virtual std::shared_ptr<subnode_block> read_subnode_block(const shared_db_ptr& db,
                                                              const block_info& bi) = 0;
    virtual std::shared_ptr<subnode_leaf_block> read_subnode_leaf_block(const shared_db_ptr& db,
                                                                        const block_info& bi) = 0;
    virtual std::shared_ptr<subnode_nonleaf_block> read_subnode_nonleaf_block(
        const shared_db_ptr& db, const block_info& bi) = 0;

    // Header facts.
    virtual bool is_unicode() const = 0;
    // bCryptMethod; values other than 1 and 2 read as none.
    virtual crypt_method get_crypt_method() const = 0;
    // root.ibFileEof: no page or block is read past it.
    virtual std::uint64_t get_file_eof() const = 0;
    virtual const database_file& get_file() const = 0;

    // All entries of the node and block B-trees in key order.
    btree_range<node_id, node_info> node_infos() {
        return btree_range<node_id, node_info>(read_nbt_root());
    }
    btree_range<block_id, block_info> block_infos() {
        return btree_range<block_id, block_info>(read_bbt_root());
    }

    // The recently used pages of the node and block B-trees below their
    // roots; the only pages the database keeps besides the two roots.
    page_cache<nbt_page>& nbt_pages() { return m_nbt_pages; }
    page_cache<bbt_page>& bbt_pages() { return m_bbt_pages; }

private:
    page_cache<nbt_page> m_nbt_pages;
    page_cache<bbt_page> m_bbt_pages;
};

// Opens a PST file read-only: as ANSI first, as Unicode when the header says
// so (invalid_format). Other failures propagate: std::runtime_error with the
// system's text when the file cannot be opened, database_corrupt "not a PST
// file (...)", crc_fail.
shared_db_ptr open_database(const std::string& path);
// The same over an already opened file (for example one held in memory).
shared_db_ptr open_database(std::shared_ptr<const database_file> file);

}  // namespace pstread
