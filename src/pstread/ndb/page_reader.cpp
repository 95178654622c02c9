#include "pstread/ndb/page_reader.h"

#include <string>
#include <vector>

#include "pstread/ndb/entry_count.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/signature.h"
#include "pstread/ndb/truncation.h"

namespace pstread {
namespace {

template <typename Layout>
std::size_t checked_entry_count(const checked_page& page, std::size_t entry_size) {
    using P = typename Layout::page;
    const auto count = static_cast<std::size_t>(load_field(page.bytes, P::cEnt));
    check_entry_count("page " + to_hex(page.ref.bid) + " at " + to_hex(page.ref.ib), count,
                      entry_size, 0, P::rgentries_size);
    return count;
}

template <typename Layout, typename K, typename V>
std::shared_ptr<bt_nonleaf_page<K, V>> decode_nonleaf_page(const checked_page& page,
                                                           std::weak_ptr<db_context> db) {
    using E = typename Layout::btentry;
    const std::size_t count = checked_entry_count<Layout>(page, E::size);
    std::vector<typename bt_nonleaf_page<K, V>::entry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = i * E::size;
        entries.push_back(
            {static_cast<K>(load_field(page.bytes, E::btkey, base)),
             {load_field(page.bytes, E::bid, base), load_field(page.bytes, E::ib, base)}});
    }
    return std::make_shared<bt_nonleaf_page<K, V>>(std::move(db), page.ref, page.level,
                                                   std::move(entries));
}

}  // namespace

template <typename Layout>
checked_page read_checked_page(const database_file& file, std::uint64_t file_eof,
                               const block_reference& ref) {
    using P = typename Layout::page;
    if (!range_fits(ref.ib, page_size, file_eof)) {
        throw unexpected_page("nonsensical page location; past eof");
    }
    if (ref.ib % page_size != 0) {
        throw unexpected_page("nonsensical page location; not sector aligned");
    }
    require_inside_file(file, file_eof, "page", ref.bid, ref.ib, page_size);
    checked_page page;
    page.ref = ref;
    file.read(page.bytes, ref.ib);
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
    page.level = static_cast<unsigned>(load_field(bytes, P::cLevel));
    return page;
}

template <typename Layout>
std::shared_ptr<nbt_page> decode_nbt_page(const checked_page& page, std::weak_ptr<db_context> db) {
    if (page.level > 0) {
        return decode_nonleaf_page<Layout, node_id, node_info>(page, std::move(db));
    }
    using E = typename Layout::nbtentry;
    const std::size_t count = checked_entry_count<Layout>(page, E::size);
    std::vector<node_info> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = i * E::size;
        entries.push_back({static_cast<node_id>(load_field(page.bytes, E::nid, base)),
                           load_field(page.bytes, E::bidData, base),
                           load_field(page.bytes, E::bidSub, base),
                           static_cast<node_id>(load_field(page.bytes, E::nidParent, base))});
    }
    return std::make_shared<nbt_leaf_page>(std::move(db), page.ref, std::move(entries));
}

template <typename Layout>
std::shared_ptr<bbt_page> decode_bbt_page(const checked_page& page, std::weak_ptr<db_context> db) {
    if (page.level > 0) {
        return decode_nonleaf_page<Layout, block_id, block_info>(page, std::move(db));
    }
    using E = typename Layout::bbtentry;
    const std::size_t count = checked_entry_count<Layout>(page, E::size);
    std::vector<block_info> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = i * E::size;
        entries.push_back({load_field(page.bytes, E::bid, base),
                           load_field(page.bytes, E::ib, base),
                           static_cast<std::uint16_t>(load_field(page.bytes, E::cb, base)),
                           static_cast<std::uint16_t>(load_field(page.bytes, E::cRef, base))});
    }
    return std::make_shared<bbt_leaf_page>(std::move(db), page.ref, std::move(entries));
}

template checked_page read_checked_page<ansi_layout>(const database_file&, std::uint64_t,
                                                     const block_reference&);
template checked_page read_checked_page<unicode_layout>(const database_file&, std::uint64_t,
                                                        const block_reference&);
template std::shared_ptr<nbt_page> decode_nbt_page<ansi_layout>(const checked_page&,
                                                                std::weak_ptr<db_context>);
template std::shared_ptr<nbt_page> decode_nbt_page<unicode_layout>(const checked_page&,
                                                                   std::weak_ptr<db_context>);
template std::shared_ptr<bbt_page> decode_bbt_page<ansi_layout>(const checked_page&,
                                                                std::weak_ptr<db_context>);
template std::shared_ptr<bbt_page> decode_bbt_page<unicode_layout>(const checked_page&,
                                                                   std::weak_ptr<db_context>);

}  // namespace pstread
