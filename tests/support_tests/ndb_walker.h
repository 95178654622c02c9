// A strict, test-only reader of the node database used to check the
// builder's output: it walks both B-trees and verifies every page and block
// trailer (type, signature, id, CRC, size), key order and levels, and
// reassembles data and subnode trees. It is itself checked against the real
// files of the corpus, so a builder and walker that agree are right.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/header_writer.h"
#include "support/page_writer.h"
#include "support/pst_format.h"

namespace walk {

struct WalkError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct SubnodeEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};

struct TreeShape {
    unsigned height = 0;  // levels of pages, 1 for a lone leaf
    std::size_t pages = 0;
};

class NdbWalker {
public:
    // Reads and checks the header (CRCs) and walks both B-trees. With
    // `check_blocks` every block of the BBT is read and checked as well.
    explicit NdbWalker(std::span<const std::uint8_t> file, bool check_blocks = true);

    pstbuild::Variant variant() const { return variant_; }
    pstbuild::Encoding encoding() const { return encoding_; }
    std::uint64_t file_eof() const { return eof_; }
    pstbuild::Bref nbt_root() const { return nbt_root_; }
    pstbuild::Bref bbt_root() const { return bbt_root_; }
    const std::map<std::uint32_t, pstbuild::NbtEntry>& nodes() const { return nodes_; }
    const std::map<std::uint64_t, pstbuild::BbtEntry>& blocks() const { return blocks_; }
    TreeShape nbt_shape() const { return nbt_shape_; }
    TreeShape bbt_shape() const { return bbt_shape_; }

    // The data of one block, checked and (for external blocks) decoded.
    std::vector<std::uint8_t> block_data(std::uint64_t bid) const;
    // The bytes of the data tree rooted at `bid`. With `strict`, every
    // block but the last of an XBLOCK must be full.
    std::vector<std::uint8_t> stream(std::uint64_t bid, bool strict = true) const;
    std::vector<std::uint8_t> node_data(std::uint32_t nid) const;
    // The entries of the subnode tree rooted at `bid`, in order.
    std::vector<SubnodeEntry> subnodes(std::uint64_t bid) const;
    // The subnode tree's height: 1 for a lone SLBLOCK.
    unsigned subnode_height(std::uint64_t bid) const;

private:
    void read_header();
    void walk_page(const pstbuild::Bref& ref, pstbuild::PageType type, int level,
                   std::uint64_t min_key, TreeShape& shape, unsigned depth);
    void check_block(const pstbuild::BbtEntry& entry) const;
    std::span<const std::uint8_t> range(std::uint64_t offset, std::uint64_t size,
                                        const std::string& what) const;

    std::span<const std::uint8_t> file_;
    pstbuild::Variant variant_ = pstbuild::Variant::unicode;
    pstbuild::Encoding encoding_ = pstbuild::Encoding::none;
    std::uint64_t eof_ = 0;
    pstbuild::Bref nbt_root_;
    pstbuild::Bref bbt_root_;
    std::map<std::uint32_t, pstbuild::NbtEntry> nodes_;
    std::map<std::uint64_t, pstbuild::BbtEntry> blocks_;
    TreeShape nbt_shape_;
    TreeShape bbt_shape_;
};

}  // namespace walk
