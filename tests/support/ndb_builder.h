// Writes valid PST files at the node database level ([MS-PST] 2.2): header,
// allocation maps, node and block B-trees, data trees and subnode trees.
//
// Usage:
//   pstbuild::NdbBuilder b({.variant = pstbuild::Variant::ansi,
//                           .encoding = pstbuild::Encoding::permute});
//   b.add_node(0x21, bytes);                       // a node with data
//   b.add_node(0x122, bytes, {{0x1F, sub_bytes}}); // with one subnode
//   std::vector<std::uint8_t> file = b.build();
//   const pstbuild::Layout& where = b.layout();    // to corrupt one field
//
// For large benchmark inputs, construct with a path: blocks then go to the
// file as nodes are added, and only the B-tree entries stay in memory;
// finish() writes the B-trees, the maps and the header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "support/block_store.h"
#include "support/byte_sink.h"
#include "support/layout.h"
#include "support/node_content.h"
#include "support/page_writer.h"
#include "support/pst_format.h"

namespace pstbuild {

struct NdbOptions {
    Variant variant = Variant::unicode;
    Encoding encoding = Encoding::none;  // bCryptMethod; external data are encoded with it
    // Fan-out limits, 0 meaning as many as fit. Small values force deep trees
    // out of few entries: NBT/BBT pages, child ids per XBLOCK (an XXBLOCK
    // takes as many XBLOCKs as fit), entries per SLBLOCK/SIBLOCK.
    std::size_t max_btree_entries = 0;
    std::size_t max_xblock_entries = 0;
    std::size_t max_subnode_entries = 0;
    // End the file at an allocation-map section boundary ([MS-PST] grows
    // files in whole sections). Off gives smaller files, e.g. fuzz seeds.
    bool pad_to_amap_section = true;
    // Record every page and block in layout(); benchmarks may switch it off.
    bool record_layout = true;
    // Header values a test may want to vary.
    std::uint16_t wVer = 0;                                   // 0: 14 (ANSI) or 23 (Unicode)
    std::array<std::uint8_t, 2> wMagicClient = {0x53, 0x4D};  // "SM"
    std::uint32_t dwUnique = 1;
};

class NdbBuilder {
public:
    // Builds in memory; get the file with build() or write_file().
    explicit NdbBuilder(NdbOptions options = {});
    // Streams to `path`; call finish() at the end.
    NdbBuilder(NdbOptions options, const std::string& path);
    ~NdbBuilder();
    NdbBuilder(const NdbBuilder&) = delete;
    NdbBuilder& operator=(const NdbBuilder&) = delete;

    // Adds a top-level node: its data as a data tree (an empty stream gets
    // bidData 0, as in real files) and its subnodes as a subnode tree. `parent` is the
    // NBT's nidParent. Throws std::invalid_argument for a nid already added.
    // For content made by the LTP builders: add_node(nid, c.data, c.subnodes).
    void add_node(std::uint32_t nid, const std::vector<std::uint8_t>& data,
                  const std::vector<Subnode>& subnodes = {}, std::uint32_t parent = 0);

    // Pieces for hand-made (e.g. deliberately corrupt) structures.
    // A block id for a block written later (to build cycles, say).
    std::uint64_t reserve_bid(bool internal);
    // Writes a block with a reserved id; data of an external id is encoded.
    void add_block(std::uint64_t bid, std::span<const std::uint8_t> data);
    // Writes a block under a fresh id and returns it.
    std::uint64_t add_block(std::span<const std::uint8_t> data, bool internal);
    // Data tree or subnode tree not yet attached to a node; returns its root
    // id (0 for no subnodes). `owner` only labels the blocks in the layout.
    std::uint64_t add_data_tree(std::span<const std::uint8_t> data, std::uint32_t owner = 0);
    std::uint64_t add_subnode_tree(std::span<const Subnode> subnodes, std::uint32_t owner = 0);
    // An NBT entry taken as given: its ids are not checked.
    void add_node_entry(const NbtEntry& entry);

    // Writes the B-trees, the allocation maps and the header. Nothing can be
    // added afterwards. Called by build() and write_file() as needed.
    void finish();
    // In-memory mode: the whole file.
    std::vector<std::uint8_t> build();
    // In-memory mode: writes the whole file to `path`.
    void write_file(const std::string& path);

    const Layout& layout() const;
    const NdbOptions& options() const { return options_; }

private:
    void check_open() const;
    void check_new_nid(std::uint32_t nid) const;

    NdbOptions options_;
    std::unique_ptr<MemorySink> memory_;
    std::unique_ptr<FileSink> file_;
    std::unique_ptr<BlockStore> store_;
    std::vector<NbtEntry> nodes_;
    std::unordered_set<std::uint32_t> nids_;
    bool finished_ = false;
};

}  // namespace pstbuild
