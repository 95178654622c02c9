// BTrees-on-heap ([MS-PST] 2.3.2): a BTHHEADER, leaf items of (key, data)
// records and, when one leaf is not enough, index items of (key, HID)
// records, all allocated from one heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "support/heap_builder.h"

namespace pstbuild {

inline constexpr std::size_t kBthHeaderSize = 8;

struct BthOptions {
    // Records per leaf item and per index item; 0 means as many as fit in a
    // 3580-byte item. Small values force index levels out of few records.
    std::size_t max_leaf_entries = 0;
    std::size_t max_index_entries = 0;
};

struct BthRecord {
    std::uint64_t key = 0;           // stored little-endian in cbKey bytes
    std::vector<std::uint8_t> data;  // cbEnt bytes
};

// Plans a tree of `record_count` records, reserves its items and fills them
// in. The header is reserved by the caller, so that its HID can come before
// or after other items (as real files have it).
class BthWriter {
public:
    BthWriter(std::uint8_t cbKey, std::uint8_t cbEnt, std::size_t record_count,
              BthOptions options = {});

    // bIdxLevels: the number of index levels above the leaves.
    std::uint8_t index_levels() const;

    // Reserves the leaf items, then each index level up to the root.
    void reserve_nodes(HeapBuilder& heap);

    // Fills the nodes and the header item (8 bytes at `header_hid`) from
    // records sorted by ascending, distinct keys. Throws
    // std::invalid_argument otherwise.
    void write(HeapBuilder& heap, std::uint32_t header_hid,
               std::span<const BthRecord> sorted) const;

    // The HIDs of the items of each level, leaves first.
    const std::vector<std::vector<std::uint32_t>>& node_hids() const { return hids_; }

private:
    std::uint8_t cbKey_;
    std::uint8_t cbEnt_;
    std::size_t record_count_;
    std::vector<std::vector<std::size_t>> counts_;  // records per item, per level
    std::vector<std::vector<std::uint32_t>> hids_;
};

// Allocates a header and a tree over `records` (any order) and returns the
// header's HID.
std::uint32_t build_bth(HeapBuilder& heap, std::uint8_t cbKey, std::uint8_t cbEnt,
                        std::vector<BthRecord> records, BthOptions options = {});

}  // namespace pstbuild
