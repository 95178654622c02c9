#include "pstread/ndb/database_impl.h"

#include <algorithm>

#include "pstread/ndb/block_reader.h"
#include "pstread/ndb/crypt.h"
#include "pstread/ndb/page_reader.h"

namespace pstread {
namespace {

// The typed page readers accept only their tree's pages, and the leaf-only
// and non-leaf-only readers only that level; both faults have one message.
enum class level_rule { any, leaf, nonleaf };

void require_page_kind(const checked_page& page, std::uint8_t wanted, level_rule rule) {
    const bool level_ok =
        rule == level_rule::any || (rule == level_rule::leaf) == (page.level == 0);
    if (page.ptype != wanted || !level_ok) {
        throw unexpected_page(wanted == page_type_bbt ? "page_type != page_type_bbt"
                                                      : "page_type != page_type_nbt");
    }
}

}  // namespace

template <typename T>
database_impl<T>::database_impl(std::shared_ptr<const database_file> file)
    : m_file(std::move(file)), m_values(read_header<layout>(*m_file, m_header)) {
    m_data_bound = std::min(m_values.file_eof, m_file->size());
}

// ---------------------------------------------------------------------------
// The node and block B-trees

template <typename T>
node database_impl<T>::lookup_node(node_id nid) {
    return node(shared_from_this(), lookup_node_info(nid));
}

template <typename T>
node_info database_impl<T>::lookup_node_info(node_id nid) {
    return read_nbt_root()->find(nid);
}

template <typename T>
block_info database_impl<T>::lookup_block_info(block_id bid) {
    if (bid == 0) {
        return {};
    }
    return read_bbt_root()->find(bid & ~block_id_ignored_bit);
}

template <typename T>
std::shared_ptr<bbt_page> database_impl<T>::read_bbt_root() {
    if (!m_bbt_root) {
        m_bbt_root = read_bbt_page(m_values.bbt_root);
    }
    return m_bbt_root;
}

template <typename T>
std::shared_ptr<nbt_page> database_impl<T>::read_nbt_root() {
    if (!m_nbt_root) {
        m_nbt_root = read_nbt_page(m_values.nbt_root);
    }
    return m_nbt_root;
}

template <typename T>
std::shared_ptr<bbt_page> database_impl<T>::read_bbt_page(const block_reference& ref) {
    const checked_page page = read_checked_page<layout>(*m_file, m_values.file_eof, ref);
    require_page_kind(page, page_type_bbt, level_rule::any);
    return decode_bbt_page<layout>(page, weak_from_this());
}

template <typename T>
std::shared_ptr<nbt_page> database_impl<T>::read_nbt_page(const block_reference& ref) {
    const checked_page page = read_checked_page<layout>(*m_file, m_values.file_eof, ref);
    require_page_kind(page, page_type_nbt, level_rule::any);
    return decode_nbt_page<layout>(page, weak_from_this());
}

template <typename T>
std::shared_ptr<nbt_leaf_page> database_impl<T>::read_nbt_leaf_page(const block_reference& ref) {
    const checked_page page = read_checked_page<layout>(*m_file, m_values.file_eof, ref);
    require_page_kind(page, page_type_nbt, level_rule::leaf);
    return std::dynamic_pointer_cast<nbt_leaf_page>(
        decode_nbt_page<layout>(page, weak_from_this()));
}

template <typename T>
std::shared_ptr<bbt_leaf_page> database_impl<T>::read_bbt_leaf_page(const block_reference& ref) {
    const checked_page page = read_checked_page<layout>(*m_file, m_values.file_eof, ref);
    require_page_kind(page, page_type_bbt, level_rule::leaf);
    return std::dynamic_pointer_cast<bbt_leaf_page>(
        decode_bbt_page<layout>(page, weak_from_this()));
}

template <typename T>
std::shared_ptr<nbt_nonleaf_page> database_impl<T>::read_nbt_nonleaf_page(
    const block_reference& ref) {
    const checked_page page = read_checked_page<layout>(*m_file, m_values.file_eof, ref);
    require_page_kind(page, page_type_nbt, level_rule::nonleaf);
    return std::dynamic_pointer_cast<nbt_nonleaf_page>(
        decode_nbt_page<layout>(page, weak_from_this()));
}

template <typename T>
std::shared_ptr<bbt_nonleaf_page> database_impl<T>::read_bbt_nonleaf_page(
    const block_reference& ref) {
    const checked_page page = read_checked_page<layout>(*m_file, m_values.file_eof, ref);
    require_page_kind(page, page_type_bbt, level_rule::nonleaf);
    return std::dynamic_pointer_cast<bbt_nonleaf_page>(
        decode_bbt_page<layout>(page, weak_from_this()));
}

// ---------------------------------------------------------------------------
// Blocks for a known BBT entry

template <typename T>
std::shared_ptr<external_block> database_impl<T>::read_external_block(const shared_db_ptr& db,
                                                                      const block_info& bi) {
    if (bi.id == 0) {
        return std::make_shared<external_block>(db, bi, byte_buffer{});
    }
    if (is_internal_block_id(bi.id)) {
        throw unexpected_block("External BID expected");
    }
    byte_buffer data = read_checked_block<layout>(*m_file, m_values.file_eof, bi);
    decode_block_data(data, m_values.encoding, bi.id);
    return std::make_shared<external_block>(db, bi, std::move(data));
}

template <typename T>
std::shared_ptr<extended_block> database_impl<T>::read_extended_block(const shared_db_ptr& db,
                                                                      const block_info& bi) {
    if (!is_internal_block_id(bi.id)) {
        throw unexpected_block("internal bid expected");
    }
    return decode_extended_block<layout>(
        db, bi, read_checked_block<layout>(*m_file, m_values.file_eof, bi), m_data_bound);
}

template <typename T>
std::shared_ptr<data_block> database_impl<T>::read_data_block(const shared_db_ptr& db,
                                                              const block_info& bi) {
    if (!is_internal_block_id(bi.id)) {
        return read_external_block(db, bi);
    }
    const byte_buffer data = read_checked_block<layout>(*m_file, m_values.file_eof, bi);
    if (data.empty() || data[0] != block_type_extended) {
        throw unexpected_block("extended block expected");
    }
    return decode_extended_block<layout>(db, bi, data, m_data_bound);
}

template <typename T>
std::shared_ptr<block> database_impl<T>::read_block(const shared_db_ptr& db, const block_info& bi) {
    try {
        return read_data_block(db, bi);
    } catch (const unexpected_block&) {
        return read_subnode_block(db, bi);
    }
}

template <typename T>
std::shared_ptr<subnode_block> database_impl<T>::read_subnode_block(const shared_db_ptr& db,
                                                                    const block_info& bi) {
    if (bi.id == 0) {
        return std::make_shared<subnode_leaf_block>(db, bi, std::vector<subnode_info>{});
    }
    return decode_subnode_block<layout>(db, bi,
                                        read_checked_block<layout>(*m_file, m_values.file_eof, bi));
}

template <typename T>
std::shared_ptr<subnode_leaf_block> database_impl<T>::read_subnode_leaf_block(
    const shared_db_ptr& db, const block_info& bi) {
    auto leaf = std::dynamic_pointer_cast<subnode_leaf_block>(read_subnode_block(db, bi));
    if (!leaf) {
        throw unexpected_block("psub->level != 0");
    }
    return leaf;
}

template <typename T>
std::shared_ptr<subnode_nonleaf_block> database_impl<T>::read_subnode_nonleaf_block(
    const shared_db_ptr& db, const block_info& bi) {
    auto nonleaf = std::dynamic_pointer_cast<subnode_nonleaf_block>(read_subnode_block(db, bi));
    if (!nonleaf) {
        throw unexpected_block("psub->level == 1");
    }
    return nonleaf;
}

// ---------------------------------------------------------------------------
// Blocks by id: look the id up, then read the entry.

template <typename T>
std::shared_ptr<block> database_impl<T>::read_block(const shared_db_ptr& db, block_id bid) {
    return read_block(db, lookup_block_info(bid));
}

template <typename T>
std::shared_ptr<data_block> database_impl<T>::read_data_block(const shared_db_ptr& db,
                                                              block_id bid) {
    return read_data_block(db, lookup_block_info(bid));
}

template <typename T>
std::shared_ptr<extended_block> database_impl<T>::read_extended_block(const shared_db_ptr& db,
                                                                      block_id bid) {
    return read_extended_block(db, lookup_block_info(bid));
}

template <typename T>
std::shared_ptr<external_block> database_impl<T>::read_external_block(const shared_db_ptr& db,
                                                                      block_id bid) {
    return read_external_block(db, lookup_block_info(bid));
}

template <typename T>
std::shared_ptr<subnode_block> database_impl<T>::read_subnode_block(const shared_db_ptr& db,
                                                                    block_id bid) {
    return read_subnode_block(db, lookup_block_info(bid));
}

template <typename T>
std::shared_ptr<subnode_leaf_block> database_impl<T>::read_subnode_leaf_block(
    const shared_db_ptr& db, block_id bid) {
    return read_subnode_leaf_block(db, lookup_block_info(bid));
}

template <typename T>
std::shared_ptr<subnode_nonleaf_block> database_impl<T>::read_subnode_nonleaf_block(
    const shared_db_ptr& db, block_id bid) {
    return read_subnode_nonleaf_block(db, lookup_block_info(bid));
}

template class database_impl<std::uint32_t>;
template class database_impl<std::uint64_t>;

}  // namespace pstread
