// Blocks and data trees: the two encodings, trailer checks, extended blocks
// read as one range with pages, and the faults a damaged tree must not get
// past.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ndb_file.h"
#include "pstread/ndb/crypt.h"
#include "support/block_writer.h"

namespace {

using namespace ndbfile;
using pstbuild::NdbBuilder;
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
        const char* error;
    };
    const row rows[] = {
        {&pstbuild::VariantTraits::trailer_bid, 0x04, "wrong block id"},
        {&pstbuild::VariantTraits::trailer_cb, 0x01, "wrong block size"},
        {&pstbuild::VariantTraits::trailer_wSig, 0x01, "block sig mismatch"},
        {&pstbuild::VariantTraits::trailer_dwCRC, 0x01, "block crc mismatch"},
    };
    for (const Variant variant : kVariants) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(variant_name(variant)) + ": " + r.error);
            NdbBuilder builder(options(variant, pstbuild::Encoding::permute));
            builder.add_node(0x21, pattern(100, 1));
            built_file built = finish(builder);
            const auto& block = built.layout.data_block_at(0x21, 0);
            built.file[built.layout.trailer_offset(block) + built.traits().*r.field] ^= r.flip;
            const auto db = built.open();
            EXPECT_EQ(
                error_of<database_corrupt>([&] { db->lookup_node(0x21).size(); }).rfind(r.error, 0),
                0u);
        }
    }
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
    for (const Variant variant : kVariants) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(variant_name(variant)) + ": " + r.name);
            const auto db = raw_tree(variant, r.make).open();
            EXPECT_TRUE(fails_with<std::exception>(
                [&] {
                    const auto n = db->lookup_node(0x21);
                    n.read_all();
                    n.get_page_count();
                },
                r.error_part));
        }
    }
}

TEST(BlockTest, BbtEntriesThatLie) {
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        NdbBuilder builder(options(variant));
        builder.add_node(0x21, pattern(100, 1));
        built_file built = finish(builder);
        // The BBT leaf entry of the data block: first cb, then ib.
        const pstbuild::Placement& block = built.layout.data_block_at(0x21, 0);
        const auto& t = built.traits();
        for (const auto& page : built.layout.items_of(pstbuild::ItemKind::bbt_page)) {
            for (std::size_t e = 0; e + t.bbtentry_size <= t.page_entries_size;
                 e += t.bbtentry_size) {
                if (pstbuild::get_le(built.file, page.offset + e, t.id_size) != block.bid) {
                    continue;
                }
                const std::size_t entry = page.offset + e;
                bytes too_big = built.file;
                pstbuild::put_le(too_big, entry + 2 * t.id_size, t.max_block_data + 1, 2);
                pstbuild::refresh_page_crc(std::span<std::uint8_t, 512>(&too_big[page.offset], 512),
                                           variant);
                EXPECT_EQ(error_of<database_corrupt>(
                              [&] { open_bytes(too_big)->lookup_node(0x21).size(); }),
                          "nonsensical block size");
                bytes past_eof = built.file;
                pstbuild::put_le(past_eof, entry + t.id_size, built.file.size() - 64, t.id_size);
                EXPECT_EQ(error_of<database_corrupt>(
                              [&] { open_bytes(past_eof)->lookup_node(0x21).size(); }),
                          "nonsensical block location; past eof");
            }
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

}  // namespace
