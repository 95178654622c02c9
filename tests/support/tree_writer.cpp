#include "support/tree_writer.h"

#include <algorithm>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/block_writer.h"

namespace pstbuild {
namespace {

std::size_t limit_or(std::size_t limit, std::size_t capacity) {
    if (limit == 1) {
        throw std::invalid_argument("a tree fan-out limit must be at least 2");
    }
    return limit == 0 ? capacity : std::min(limit, capacity);
}

std::uint64_t write_internal(BlockStore& store, const std::vector<std::uint8_t>& data,
                             BlockOrigin origin) {
    const std::uint64_t bid = store.reserve_bid(true);
    store.write_block(bid, data, origin);
    return bid;
}

// One XBLOCK (level 1) or XXBLOCK (level 2) over `children`, which together
// hold `total` bytes.
std::uint64_t write_extended(BlockStore& store, std::uint8_t level, std::uint64_t total,
                             std::span<const std::uint64_t> children, std::uint32_t node,
                             std::uint32_t subnode) {
    const auto data =
        make_xblock_data(store.variant(), level, static_cast<std::uint32_t>(total), children);
    const ItemKind kind = level == 1 ? ItemKind::xblock : ItemKind::xxblock;
    return write_internal(store, data, BlockOrigin{kind, level, node, subnode, 0});
}

void check_unique_nids(std::span<const Subnode> subnodes, const std::vector<std::size_t>& order) {
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (subnodes[order[i]].nid == subnodes[order[i - 1]].nid) {
            std::ostringstream message;
            message << "two subnodes share the nid 0x" << std::hex << subnodes[order[i]].nid;
            throw std::invalid_argument(message.str());
        }
    }
}

// Groups `entries` into blocks of at most `per_block` entries and writes
// them; returns the (first nid, bid) of every block written.
template <typename Entry, typename MakeData>
std::vector<SiEntry> write_subnode_level(BlockStore& store, const std::vector<Entry>& entries,
                                         std::size_t per_block, ItemKind kind, std::uint8_t level,
                                         std::uint32_t node, MakeData make_data) {
    std::vector<SiEntry> written;
    for (std::size_t first = 0; first < entries.size(); first += per_block) {
        const std::size_t count = std::min(per_block, entries.size() - first);
        const std::span<const Entry> group(entries.data() + first, count);
        const std::uint64_t bid =
            write_internal(store, make_data(group), BlockOrigin{kind, level, node, 0, 0});
        written.push_back(SiEntry{entries[first].nid, bid});
    }
    return written;
}

}  // namespace

std::uint64_t write_data_tree(BlockStore& store, std::span<const std::uint8_t> data,
                              const TreeLimits& limits, std::uint32_t node, std::uint32_t subnode) {
    const Variant variant = store.variant();
    const std::size_t page = traits(variant).max_block_data;
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("a data tree holds at most 4 GB (lcbTotal is 32 bits)");
    }
    if (data.empty()) {
        return 0;  // as real files store empty nodes: no data block at all
    }
    std::vector<std::uint64_t> pages;
    std::size_t offset = 0;
    while (offset < data.size()) {
        const std::size_t count = std::min(page, data.size() - offset);
        const std::uint64_t bid = store.reserve_bid(false);
        store.write_block(bid, data.subspan(offset, count),
                          BlockOrigin{ItemKind::data_block, 0, node, subnode, offset});
        pages.push_back(bid);
        offset += count;
    }
    if (pages.size() == 1) {
        return pages.front();
    }
    const std::size_t per_xblock = limit_or(limits.xblock_entries, xblock_capacity(variant));
    if (pages.size() <= per_xblock) {
        return write_extended(store, 1, data.size(), pages, node, subnode);
    }
    std::vector<std::uint64_t> xblocks;
    for (std::size_t first = 0; first < pages.size(); first += per_xblock) {
        const std::size_t count = std::min(per_xblock, pages.size() - first);
        const std::uint64_t bytes =
            std::min<std::uint64_t>(count * page, data.size() - first * page);
        xblocks.push_back(write_extended(
            store, 1, bytes, std::span<const std::uint64_t>(pages.data() + first, count), node,
            subnode));
    }
    if (xblocks.size() > xblock_capacity(variant)) {
        throw std::length_error("data too large for an XXBLOCK");
    }
    return write_extended(store, 2, data.size(), xblocks, node, subnode);
}

std::uint64_t write_subnode_tree(BlockStore& store, std::span<const Subnode> subnodes,
                                 const TreeLimits& limits, std::uint32_t node) {
    if (subnodes.empty()) {
        return 0;
    }
    std::vector<std::size_t> order(subnodes.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return subnodes[a].nid < subnodes[b].nid;
    });
    check_unique_nids(subnodes, order);

    std::vector<SlEntry> leaves;
    for (const std::size_t i : order) {
        const Subnode& sub = subnodes[i];
        const std::uint64_t data = write_data_tree(store, sub.data, limits, node, sub.nid);
        const std::uint64_t children = write_subnode_tree(store, sub.children, limits, node);
        leaves.push_back(SlEntry{sub.nid, data, children});
    }
    const Variant variant = store.variant();
    std::vector<SiEntry> level = write_subnode_level(
        store, leaves, limit_or(limits.subnode_entries, slblock_capacity(variant)),
        ItemKind::slblock, 0, node,
        [variant](std::span<const SlEntry> group) { return make_slblock_data(variant, group); });
    const std::size_t per_siblock = limit_or(limits.subnode_entries, siblock_capacity(variant));
    for (std::uint8_t height = 1; level.size() > 1; ++height) {
        level = write_subnode_level(store, level, per_siblock, ItemKind::siblock, height, node,
                                    [variant, height](std::span<const SiEntry> group) {
                                        return make_siblock_data(variant, height, group);
                                    });
    }
    return level.front().bid;
}

}  // namespace pstbuild
