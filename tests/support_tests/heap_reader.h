// Test-only reading of heap-on-node data as the builders produce it: split
// into pages at block boundaries, items by page map, BTH records by walking
// the tree. Strict: anything unexpected throws std::runtime_error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/le_bytes.h"
#include "support/pst_format.h"

namespace heapread {

struct Heap {
    std::vector<std::vector<std::uint8_t>> pages;

    std::uint8_t client_signature() const { return pages.at(0).at(3); }
    std::uint32_t root() const { return pstbuild::get_u32(pages.at(0), 4); }

    // Offsets of the items of a page (cAlloc + 1 of them).
    std::vector<std::uint16_t> allocations(std::size_t page) const {
        const std::vector<std::uint8_t>& p = pages.at(page);
        const std::size_t map = pstbuild::get_u16(p, 0);
        const std::size_t count = pstbuild::get_u16(p, map);
        std::vector<std::uint16_t> out;
        for (std::size_t i = 0; i <= count; ++i) {
            out.push_back(pstbuild::get_u16(p, map + 4 + 2 * i));
        }
        return out;
    }

    std::vector<std::uint8_t> item(std::uint32_t hid) const {
        if ((hid & 0x1F) != 0) {
            throw std::runtime_error("not a HID");
        }
        const std::size_t page = hid >> 16;
        const std::size_t index = (hid >> 5) & 0x7FF;
        const std::vector<std::uint16_t> at = allocations(page);
        if (index == 0 || index >= at.size() || at[index] < at[index - 1]) {
            throw std::runtime_error("bad HID");
        }
        const std::vector<std::uint8_t>& p = pages.at(page);
        return {p.begin() + at[index - 1], p.begin() + at[index]};
    }
};

// Splits node data into heap pages: every page but the last is one whole
// block; a page's own length ends with its page map.
inline Heap parse_heap(const std::vector<std::uint8_t>& data, pstbuild::Variant variant) {
    const std::size_t block = pstbuild::traits(variant).max_block_data;
    Heap heap;
    for (std::size_t at = 0; at < data.size(); at += block) {
        heap.pages.emplace_back(
            data.begin() + static_cast<std::ptrdiff_t>(at),
            data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + block)));
    }
    if (heap.pages.empty() || heap.pages[0].size() < 12 || heap.pages[0][2] != 0xEC) {
        throw std::runtime_error("not a heap");
    }
    return heap;
}

struct Bth {
    std::uint8_t cbKey = 0;
    std::uint8_t cbEnt = 0;
    std::uint8_t levels = 0;
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> records;
};

// Walks a BTH from its header, checking that index keys are the first keys
// of their children and that leaf keys ascend.
inline void walk_bth_node(const Heap& heap, const Bth& shape, std::uint32_t hid, int level,
                          std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>>& out) {
    const std::vector<std::uint8_t> node = heap.item(hid);
    if (level == 0) {
        const std::size_t size = shape.cbKey + shape.cbEnt;
        for (std::size_t at = 0; at + size <= node.size(); at += size) {
            const std::uint64_t key = pstbuild::get_le(node, at, shape.cbKey);
            if (!out.empty() && key <= out.back().first) {
                throw std::runtime_error("BTH keys out of order");
            }
            out.emplace_back(key, std::vector<std::uint8_t>(node.begin() + at + shape.cbKey,
                                                            node.begin() + at + size));
        }
        return;
    }
    const std::size_t size = shape.cbKey + 4u;
    for (std::size_t at = 0; at + size <= node.size(); at += size) {
        const std::uint64_t key = pstbuild::get_le(node, at, shape.cbKey);
        const std::size_t first = out.size();
        walk_bth_node(heap, shape, pstbuild::get_u32(node, at + shape.cbKey), level - 1, out);
        if (first == out.size() || out[first].first != key) {
            throw std::runtime_error("BTH index key is not its child's first key");
        }
    }
}

inline Bth read_bth(const Heap& heap, std::uint32_t header_hid) {
    const std::vector<std::uint8_t> header = heap.item(header_hid);
    if (header.size() != 8 || header[0] != 0xB5) {
        throw std::runtime_error("not a BTHHEADER");
    }
    Bth bth{header[1], header[2], header[3], {}};
    const std::uint32_t root = pstbuild::get_u32(header, 4);
    if (root != 0) {
        walk_bth_node(heap, bth, root, bth.levels, bth.records);
    }
    return bth;
}

}  // namespace heapread
