// Stores the values that property and table contexts reference by HNID
// ([MS-PST] 2.3.3.2): in the heap up to 3580 bytes, else in a subnode of
// the context's node whose whole data is the value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "support/heap_builder.h"
#include "support/node_content.h"

namespace pstbuild {

struct ValueStoreOptions {
    // Values above this size go to subnodes (at most 3580). Tests lower it to
    // get subnode values out of small data.
    std::size_t max_heap_value = kMaxHeapItemSize;
    // nidIndex of the first subnode the store creates; its subnodes have
    // NID type NID_TYPE_LTP (0x1F), as in real files.
    std::uint32_t first_subnode_index = 0x400;
};

class ValueStore {
public:
    ValueStore(HeapBuilder& heap, std::vector<Subnode>& subnodes, ValueStoreOptions options);

    // Returns the HNID of the stored value.
    std::uint32_t store(std::span<const std::uint8_t> bytes);
    // A fresh subnode nid for a value or a row matrix.
    std::uint32_t next_subnode_nid();
    // Adds a subnode with that nid and data; returns the nid.
    std::uint32_t add_subnode(std::uint32_t nid, std::vector<std::uint8_t> data,
                              std::vector<Subnode> children = {});

private:
    HeapBuilder& heap_;
    std::vector<Subnode>& subnodes_;
    ValueStoreOptions options_;
    std::uint32_t next_index_;
};

}  // namespace pstbuild
