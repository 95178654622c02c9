#include "support/block_store.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "support/block_encoding.h"
#include "support/block_writer.h"

namespace pstbuild {

BlockStore::BlockStore(Variant variant, Encoding encoding, ByteSink& sink, bool record_layout)
    : variant_(variant),
      encoding_(encoding),
      sink_(sink),
      space_(variant, sink),
      record_layout_(record_layout) {
    layout_.variant = variant;
    layout_.encoding = encoding;
}

std::uint64_t BlockStore::reserve_bid(bool internal) {
    const std::uint64_t bid = (next_block_index_++ << 2) | (internal ? kInternalBidBit : 0);
    if (variant_ == Variant::ansi && bid > 0xFFFFFFFFull) {
        throw std::length_error("ANSI block ids are exhausted");
    }
    return bid;
}

void BlockStore::write_block(std::uint64_t bid, std::span<const std::uint8_t> data,
                             const BlockOrigin& origin) {
    const std::size_t size = aligned_block_size(variant_, data.size());
    const std::uint64_t ib = space_.allocate(size, kBlockAlignment);
    std::vector<std::uint8_t> stored(data.begin(), data.end());
    if (!is_internal_bid(bid)) {
        encode_block_data(stored, encoding_, bid);
    }
    sink_.write(ib, make_block(variant_, stored, bid, ib));
    bbt_.push_back(
        BbtEntry{bid, ib, static_cast<std::uint16_t>(data.size()), kDefaultBlockRefCount});
    if (record_layout_) {
        layout_.items.push_back(Placement{origin.kind, ib, bid, static_cast<std::uint32_t>(size),
                                          static_cast<std::uint16_t>(data.size()), origin.level,
                                          origin.node, origin.subnode, origin.data_offset});
    }
}

Bref BlockStore::allocate_page() {
    const std::uint64_t bid = next_page_bid_++;
    return Bref{bid, space_.allocate(kPageSize, kPageSize)};
}

void BlockStore::write_page(const Bref& where, const Page& page, ItemKind kind,
                            std::uint8_t level) {
    sink_.write(where.ib, page);
    if (record_layout_) {
        layout_.items.push_back(
            Placement{kind, where.ib, where.bid, static_cast<std::uint32_t>(kPageSize), 0, level});
    }
}

const std::vector<BbtEntry>& BlockStore::sorted_bbt() {
    std::vector<BbtEntry>& sorted = bbt_;
    std::sort(sorted.begin(), sorted.end(),
              [](const BbtEntry& a, const BbtEntry& b) { return a.bid < b.bid; });
    const auto duplicate =
        std::adjacent_find(sorted.begin(), sorted.end(),
                           [](const BbtEntry& a, const BbtEntry& b) { return a.bid == b.bid; });
    if (duplicate != sorted.end()) {
        std::ostringstream message;
        message << "block 0x" << std::hex << duplicate->bid << " was written twice";
        throw std::logic_error(message.str());
    }
    return sorted;
}

MapSummary BlockStore::finish_space(bool pad_to_section) {
    const MapSummary summary = space_.finish(pad_to_section);
    if (record_layout_) {
        for (const std::uint64_t at : summary.amap_offsets) {
            layout_.items.push_back(
                Placement{ItemKind::amap_page, at, at, static_cast<std::uint32_t>(kPageSize)});
        }
        for (const std::uint64_t at : summary.pmap_offsets) {
            layout_.items.push_back(
                Placement{ItemKind::pmap_page, at, at, static_cast<std::uint32_t>(kPageSize)});
        }
    }
    layout_.file_size = summary.file_eof;
    return summary;
}

}  // namespace pstbuild
