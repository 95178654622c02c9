// The builder's write side of the node database: assigns block and page
// ids, places blocks and pages in the file, encodes external data, keeps the
// BBT entries and records the layout.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "support/byte_sink.h"
#include "support/file_space.h"
#include "support/layout.h"
#include "support/page_writer.h"
#include "support/pst_format.h"

namespace pstbuild {

// What a block is for, as recorded in the layout.
struct BlockOrigin {
    ItemKind kind = ItemKind::raw_block;
    std::uint8_t level = 0;
    std::uint32_t node = 0;
    std::uint32_t subnode = 0;
    std::uint64_t data_offset = 0;
};

class BlockStore {
public:
    BlockStore(Variant variant, Encoding encoding, ByteSink& sink, bool record_layout);

    Variant variant() const { return variant_; }

    // A fresh block id: bidIndex counts up by one, so ids advance by 4; bit 1
    // marks internal blocks ([MS-PST] 2.2.2.2).
    std::uint64_t reserve_bid(bool internal);
    std::uint64_t next_bid() const { return next_block_index_ << 2; }
    std::uint64_t next_page_bid() const { return next_page_bid_; }

    // Writes the block `bid` holding `data`; the data of an external block is
    // encoded as the file's bCryptMethod says. Each id may be written once.
    void write_block(std::uint64_t bid, std::span<const std::uint8_t> data,
                     const BlockOrigin& origin);

    // Places a B-tree page: a fresh page id from the bidNextP counter and a
    // 512-aligned offset. Then write_page stores it.
    Bref allocate_page();
    void write_page(const Bref& where, const Page& page, ItemKind kind, std::uint8_t level);

    // The BBT entries sorted by id (in place: the store writes no more
    // blocks once the B-trees are written).
    const std::vector<BbtEntry>& sorted_bbt();

    MapSummary finish_space(bool pad_to_section);
    Layout& layout() { return layout_; }

private:
    Variant variant_;
    Encoding encoding_;
    ByteSink& sink_;
    FileSpace space_;
    bool record_layout_;
    std::uint64_t next_block_index_ = 1;
    std::uint64_t next_page_bid_ = 1;
    std::vector<BbtEntry> bbt_;
    Layout layout_;
};

}  // namespace pstbuild
