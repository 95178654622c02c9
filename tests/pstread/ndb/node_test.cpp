// Subnode trees: lookups, and trees that are damaged, cyclic or nested past
// the limit.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ndb_file.h"
#include "support/block_writer.h"

namespace {

using namespace ndbfile;
using pstbuild::NdbBuilder;
using pstbuild::SiEntry;
using pstbuild::SlEntry;
using pstread::database_corrupt;

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
    for (const Variant variant : kVariants) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(variant_name(variant)) + ": " + r.name);
            NdbBuilder builder(options(variant));
            builder.add_node_entry({0x21, 0, r.tree(builder), 0});
            const auto db = finish(builder).open();
            EXPECT_TRUE(fails_with([&] { db->lookup_node(0x21).lookup(0x1E1).lookup(0x1E1); },
                                   r.error_part));
        }
    }
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
