// Heap ids and HNIDs ([MS-PST] 2.3.1.1, 2.3.3.2): how the property and table
// layer names an item of a heap or a subnode of the heap's node.
#pragma once

#include <cstdint>

#include "pstread/ndb/types.h"

namespace pstread {

// A HID: bits 0-4 the NID type (0 for a HID), bits 5-15 the 1-based index of
// the item in its page's allocation table, bits 16-31 the page number.
using heap_id = std::uint32_t;

// A property or cell value's 32-bit reference: a HID when its low 5 bits are
// 0 (HID 0 naming an empty value), otherwise the NID of a subnode of the
// heap's node whose whole data is the value.
using heap_node_id = std::uint32_t;

constexpr bool is_subnode_id(heap_node_id hnid) {
    return (hnid & 0x1Fu) != 0;
}

// hidBlockIndex: the page holding the item.
constexpr std::uint32_t heap_page_of(heap_id hid) {
    return hid >> 16;
}

// hidIndex: the 1-based index in the page's allocation table; 0 is invalid.
constexpr std::uint32_t heap_index_of(heap_id hid) {
    return (hid >> 5) & 0x7FFu;
}

}  // namespace pstread
