// Where the builder put everything: every page and block with its offset,
// id and size, and every node's NBT entry. Tests use it to corrupt exactly
// one field of an otherwise valid file.
#pragma once

#include <cstdint>
#include <vector>

#include "support/header_writer.h"
#include "support/page_writer.h"
#include "support/pst_format.h"

namespace pstbuild {

enum class ItemKind {
    amap_page,
    pmap_page,
    nbt_page,
    bbt_page,
    data_block,  // external block of a node's or subnode's data stream
    xblock,      // data tree, level 1
    xxblock,     // data tree, level 2
    slblock,     // subnode tree leaf
    siblock,     // subnode tree index
    raw_block,   // written through NdbBuilder::add_block
};

struct Placement {
    ItemKind kind = ItemKind::raw_block;
    std::uint64_t offset = 0;       // file offset
    std::uint64_t bid = 0;          // block id, page id, or (map pages) the offset
    std::uint32_t size = 0;         // bytes on disk: 512 for pages, the aligned size for blocks
    std::uint16_t cb = 0;           // data bytes of a block (its trailer's cb)
    std::uint8_t level = 0;         // cLevel of a page, XBLOCK/XXBLOCK or SIBLOCK
    std::uint32_t node = 0;         // top-level node whose trees hold the block (0: none)
    std::uint32_t subnode = 0;      // data of a subnode: its nid (0: the node's own data)
    std::uint64_t data_offset = 0;  // data blocks: position of their first byte in the stream

    bool is_page() const;
    bool is_block() const { return !is_page(); }
};

struct Layout {
    Variant variant = Variant::unicode;
    Encoding encoding = Encoding::none;
    std::uint64_t file_size = 0;
    Bref nbt_root;
    Bref bbt_root;
    std::vector<Placement> items;  // in the order they were written
    std::vector<NbtEntry> nodes;   // in the order they were added

    // Field offsets of the header of this variant.
    const HeaderLayout& header() const { return header_layout(variant); }

    // The block (not page) with this id, or the page with this id. Page and
    // block ids come from separate counters and may coincide. Throw
    // std::out_of_range when absent.
    const Placement& block(std::uint64_t bid) const;
    const Placement& page(std::uint64_t bid) const;

    // Every item of a kind, in writing order.
    std::vector<Placement> items_of(ItemKind kind) const;

    // The NBT entry of a top-level node; throws std::out_of_range.
    const NbtEntry& node(std::uint32_t nid) const;

    // The external block holding byte `offset` of the data stream of node
    // `nid` or, when `subnode` is not 0, of its (first found) subnode of that
    // id. Throws std::out_of_range.
    const Placement& data_block_at(std::uint32_t nid, std::uint64_t offset,
                                   std::uint32_t subnode = 0) const;

    // File offset of the trailer of a page or block.
    std::uint64_t trailer_offset(const Placement& item) const;
};

}  // namespace pstbuild
