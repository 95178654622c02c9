// Data trees ([MS-PST] 2.2.2.8.3.2) and subnode trees ([MS-PST]
// 2.2.2.8.3.3) written through a BlockStore.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "support/block_store.h"
#include "support/node_content.h"

namespace pstbuild {

// Fan-out limits; 0 means as many as fit in a block.
struct TreeLimits {
    std::size_t xblock_entries = 0;   // child ids per XBLOCK
    std::size_t subnode_entries = 0;  // entries per SLBLOCK and SIBLOCK
};

// Writes `data` as one external block when it fits, else as an XBLOCK over
// full external blocks (the last one holding the rest), else as an XXBLOCK
// over such XBLOCKs. Returns the root block id, or 0 for no data (real files
// store empty nodes that way). `node` and `subnode` only label the blocks in
// the layout. Throws std::length_error past 4 GB or when an XXBLOCK would
// need more children than fit.
std::uint64_t write_data_tree(BlockStore& store, std::span<const std::uint8_t> data,
                              const TreeLimits& limits, std::uint32_t node, std::uint32_t subnode);

// Writes each subnode's data tree and subnode tree, then the SLBLOCKs over
// them in nid order and, when one SLBLOCK is not enough, SIBLOCK levels.
// Returns the root block id, or 0 for no subnodes. Throws
// std::invalid_argument when two siblings share a nid.
std::uint64_t write_subnode_tree(BlockStore& store, std::span<const Subnode> subnodes,
                                 const TreeLimits& limits, std::uint32_t node);

}  // namespace pstbuild
