// The database for one variant: T is the on-disk width of ids and offsets,
// std::uint32_t for ANSI files and std::uint64_t for Unicode files.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "pstread/ndb/database.h"
#include "pstread/ndb/disk_layout.h"
#include "pstread/ndb/header.h"

namespace pstread {

template <typename T>
class database_impl : public db_context {
public:
    using layout = typename layout_for<T>::type;

    // Reads and validates the header. Throws invalid_format when the file is
    // of the other variant, crc_fail on a header checksum mismatch and
    // database_corrupt "not a PST file (...)" for a file too short or
    // without the header's signature.
    explicit database_impl(std::shared_ptr<const database_file> file);

    std::uint16_t get_format_version() const override { return m_values.version; }

    node lookup_node(node_id nid) override;
    node_info lookup_node_info(node_id nid) override;
    block_info lookup_block_info(block_id bid) override;

    std::shared_ptr<bbt_page> read_bbt_root() override;
    std::shared_ptr<nbt_page> read_nbt_root() override;
    std::shared_ptr<bbt_page> read_bbt_page(const block_reference& ref) override;
    std::shared_ptr<nbt_page> read_nbt_page(const block_reference& ref) override;
    std::shared_ptr<nbt_leaf_page> read_nbt_leaf_page(const block_reference& ref) override;
    std::shared_ptr<bbt_leaf_page> read_bbt_leaf_page(const block_reference& ref) override;
    std::shared_ptr<nbt_nonleaf_page> read_nbt_nonleaf_page(const block_reference& ref) override;
    std::shared_ptr<bbt_nonleaf_page> read_bbt_nonleaf_page(const block_reference& ref) override;

    std::shared_ptr<block> read_block(const shared_db_ptr& db, block_id bid) override;
    std::shared_ptr<data_block> read_data_block(const shared_db_ptr& db, block_id bid) override;
    std::shared_ptr<extended_block> read_extended_block(const shared_db_ptr& db,
                                                        block_id bid) override;
    std::shared_ptr<external_block> read_external_block(const shared_db_ptr& db,
                                                        block_id bid) override;
    std::shared_ptr<subnode_block> read_subnode_block(const shared_db_ptr& db,
                                                      block_id bid) override;
    std::shared_ptr<subnode_leaf_block> read_subnode_leaf_block(const shared_db_ptr& db,
                                                                block_id bid) override;
    std::shared_ptr<subnode_nonleaf_block> read_subnode_nonleaf_block(const shared_db_ptr& db,
                                                                      block_id bid) override;

    std::shared_ptr<block> read_block(const shared_db_ptr& db, const block_info& bi) override;
    std::shared_ptr<data_block> read_data_block(const shared_db_ptr& db,
                                                const block_info& bi) override;
    std::shared_ptr<extended_block> read_extended_block(const shared_db_ptr& db,
                                                        const block_info& bi) override;
    std::shared_ptr<external_block> read_external_block(const shared_db_ptr& db,
                                                        const block_info& bi) override;
    std::shared_ptr<subnode_block> read_subnode_block(const shared_db_ptr& db,
                                                      const block_info& bi) override;
    std::shared_ptr<subnode_leaf_block> read_subnode_leaf_block(const shared_db_ptr& db,
                                                                const block_info& bi) override;
    std::shared_ptr<subnode_nonleaf_block> read_subnode_nonleaf_block(
        const shared_db_ptr& db, const block_info& bi) override;

    bool is_unicode() const override { return layout::unicode; }
    crypt_method get_crypt_method() const override { return m_values.encoding; }
    std::uint64_t get_file_eof() const override { return m_values.file_eof; }
    const database_file& get_file() const override { return *m_file; }

private:
    std::shared_ptr<const database_file> m_file;
    // The header as read, kept whole; only the fields below are used.
    std::array<std::uint8_t, layout::header::size> m_header{};
    header_values m_values;
    // No tree of blocks can hold more bytes than the file does.
    std::uint64_t m_data_bound = 0;
    std::shared_ptr<bbt_page> m_bbt_root;
    std::shared_ptr<nbt_page> m_nbt_root;
};

extern template class database_impl<std::uint32_t>;
extern template class database_impl<std::uint64_t>;

}  // namespace pstread
