#include "pstread/ndb/database_impl.h"

#include <algorithm>
#include <string>
#include <vector>

#include "pstread/ndb/crc.h"
#include "pstread/ndb/crypt.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/signature.h"

namespace pstread {
namespace {

std::string where(const char* what, block_id bid, std::uint64_t address) {
    return std::string(what) + " " + to_hex(bid) + " at " + to_hex(address);
}

// cEnt entries of `entry_size` bytes from `start` must fit in `available`
// bytes; checked before any entry is decoded.
void check_entry_count(const std::string& structure, std::size_t count, std::size_t entry_size,
                       std::size_t start, std::size_t available) {
    const std::size_t needed = start + count * entry_size;  // count < 2^16: no overflow
    if (needed > available) {
        throw database_corrupt(structure + ": cEnt " + std::to_string(count) + " needs " +
                               std::to_string(needed) + " bytes but only " +
                               std::to_string(available) + " are there");
    }
}

crypt_method crypt_method_from(std::uint64_t value) {
    switch (value) {
        case 1:
            return crypt_method::permute;
        case 2:
            return crypt_method::cyclic;
        default:
            return crypt_method::none;
    }
}

}  // namespace

template <typename T>
struct database_impl<T>::page_bytes {
    block_reference ref;
    std::array<std::uint8_t, page_size> bytes{};
    std::uint8_t ptype = 0;
    unsigned level = 0;
};

template <typename T>
database_impl<T>::database_impl(std::shared_ptr<const database_file> file)
    : m_file(std::move(file)) {
    m_file->read(m_header, 0);
    validate_header();
}

template <typename T>
void database_impl<T>::validate_header() {
    using H = typename layout::header;
    const std::span<const std::uint8_t> header(m_header);
    m_version = static_cast<std::uint16_t>(load_field(header, H::wVer));
    if (layout::unicode != (m_version >= first_unicode_version)) {
        throw invalid_format();
    }
    const std::uint32_t partial =
        compute_crc(header.subspan(H::crc_partial_start, H::crc_partial_length));
    const auto stored_partial = static_cast<std::uint32_t>(load_field(header, H::dwCRCPartial));
    if (partial != stored_partial) {
        throw crc_fail("header dwCRCPartial failure", 0, 0, partial, stored_partial);
    }
    if constexpr (layout::unicode) {
        const std::uint32_t full =
            compute_crc(header.subspan(H::crc_partial_start, H::crc_full_length));
        const auto stored_full = static_cast<std::uint32_t>(load_field(header, H::dwCRCFull));
        if (full != stored_full) {
            throw crc_fail("header dwCRCFull failure", 0, 0, full, stored_full);
        }
    }
    m_file_eof = load_field(header, H::ibFileEof);
    m_data_bound = std::min(m_file_eof, m_file->size());
    m_nbt_root_ref = {load_field(header, H::BREFNBT_bid), load_field(header, H::BREFNBT_ib)};
    m_bbt_root_ref = {load_field(header, H::BREFBBT_bid), load_field(header, H::BREFBBT_ib)};
    m_crypt_method = crypt_method_from(load_field(header, H::bCryptMethod));
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
        m_bbt_root = read_bbt_page(m_bbt_root_ref);
    }
    return m_bbt_root;
}

template <typename T>
std::shared_ptr<nbt_page> database_impl<T>::read_nbt_root() {
    if (!m_nbt_root) {
        m_nbt_root = read_nbt_page(m_nbt_root_ref);
    }
    return m_nbt_root;
}

template <typename T>
typename database_impl<T>::page_bytes database_impl<T>::read_page_bytes(
    const block_reference& ref) {
    using P = typename layout::page;
    if (!range_fits(ref.ib, page_size, m_file_eof)) {
        throw unexpected_page("nonsensical page location; past eof");
    }
    if (ref.ib % page_size != 0) {
        throw unexpected_page("nonsensical page location; not sector aligned");
    }
    page_bytes page;
    page.ref = ref;
    m_file->read(page.bytes, ref.ib);
    const std::span<const std::uint8_t> bytes(page.bytes);
    if (load_field(bytes, P::bid) != ref.bid) {
        throw unexpected_page("wrong page id");
    }
    page.ptype = static_cast<std::uint8_t>(load_field(bytes, P::ptype));
    if (page.ptype != load_field(bytes, P::ptypeRepeat)) {
        throw database_corrupt("ptype != ptype repeat?");
    }
    const std::uint16_t computed = compute_signature(ref.bid, ref.ib);
    const auto stored = static_cast<std::uint16_t>(load_field(bytes, P::wSig));
    if (computed != stored) {
        throw sig_mismatch("page sig mismatch", ref.ib, ref.bid, computed, stored);
    }
    // dwCRC is not verified.
    page.level = static_cast<unsigned>(load_field(bytes, P::cLevel));
    return page;
}

template <typename T>
template <typename K, typename V>
std::shared_ptr<bt_nonleaf_page<K, V>> database_impl<T>::build_nonleaf_page(
    const page_bytes& page) {
    using P = typename layout::page;
    using E = typename layout::btentry;
    const std::span<const std::uint8_t> bytes(page.bytes);
    const auto count = static_cast<std::size_t>(load_field(bytes, P::cEnt));
    check_entry_count(where("page", page.ref.bid, page.ref.ib), count, E::size, 0,
                      P::rgentries_size);
    std::vector<typename bt_nonleaf_page<K, V>::entry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = i * E::size;
        entries.push_back({static_cast<K>(load_field(bytes, E::btkey, base)),
                           {load_field(bytes, E::bid, base), load_field(bytes, E::ib, base)}});
    }
    return std::make_shared<bt_nonleaf_page<K, V>>(weak_from_this(), page.ref, page.level,
                                                   std::move(entries));
}

template <typename T>
std::shared_ptr<nbt_page> database_impl<T>::build_nbt_page(const page_bytes& page) {
    if (page.level > 0) {
        return build_nonleaf_page<node_id, node_info>(page);
    }
    using P = typename layout::page;
    using E = typename layout::nbtentry;
    const std::span<const std::uint8_t> bytes(page.bytes);
    const auto count = static_cast<std::size_t>(load_field(bytes, P::cEnt));
    check_entry_count(where("page", page.ref.bid, page.ref.ib), count, E::size, 0,
                      P::rgentries_size);
    std::vector<node_info> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = i * E::size;
        entries.push_back({static_cast<node_id>(load_field(bytes, E::nid, base)),
                           load_field(bytes, E::bidData, base), load_field(bytes, E::bidSub, base),
                           static_cast<node_id>(load_field(bytes, E::nidParent, base))});
    }
    return std::make_shared<nbt_leaf_page>(weak_from_this(), page.ref, std::move(entries));
}

template <typename T>
std::shared_ptr<bbt_page> database_impl<T>::build_bbt_page(const page_bytes& page) {
    if (page.level > 0) {
        return build_nonleaf_page<block_id, block_info>(page);
    }
    using P = typename layout::page;
    using E = typename layout::bbtentry;
    const std::span<const std::uint8_t> bytes(page.bytes);
    const auto count = static_cast<std::size_t>(load_field(bytes, P::cEnt));
    check_entry_count(where("page", page.ref.bid, page.ref.ib), count, E::size, 0,
                      P::rgentries_size);
    std::vector<block_info> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = i * E::size;
        entries.push_back({load_field(bytes, E::bid, base), load_field(bytes, E::ib, base),
                           static_cast<std::uint16_t>(load_field(bytes, E::cb, base)),
                           static_cast<std::uint16_t>(load_field(bytes, E::cRef, base))});
    }
    return std::make_shared<bbt_leaf_page>(weak_from_this(), page.ref, std::move(entries));
}

namespace {

// The typed page readers accept only their tree's pages, and the leaf-only
// and non-leaf-only readers only that level; both faults have one message.
enum class level_rule { any, leaf, nonleaf };

void require_page_kind(std::uint8_t ptype, unsigned level, std::uint8_t wanted, level_rule rule,
                       const char* message) {
    const bool level_ok = rule == level_rule::any || (rule == level_rule::leaf) == (level == 0);
    if (ptype != wanted || !level_ok) {
        throw unexpected_page(message);
    }
}

constexpr const char* not_bbt = "page_type != page_type_bbt";
constexpr const char* not_nbt = "page_type != page_type_nbt";

}  // namespace

template <typename T>
std::shared_ptr<bbt_page> database_impl<T>::read_bbt_page(const block_reference& ref) {
    const page_bytes page = read_page_bytes(ref);
    require_page_kind(page.ptype, page.level, page_type_bbt, level_rule::any, not_bbt);
    return build_bbt_page(page);
}

template <typename T>
std::shared_ptr<nbt_page> database_impl<T>::read_nbt_page(const block_reference& ref) {
    const page_bytes page = read_page_bytes(ref);
    require_page_kind(page.ptype, page.level, page_type_nbt, level_rule::any, not_nbt);
    return build_nbt_page(page);
}

template <typename T>
std::shared_ptr<nbt_leaf_page> database_impl<T>::read_nbt_leaf_page(const block_reference& ref) {
    const page_bytes page = read_page_bytes(ref);
    require_page_kind(page.ptype, page.level, page_type_nbt, level_rule::leaf, not_nbt);
    return std::dynamic_pointer_cast<nbt_leaf_page>(build_nbt_page(page));
}

template <typename T>
std::shared_ptr<bbt_leaf_page> database_impl<T>::read_bbt_leaf_page(const block_reference& ref) {
    const page_bytes page = read_page_bytes(ref);
    require_page_kind(page.ptype, page.level, page_type_bbt, level_rule::leaf, not_bbt);
    return std::dynamic_pointer_cast<bbt_leaf_page>(build_bbt_page(page));
}

template <typename T>
std::shared_ptr<nbt_nonleaf_page> database_impl<T>::read_nbt_nonleaf_page(
    const block_reference& ref) {
    const page_bytes page = read_page_bytes(ref);
    require_page_kind(page.ptype, page.level, page_type_nbt, level_rule::nonleaf, not_nbt);
    return build_nonleaf_page<node_id, node_info>(page);
}

template <typename T>
std::shared_ptr<bbt_nonleaf_page> database_impl<T>::read_bbt_nonleaf_page(
    const block_reference& ref) {
    const page_bytes page = read_page_bytes(ref);
    require_page_kind(page.ptype, page.level, page_type_bbt, level_rule::nonleaf, not_bbt);
    return build_nonleaf_page<block_id, block_info>(page);
}

// ---------------------------------------------------------------------------
// Blocks

template <typename T>
byte_buffer database_impl<T>::read_block_bytes(const block_info& bi) {
    using BT = typename layout::block_trailer;
    const std::size_t unaligned = std::size_t{bi.size} + BT::size;
    const std::size_t aligned =
        (unaligned + block_alignment - 1) / block_alignment * block_alignment;
    if (aligned > max_block_disk_size) {
        throw unexpected_block("nonsensical block size");
    }
    if (!range_fits(bi.address, aligned, m_file_eof)) {
        throw unexpected_block("nonsensical block location; past eof");
    }
    byte_buffer bytes(aligned);
    m_file->read(bytes, bi.address);
    const std::size_t trailer = aligned - BT::size;
    if (load_field(bytes, BT::bid, trailer) != bi.id) {
        throw unexpected_block("wrong block id");
    }
    if (load_field(bytes, BT::cb, trailer) != bi.size) {
        throw unexpected_block("wrong block size");
    }
    const std::uint16_t computed = compute_signature(bi.id, bi.address);
    const auto stored = static_cast<std::uint16_t>(load_field(bytes, BT::wSig, trailer));
    if (computed != stored) {
        throw sig_mismatch("block sig mismatch", bi.address, bi.id, computed, stored);
    }
    // dwCRC is not verified. Padding and trailer are of no further use.
    bytes.resize(bi.size);
    return bytes;
}

template <typename T>
std::shared_ptr<external_block> database_impl<T>::read_external_block(const shared_db_ptr& db,
                                                                      const block_info& bi) {
    if (bi.id == 0) {
        return std::make_shared<external_block>(db, bi, byte_buffer{});
    }
    if (is_internal_block_id(bi.id)) {
        throw unexpected_block("External BID expected");
    }
    byte_buffer bytes = read_block_bytes(bi);
    decode_block_data(bytes, m_crypt_method, bi.id);
    return std::make_shared<external_block>(db, bi, std::move(bytes));
}

template <typename T>
std::shared_ptr<extended_block> database_impl<T>::build_extended_block(const shared_db_ptr& db,
                                                                       const block_info& bi,
                                                                       const byte_buffer& bytes) {
    using X = typename layout::xblock;
    const std::string self = where("extended block", bi.id, bi.address);
    if (bytes.size() < X::rgbid) {
        throw database_corrupt(self + " has only " + std::to_string(bytes.size()) + " bytes");
    }
    if (load_field(bytes, X::btype) != block_type_extended) {
        throw unexpected_block("extended block expected");
    }
    const auto level = static_cast<unsigned>(load_field(bytes, X::cLevel));
    if (level != 1 && level != 2) {
        throw database_corrupt(self + " has cLevel " + std::to_string(level));
    }
    const auto count = static_cast<std::size_t>(load_field(bytes, X::cEnt));
    check_entry_count(self, count, layout::id_size, X::rgbid, bytes.size());
    const std::uint64_t total = load_field(bytes, X::lcbTotal);
    if (total > m_data_bound) {
        throw database_corrupt(self + " claims " + std::to_string(total) +
                               " bytes, more than the file's " + std::to_string(m_data_bound));
    }
    std::vector<block_id> ids;
    ids.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        ids.push_back(load_le(bytes, X::rgbid + i * layout::id_size, layout::id_size));
    }
    return std::make_shared<extended_block>(db, bi, level, total, std::move(ids));
}

template <typename T>
std::shared_ptr<extended_block> database_impl<T>::read_extended_block(const shared_db_ptr& db,
                                                                      const block_info& bi) {
    if (!is_internal_block_id(bi.id)) {
        throw unexpected_block("internal bid expected");
    }
    return build_extended_block(db, bi, read_block_bytes(bi));
}

template <typename T>
std::shared_ptr<data_block> database_impl<T>::read_data_block(const shared_db_ptr& db,
                                                              const block_info& bi) {
    if (!is_internal_block_id(bi.id)) {
        return read_external_block(db, bi);
    }
    const byte_buffer bytes = read_block_bytes(bi);
    if (bytes.empty() || bytes[0] != block_type_extended) {
        throw unexpected_block("extended block expected");
    }
    return build_extended_block(db, bi, bytes);
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
std::shared_ptr<subnode_block> database_impl<T>::build_subnode_block(const shared_db_ptr& db,
                                                                     const block_info& bi,
                                                                     const byte_buffer& bytes) {
    using S = typename layout::sblock;
    const std::string self = where("subnode block", bi.id, bi.address);
    if (bytes.size() < S::rgentries) {
        throw database_corrupt(self + " has only " + std::to_string(bytes.size()) + " bytes");
    }
    const auto level = static_cast<unsigned>(load_field(bytes, S::cLevel));
    const auto count = static_cast<std::size_t>(load_field(bytes, S::cEnt));
    if (level == 0) {
        using E = typename layout::slentry;
        check_entry_count(self, count, E::size, S::rgentries, bytes.size());
        std::vector<subnode_info> entries;
        entries.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t base = S::rgentries + i * E::size;
            entries.push_back({static_cast<node_id>(load_field(bytes, E::nid, base)),
                               load_field(bytes, E::bidData, base),
                               load_field(bytes, E::bidSub, base)});
        }
        return std::make_shared<subnode_leaf_block>(db, bi, std::move(entries));
    }
    using E = typename layout::sientry;
    check_entry_count(self, count, E::size, S::rgentries, bytes.size());
    std::vector<subnode_nonleaf_block::entry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = S::rgentries + i * E::size;
        entries.push_back({static_cast<node_id>(load_field(bytes, E::nid, base)),
                           load_field(bytes, E::bid, base)});
    }
    return std::make_shared<subnode_nonleaf_block>(db, bi, level, std::move(entries));
}

template <typename T>
std::shared_ptr<subnode_block> database_impl<T>::read_subnode_block(const shared_db_ptr& db,
                                                                    const block_info& bi) {
    if (bi.id == 0) {
        return std::make_shared<subnode_leaf_block>(db, bi, std::vector<subnode_info>{});
    }
    return build_subnode_block(db, bi, read_block_bytes(bi));
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

// ---------------------------------------------------------------------------
// Opening

shared_db_ptr open_database(std::shared_ptr<const database_file> file) {
    try {
        return std::make_shared<database_impl<std::uint32_t>>(file);
    } catch (const invalid_format&) {
        // A Unicode file: try again with the other layout.
    }
    return std::make_shared<database_impl<std::uint64_t>>(std::move(file));
}

shared_db_ptr open_database(const std::string& path) {
    return open_database(std::make_shared<const database_file>(path));
}

}  // namespace pstread
