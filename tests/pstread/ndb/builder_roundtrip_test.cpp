// Files written by the builder read back byte for byte: each variant and
// encoding, deep node and block B-trees, XBLOCK and XXBLOCK data trees,
// two-level and nested subnode trees, an ANSI data tree larger than one
// XBLOCK can address, and a big value read holding one block at a time.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ndb_file.h"

namespace {

using namespace ndbfile;
using pstbuild::Encoding;
using pstbuild::ItemKind;
using pstbuild::Subnode;
using pstread::node;

// Checks a subnode tree against what was given to the builder, recursively.
void expect_subnodes(const node& parent, const std::vector<Subnode>& expected) {
    std::map<std::uint32_t, const Subnode*> by_id;
    for (const Subnode& s : expected) {
        by_id[s.nid] = &s;
    }
    std::vector<std::uint32_t> walked;
    for (const pstread::subnode_info& info : parent.subnodes()) {
        walked.push_back(info.id);
    }
    ASSERT_EQ(walked.size(), by_id.size());
    auto id = walked.begin();
    for (const auto& [nid, s] : by_id) {
        EXPECT_EQ(*id++, nid);  // in id order
        const node sub = parent.lookup(nid);
        EXPECT_EQ(sub.read_all(), s->data) << nid;
        expect_subnodes(sub, s->children);
    }
}

TEST(BuilderRoundTripTest, EveryNodeReadsBackExactly) {
    for (const Variant variant : kVariants) {
        for (const Encoding encoding : {Encoding::none, Encoding::permute, Encoding::cyclic}) {
            SCOPED_TRACE(std::string(variant_name(variant)) + " " +
                         std::to_string(static_cast<int>(encoding)));
            // Small fan-outs make deep trees out of few entries.
            auto opts = options(variant, encoding);
            opts.max_btree_entries = 3;
            opts.max_xblock_entries = 4;
            opts.max_subnode_entries = 2;
            pstbuild::NdbBuilder builder(opts);
            const std::size_t block = pstbuild::traits(variant).max_block_data;
            std::map<std::uint32_t, bytes> data;
            std::map<std::uint32_t, std::vector<Subnode>> subnodes;
            const std::size_t sizes[] = {
                0, 1, 100, block, block + 1, 4 * block, 4 * block + 1, 11 * block + 3, 7, 8, 9};
            for (std::size_t i = 0; i < std::size(sizes); ++i) {
                const auto nid = static_cast<std::uint32_t>(0x24 + 0x20 * i);
                data[nid] = pattern(sizes[i], nid);
                if (i % 2 == 1) {
                    for (std::uint32_t s = 0; s < 5; ++s) {
                        Subnode sub{0x1F + 0x20 * s, pattern(s * 3000, nid + s), {}};
                        if (s == 2) {
                            sub.children = {{0x3F, pattern(5 * block, s), {}},
                                            {0x5F, pattern(10, s), {{0x7F, pattern(20, s), {}}}}};
                        }
                        subnodes[nid].push_back(std::move(sub));
                    }
                }
                builder.add_node(nid, data[nid], subnodes[nid], 0x122);
            }
            const built_file built = finish(builder);
            // The builder did make the deep structures this test is about.
            ASSERT_FALSE(built.layout.items_of(ItemKind::xxblock).empty());
            ASSERT_FALSE(built.layout.items_of(ItemKind::siblock).empty());
            const auto db = built.open();
            EXPECT_EQ(static_cast<int>(db->get_crypt_method()), static_cast<int>(encoding));
            std::size_t walked = 0;
            for (const pstread::node_info& info : db->node_infos()) {
                EXPECT_EQ(info.parent_id, 0x122u);
                ++walked;
            }
            EXPECT_EQ(walked, std::size(sizes));
            for (const auto& [nid, expected] : data) {
                const node n = db->lookup_node(nid);
                EXPECT_EQ(n.read_all(), expected) << nid;
                bytes paged;
                for (std::size_t page = 0; page < n.get_page_count(); ++page) {
                    const bytes part = n.read_page(page);
                    paged.insert(paged.end(), part.begin(), part.end());
                }
                EXPECT_EQ(paged, expected) << nid;
                expect_subnodes(n, subnodes[nid]);
            }
        }
    }
}

TEST(BuilderRoundTripTest, AnsiDataLargerThanSixteenMegabytes) {
    // More than the 2043 x 8180 bytes one ANSI XBLOCK addresses: addressing
    // by 1019 pages per child would place the second child's bytes wrong.
    pstbuild::NdbBuilder builder({.variant = Variant::ansi, .encoding = Encoding::permute});
    const bytes big = pattern(2043u * 8180 + 3 * 8180 + 77, 1);
    builder.add_node(0x24, big);
    const node n = finish(builder).open()->lookup_node(0x24);
    EXPECT_EQ(n.get_page_count(), 2047u);
    EXPECT_EQ(n.read_page(2045), bytes(big.begin() + 2045ll * 8180, big.begin() + 2046ll * 8180));
    EXPECT_EQ(n.read<std::uint8_t>(2044ull * 8180 + 17), big[2044ull * 8180 + 17]);
    EXPECT_EQ(n.read_all(), big);
}

TEST(BuilderRoundTripTest, ReadingAValueFrontToBackKeepsOneBlockLoaded) {
    pstbuild::NdbBuilder builder({.variant = Variant::unicode, .encoding = Encoding::permute});
    const bytes data = pattern(40 * 8176 + 5, 3);
    builder.add_node(0x24, data);
    const node n = finish(builder).open()->lookup_node(0x24);
    EXPECT_EQ(n.read_all(), data);
    const auto tree = std::dynamic_pointer_cast<pstread::extended_block>(n.get_data_block());
    ASSERT_TRUE(tree);
    EXPECT_LE(tree->loaded_child_count(), 1u);
}

}  // namespace
