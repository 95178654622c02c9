#include "support/btree_writer.h"

#include <algorithm>
#include <span>
#include <stdexcept>

namespace pstbuild {
namespace {

std::size_t per_page(std::size_t limit, std::size_t capacity) {
    if (limit == 1) {
        throw std::invalid_argument("a B-tree page limit must be at least 2");
    }
    return limit == 0 ? capacity : std::min(limit, capacity);
}

std::uint64_t key_of(const NbtEntry& entry) {
    return entry.nid;
}
std::uint64_t key_of(const BbtEntry& entry) {
    return entry.bid;
}
std::uint64_t key_of(const BtEntry& entry) {
    return entry.btkey;
}

Page make_leaf(Variant variant, std::span<const NbtEntry> group, const Bref& at) {
    return make_nbt_leaf_page(variant, group, at.bid, at.ib);
}
Page make_leaf(Variant variant, std::span<const BbtEntry> group, const Bref& at) {
    return make_bbt_leaf_page(variant, group, at.bid, at.ib);
}

// Writes one level of pages over `entries`; returns the BTENTRY that points
// at each page written.
template <typename Entry, typename MakePage>
std::vector<BtEntry> write_level(BlockStore& store, const std::vector<Entry>& entries,
                                 std::size_t limit, ItemKind kind, std::uint8_t level,
                                 MakePage make_page) {
    std::vector<BtEntry> parents;
    std::size_t first = 0;
    do {
        const std::size_t count = std::min(limit, entries.size() - first);
        const std::span<const Entry> group(entries.data() + first, count);
        const Bref at = store.allocate_page();
        store.write_page(at, make_page(group, at), kind, level);
        parents.push_back(BtEntry{count > 0 ? key_of(group.front()) : 0, at.bid, at.ib});
        first += count;
    } while (first < entries.size());
    return parents;
}

template <typename Entry>
Bref write_tree(BlockStore& store, const std::vector<Entry>& sorted, std::size_t max_entries,
                PageType type, ItemKind kind, std::size_t leaf_entry_size) {
    const Variant variant = store.variant();
    std::vector<BtEntry> level =
        write_level(store, sorted, per_page(max_entries, page_capacity(variant, leaf_entry_size)),
                    kind, 0, [variant](std::span<const Entry> group, const Bref& at) {
                        return make_leaf(variant, group, at);
                    });
    const std::size_t per_index =
        per_page(max_entries, page_capacity(variant, traits(variant).btentry_size));
    for (std::uint8_t height = 1; level.size() > 1; ++height) {
        level =
            write_level(store, level, per_index, kind, height,
                        [variant, type, height](std::span<const BtEntry> group, const Bref& at) {
                            return make_nonleaf_page(variant, type, height, group, at.bid, at.ib);
                        });
    }
    return Bref{level.front().bid, level.front().ib};
}

}  // namespace

Bref write_nbt(BlockStore& store, const std::vector<NbtEntry>& sorted, std::size_t max_entries) {
    return write_tree(store, sorted, max_entries, PageType::nbt, ItemKind::nbt_page,
                      traits(store.variant()).nbtentry_size);
}

Bref write_bbt(BlockStore& store, const std::vector<BbtEntry>& sorted, std::size_t max_entries) {
    return write_tree(store, sorted, max_entries, PageType::bbt, ItemKind::bbt_page,
                      traits(store.variant()).bbtentry_size);
}

}  // namespace pstbuild
