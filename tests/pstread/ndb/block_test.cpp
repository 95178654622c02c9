// Blocks, data trees and subnode trees: the two encodings, trailer checks,
// extended blocks read as one range with pages, subnode lookups, and the
// faults a damaged, cyclic or too deeply nested tree must not get past.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "ndb_file.h"
#include "pstread/ndb/crypt.h"
#include "support/block_writer.h"

namespace {

using namespace ndbfile;
using pstbuild::NdbBuilder;
using pstbuild::SiEntry;
using pstbuild::SlEntry;
using pstread::database_corrupt;

TEST(DecodingTest, CyclicKeyIsFoldedToSixteenBits) {
    // Key 0: byte 0 gives I[S[R[0]]] = 0xB9; byte 1 (w = 1) gives
    // I[S[R[1]]] - 1 = 0x32. Block ids of 0x10000 and more (large files
    // only) fold: 0x00010000 starts where key 0's second byte does.
    bytes cyclic = {0x00, 0x00};
    pstread::decode_cyclic(cyclic, 0);
    EXPECT_EQ(cyclic, (bytes{0xB9, 0x32}));
    bytes folded = {0x00};
    pstread::decode_cyclic(folded, 0x00010000);
    EXPECT_EQ(folded, (bytes{0x32}));
}

TEST(BlockTest, TrailerFaultsOneChangeFromValid) {
    struct row {
        std::size_t pstbuild::VariantTraits::*field;
        std::uint8_t flip;
        const char* name;  // the error
    };
    const row rows[] = {
        {&pstbuild::VariantTraits::trailer_bid, 0x04, "wrong block id"},
        {&pstbuild::VariantTraits::trailer_cb, 0x01, "wrong block size"},
        {&pstbuild::VariantTraits::trailer_wSig, 0x01, "block sig mismatch"},
        {&pstbuild::VariantTraits::trailer_dwCRC, 0x01, "block crc mismatch"},
    };
    for_rows(rows, [](Variant variant, const row& r) {
        NdbBuilder builder(options(variant, pstbuild::Encoding::permute));
        builder.add_node(0x21, pattern(100, 1));
        built_file built = finish(builder);
        const auto& block = built.layout.data_block_at(0x21, 0);
        built.file[built.layout.trailer_offset(block) + built.traits().*r.field] ^= r.flip;
        EXPECT_TRUE(fails_with([&] { built.open()->lookup_node(0x21).size(); }, r.name));
    });
}

// Node 0x21 over a data tree made by `make` from raw blocks.
built_file raw_tree(Variant variant, const std::function<std::uint64_t(NdbBuilder&)>& make) {
    NdbBuilder builder(options(variant));
    builder.add_node_entry({0x21, make(builder), 0, 0});
    return finish(builder);
}

std::uint64_t xblock(NdbBuilder& b, std::uint8_t level, std::uint32_t total,
                     std::vector<std::uint64_t> children) {
    return b.add_block(pstbuild::make_xblock_data(b.options().variant, level, total, children),
                       true);
}

TEST(BlockTest, DataTreeFaults) {
    struct row {
        const char* name;
        std::function<std::uint64_t(NdbBuilder&)> make;
        const char* error_part;
    };
    const auto leaf = [](NdbBuilder& b, std::uint32_t seed) {
        return b.add_block(pattern(10, seed), false);
    };
    const row rows[] = {
        {"cEnt larger than the ids that fit",
         [&](NdbBuilder& b) {
             const std::vector<std::uint64_t> ids{leaf(b, 1)};
             auto x = pstbuild::make_xblock_data(b.options().variant, 1, 10, ids);
             pstbuild::put_le(x, 2, 3, 2);  // cEnt 3, one id present
             return b.add_block(x, true);
         },
         "cEnt 3"},
        {"lcbTotal above what the children hold",
         [&](NdbBuilder& b) { return xblock(b, 1, 11, {leaf(b, 1)}); },
         "children hold 10 bytes but lcbTotal is 11"},
        {"lcbTotal below what the children hold",
         [&](NdbBuilder& b) {
             return xblock(b, 1, 15, {leaf(b, 1), leaf(b, 2)});
         },
         "children hold at least 20 bytes but lcbTotal is 15"},
        {"lcbTotal beyond the file",
         [&](NdbBuilder& b) { return xblock(b, 1, 0x40000000, {leaf(b, 1)}); },
         "more than the file"},
        {"an XXBLOCK that is its own child",
         [&](NdbBuilder& b) {
             const std::uint64_t self = b.reserve_bid(true);
             const std::uint64_t ids[] = {self};
             b.add_block(self, pstbuild::make_xblock_data(b.options().variant, 2, 10, ids));
             return self;
         },
         "of level 2"},
        {"an internal id below an XBLOCK",
         [&](NdbBuilder& b) { return xblock(b, 1, 0, {xblock(b, 1, 0, {})}); },
         "External BID expected"},
        {"a null child id", [&](NdbBuilder& b) { return xblock(b, 1, 0, {0}); }, "null child id"},
        {"cLevel 3", [&](NdbBuilder& b) { return xblock(b, 3, 0, {}); }, "has cLevel 3"},
        {"a missing child", [&](NdbBuilder& b) { return xblock(b, 1, 10, {0x7FFFFF0}); },
         "key not found"},
    };
    for_rows(rows, [&](Variant variant, const row& r) {
        const auto db = raw_tree(variant, r.make).open();
        EXPECT_TRUE(fails_with<std::exception>(
            [&] {
                const auto n = db->lookup_node(0x21);
                n.read_all();
                n.get_page_count();
            },
            r.error_part));
    });
}

TEST(BlockTest, BbtEntriesThatLie) {
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        NdbBuilder builder(options(variant));
        builder.add_node(0x21, pattern(100, 1));
        const built_file built = finish(builder);
        const auto& t = built.traits();
        // The BBT leaf entry of the data block: bid, ib, then cb.
        const auto page = built.layout.items_of(pstbuild::ItemKind::bbt_page).front();
        std::size_t entry = page.offset;
        while (pstbuild::get_le(built.file, entry, t.id_size) !=
               built.layout.data_block_at(0x21, 0).bid) {
            entry += t.bbtentry_size;
        }
        const std::tuple<std::size_t, std::size_t, std::uint64_t, const char*> rows[] = {
            {2 * t.id_size, 2, t.max_block_data + 1, "nonsensical block size"},
            {t.id_size, t.id_size, built.file.size() - 64, "nonsensical block location; past eof"}};
        for (const auto& [field, width, value, error] : rows) {
            bytes file = built.file;
            pstbuild::put_le(file, entry + field, value, width);
            pstbuild::refresh_page_crc(std::span<std::uint8_t, 512>(&file[page.offset], 512),
                                       variant);
            EXPECT_TRUE(fails_with([&] { open_bytes(file)->lookup_node(0x21).size(); }, error));
        }
    }
}

TEST(BlockTest, ReadsAtSeamsPagesAndEdges) {
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        const std::size_t m = pstbuild::traits(variant).max_block_data;
        NdbBuilder builder(options(variant, pstbuild::Encoding::cyclic));
        const bytes all = pattern(2 * m + 100, 3);
        builder.add_node(0x21, all);
        builder.add_node(0x41, {});
        const auto db = finish(builder).open();
        const auto n = db->lookup_node(0x21);
        bytes across(20);
        EXPECT_EQ(n.read(across, m - 10), 20u);
        EXPECT_TRUE(std::equal(across.begin(), across.end(), all.begin() + (m - 10)));
        bytes tail(500);
        EXPECT_EQ(n.read(tail, all.size() - 30), 30u);  // the bytes up to the end
        EXPECT_EQ(n.read<std::uint32_t>(m - 2), all[m - 2] | all[m - 1] << 8 | all[m] << 16 |
                                                    static_cast<std::uint32_t>(all[m + 1]) << 24);
        EXPECT_EQ(n.get_page_count(), 3u);
        EXPECT_EQ(n.read_page(2), bytes(all.end() - 100, all.end()));
        // Offsets and page numbers come from the file: past the end they
        // are faults of the file, never a standard library exception.
        bytes none;
        bytes one(1);
        EXPECT_EQ(n.read(none, all.size() + 5), 0u);
        EXPECT_THROW(n.read(one, all.size()), database_corrupt);
        EXPECT_THROW(n.read<std::uint32_t>(all.size() - 3), database_corrupt);
        EXPECT_THROW(n.get_page(3), database_corrupt);
        EXPECT_THROW(n.get_page(0)->get_page(1), database_corrupt);
        const auto empty = db->lookup_node(0x41);
        EXPECT_EQ(empty.size(), 0u);
        EXPECT_EQ(empty.get_page_count(), 1u);
        EXPECT_THROW(empty.read(one, 0), database_corrupt);
    }
}

std::uint64_t slblock(NdbBuilder& b, const std::vector<SlEntry>& entries) {
    return b.add_block(pstbuild::make_slblock_data(b.options().variant, entries), true);
}

std::uint64_t siblock(NdbBuilder& b, const std::vector<SiEntry>& entries, std::uint8_t level = 1) {
    return b.add_block(pstbuild::make_siblock_data(b.options().variant, level, entries), true);
}

TEST(NodeTest, AbsentSubnodesAreKeyNotFound) {
    auto opts = options(Variant::unicode);
    opts.max_subnode_entries = 2;
    NdbBuilder builder(opts);
    builder.add_node(0x21, pattern(10, 1),
                     {{0x1E1, pattern(5, 1), {}},
                      {0x201, pattern(5, 2), {{0x1001, pattern(7, 3), {}}}},
                      {0x221, pattern(5, 3), {}},
                      {0x241, pattern(5, 4), {}}});
    builder.add_node(0x41, pattern(10, 1));
    const auto db = finish(builder).open();
    const pstread::node n = db->lookup_node(0x21);
    EXPECT_EQ(n.lookup(0x201).lookup(0x1001).read_all(), pattern(7, 3));
    EXPECT_EQ(n.lookup(0x241).get_parent_id(), 0u);  // not the containing node's id
    for (const std::uint32_t absent : {0x1C1u, 0x211u, 0x261u}) {
        EXPECT_THROW(n.lookup(absent), pstread::key_not_found<pstread::node_id>) << absent;
    }
    EXPECT_EQ(db->lookup_node(0x41).subnodes().begin(), std::default_sentinel);
    EXPECT_THROW(db->lookup_node(0x41).lookup(0x1E1), pstread::key_not_found<pstread::node_id>);
}

TEST(NodeTest, SubnodeTreeFaults) {
    struct row {
        const char* name;
        std::function<std::uint64_t(NdbBuilder&)> tree;  // node 0x21's subnode tree
        const char* error_part;
    };
    const row rows[] = {
        {"SLBLOCK cEnt larger than the entries that fit",
         [](NdbBuilder& b) {
             auto data = pstbuild::make_slblock_data(b.options().variant,
                                                     std::vector<SlEntry>{{0x1E1, 0, 0}});
             pstbuild::put_le(data, 2, 2, 2);
             return b.add_block(data, true);
         },
         "cEnt 2 needs"},
        {"SIBLOCK cEnt larger than the entries that fit",
         [](NdbBuilder& b) {
             auto data = pstbuild::make_siblock_data(b.options().variant, 1,
                                                     std::vector<SiEntry>{{0x1E1, 0x206}});
             pstbuild::put_le(data, 2, 500, 2);
             return b.add_block(data, true);
         },
         "cEnt 500 needs"},
        {"SIBLOCK whose child is itself",
         [](NdbBuilder& b) {
             const std::uint64_t self = b.reserve_bid(true);
             b.add_block(self, pstbuild::make_siblock_data(b.options().variant, 1,
                                                           std::vector<SiEntry>{{0x1E1, self}}));
             return self;
         },
         "of level 1"},
        {"SIBLOCK of level 2 over an SLBLOCK",
         [](NdbBuilder& b) {
             return siblock(b, {{0x1E1, slblock(b, {{0x1E1, 0, 0}})}}, 2);
         },
         "of level 0"},
        {"SIBLOCK over an empty SLBLOCK",
         [](NdbBuilder& b) {
             return siblock(b, {{0x1E1, slblock(b, {})}});
         },
         "with 0 entries"},
        {"a cycle through two levels: 0x1E1's tree names the outer tree again",
         [](NdbBuilder& b) {
             const std::uint64_t outer = b.reserve_bid(true);
             const std::uint64_t inner = slblock(b, {{0x1E1, 0, outer}});
             b.add_block(outer, pstbuild::make_slblock_data(
                                    b.options().variant, std::vector<SlEntry>{{0x1E1, 0, inner}}));
             return outer;
         },
         "reuses the subnode tree"},
    };
    for_rows(rows, [&](Variant variant, const row& r) {
        NdbBuilder builder(options(variant));
        builder.add_node_entry({0x21, 0, r.tree(builder), 0});
        const auto db = finish(builder).open();
        EXPECT_TRUE(
            fails_with([&] { db->lookup_node(0x21).lookup(0x1E1).lookup(0x1E1); }, r.error_part));
    });
}

TEST(NodeTest, NestingIsReadUpToItsLimit) {
    // A chain of nested subnodes one deeper than allowed: every level up to
    // the limit reads, the next one fails.
    const unsigned depth = pstread::max_subnode_nesting + 1;
    NdbBuilder builder(options(Variant::unicode));
    std::uint64_t inner = 0;
    for (unsigned level = depth; level >= 1; --level) {
        inner = slblock(builder, {{0x1E1 + level, 0, inner}});
    }
    builder.add_node_entry({0x21, 0, inner, 0});
    const auto db = finish(builder).open();
    pstread::node current = db->lookup_node(0x21);
    for (unsigned level = 1; level < depth; ++level) {
        current = current.lookup(0x1E1 + level);
    }
    EXPECT_THROW(current.lookup(0x1E1 + depth), database_corrupt);
}

}  // namespace
