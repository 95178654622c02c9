// Nodes and their subnode trees.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ndb_test_image.h"
#include "pstread/ndb/database.h"

namespace {

using namespace ndbtest;
using pstread::database_corrupt;
using pstread::key_not_found;
using pstread::node;
using pstread::unexpected_block;

template <typename E>
std::string error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    return "(no exception)";
}

class NodeTest : public ::testing::TestWithParam<bool> {
protected:
    bool unicode() const { return GetParam(); }

    // Node 0x21 with a two-level subnode tree: an SIBLOCK 0x202 over the
    // SLBLOCKs 0x206 (subnodes 0x1E1, 0x201) and 0x20A (0x221, 0x241).
    // Subnode 0x201 has subnodes of its own (SLBLOCK 0x20E: 0x1001).
    image two_level_image() {
        const bool uni = unicode();
        image img(uni, 1);
        for (const block_id bid : {0x104, 0x108, 0x10C, 0x110, 0x114, 0x118}) {
            img.add_block(bid, pattern(50 + bid, static_cast<std::uint32_t>(bid)));
        }
        img.add_block(0x20E, make_slblock(uni, {{0x1001, 0x118, 0}}));
        img.add_block(0x206, make_slblock(uni, {{0x1E1, 0x108, 0}, {0x201, 0x10C, 0x20E}}));
        img.add_block(0x20A, make_slblock(uni, {{0x221, 0x110, 0}, {0x241, 0x114, 0}}));
        img.add_block(0x202, make_siblock(uni, {{0x1E1, 0x206}, {0x221, 0x20A}}));
        img.add_node({0x21, 0x104, 0x202, 0x122});
        img.add_node({0x41, 0x104, 0, 0x122});
        return img;
    }
};

INSTANTIATE_TEST_SUITE_P(Variants, NodeTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

TEST_P(NodeTest, TopLevelNodeComesFromTheNodeBtree) {
    image img = two_level_image();
    const auto db = open_bytes(img.finish());
    const node n = db->lookup_node(0x21);
    EXPECT_EQ(n.get_id(), 0x21u);
    EXPECT_EQ(n.get_data_id(), 0x104u);
    EXPECT_EQ(n.get_sub_id(), 0x202u);
    EXPECT_EQ(n.get_parent_id(), 0x122u);
    EXPECT_EQ(n.read_all(), pattern(50 + 0x104, 0x104));
    EXPECT_THROW(db->lookup_node(0x61), key_not_found<node_id>);
}

TEST_P(NodeTest, SubnodeLookupInATwoLevelTree) {
    image img = two_level_image();
    const auto db = open_bytes(img.finish());
    const node n = db->lookup_node(0x21);
    for (const auto& [nid, bid] : std::vector<std::pair<node_id, block_id>>{
             {0x1E1, 0x108}, {0x201, 0x10C}, {0x221, 0x110}, {0x241, 0x114}}) {
        const node sub = n.lookup(nid);
        EXPECT_EQ(sub.get_id(), nid);
        EXPECT_EQ(sub.get_data_id(), bid);
        EXPECT_EQ(sub.get_parent_id(), 0u);  // not the containing node's id
        EXPECT_EQ(sub.read_all(), pattern(50 + bid, static_cast<std::uint32_t>(bid)));
    }
    // Below the first key, between keys, after the last.
    for (const node_id absent : {0x1C1u, 0x211u, 0x261u}) {
        try {
            n.lookup(absent);
            ADD_FAILURE() << absent;
        } catch (const key_not_found<node_id>& error) {
            EXPECT_EQ(error.which(), absent);
        }
    }
    // A subnode of a subnode.
    EXPECT_EQ(n.lookup(0x201).lookup(0x1001).read_all(), pattern(50 + 0x118, 0x118));
}

TEST_P(NodeTest, LookupLoadsOnlyTheLeafThatCanHoldTheId) {
    image img = two_level_image();
    byte_buffer file = img.finish();
    // Break the second SLBLOCK's trailer.
    const block_info second = img.block(0x20A);
    file[second.address + aligned_block_size(unicode(), second.size) - trailer_size(unicode()) +
         2] ^= 1;
    const auto db = open_bytes(file);
    const node n = db->lookup_node(0x21);
    EXPECT_EQ(n.lookup(0x201).get_data_id(), 0x10Cu);
    EXPECT_THROW(n.lookup(0x221), pstread::sig_mismatch);
}

TEST_P(NodeTest, SubnodesWalkInIdOrder) {
    image img = two_level_image();
    const auto db = open_bytes(img.finish());
    std::vector<node_id> ids;
    for (const subnode_info& info : db->lookup_node(0x21).subnodes()) {
        ids.push_back(info.id);
    }
    EXPECT_EQ(ids, (std::vector<node_id>{0x1E1, 0x201, 0x221, 0x241}));
    // No subnode tree: nothing to walk, nothing to find.
    const node plain = db->lookup_node(0x41);
    EXPECT_EQ(plain.subnodes().begin(), std::default_sentinel);
    EXPECT_THROW(plain.lookup(0x1E1), key_not_found<node_id>);
}

TEST_P(NodeTest, CopiesShareTheirBlocks) {
    image img = two_level_image();
    const auto db = open_bytes(img.finish());
    const node a = db->lookup_node(0x21);
    const node b = a;  // NOLINT: the copy is the point
    a.size();
    EXPECT_EQ(a.get_data_block(), b.get_data_block());
    EXPECT_EQ(a.get_subnode_block(), b.get_subnode_block());
    // A second lookup makes a separate node.
    EXPECT_NE(db->lookup_node(0x21).get_data_block(), a.get_data_block());
}

TEST_P(NodeTest, PageReadOfASingleBlockEqualsRangeRead) {
    image img = two_level_image();
    const auto db = open_bytes(img.finish());
    const node n = db->lookup_node(0x21);
    byte_buffer by_range(40);
    byte_buffer by_page(40);
    EXPECT_EQ(n.read(by_range, 7), 40u);
    EXPECT_EQ(n.read(by_page, 0, 7), 40u);
    EXPECT_EQ(by_range, by_page);
    EXPECT_EQ(n.get_page_count(), 1u);
    EXPECT_EQ(n.get_page_size(0), n.size());
    EXPECT_EQ(n.read_page(0), n.read_all());
    EXPECT_EQ(n.get_page(0)->get_data().size(), n.size());
}

TEST_P(NodeTest, SubnodeReadersCheckTheLevel) {
    image img = two_level_image();
    const auto db = open_bytes(img.finish());
    EXPECT_EQ(error_of<unexpected_block>([&] { db->read_subnode_leaf_block(db, 0x202); }),
              "psub->level != 0");
    EXPECT_EQ(error_of<unexpected_block>([&] { db->read_subnode_nonleaf_block(db, 0x206); }),
              "psub->level == 1");
    EXPECT_EQ(db->read_subnode_nonleaf_block(db, 0x202)->value_count(), 2u);
    EXPECT_EQ(db->read_subnode_leaf_block(db, 0x206)->value_count(), 2u);
}

TEST_P(NodeTest, SubnodeTreeFaults) {
    const bool uni = unicode();
    struct row {
        const char* name;
        std::function<void(image&)> build;  // node 0x21's subnode tree is 0x202
        const char* message_part;
    };
    const row rows[] = {
        {"SLBLOCK cEnt larger than the entries that fit",
         [&](image& img) {
             byte_buffer s = make_slblock(uni, {{0x1E1, 0, 0}});
             put_le(s, 2, 2, 2);  // cEnt 2, one entry present
             img.add_block(0x202, s);
         },
         "cEnt 2 needs"},
        {"SIBLOCK cEnt larger than the entries that fit",
         [&](image& img) {
             byte_buffer s = make_siblock(uni, {{0x1E1, 0x206}});
             put_le(s, 2, 500, 2);
             img.add_block(0x202, s);
         },
         "cEnt 500 needs"},
        {"SIBLOCK whose child is itself",
         [&](image& img) {
             img.add_block(0x202, make_siblock(uni, {{0x1E1, 0x202}}));
         },
         "has child 0x202 of level 1"},
        {"SIBLOCK of level 2 over an SLBLOCK",
         [&](image& img) {
             img.add_block(0x206, make_slblock(uni, {{0x1E1, 0, 0}}));
             img.add_block(0x202, make_siblock(uni, {{0x1E1, 0x206}}, 2));
         },
         "of level 0"},
        {"SIBLOCK over an empty SLBLOCK",
         [&](image& img) {
             img.add_block(0x206, make_slblock(uni, {}));
             img.add_block(0x202, make_siblock(uni, {{0x1E1, 0x206}}));
         },
         "with 0 entries"},
        {"subnode whose subnode tree is its container's",
         [&](image& img) {
             img.add_block(0x202, make_slblock(uni, {{0x1E1, 0, 0x202}}));
         },
         "reuses the subnode tree 0x202"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        image img(uni);
        r.build(img);
        img.add_node({0x21, 0, 0x202, 0});
        const auto db = open_bytes(img.finish());
        const std::string error = error_of<database_corrupt>([&] {
            const node n = db->lookup_node(0x21);
            n.lookup(0x1E1);
        });
        EXPECT_NE(error.find(r.message_part), std::string::npos) << error;
    }
}

TEST_P(NodeTest, SubnodeCycleThroughTwoLevelsIsRejected) {
    // 0x21 -> subnode 0x1E1 (tree 0x206) -> subnode 0x1001 whose tree is
    // 0x202 again.
    const bool uni = unicode();
    image img(uni);
    img.add_block(0x206, make_slblock(uni, {{0x1001, 0, 0x202}}));
    img.add_block(0x202, make_slblock(uni, {{0x1E1, 0, 0x206}}));
    img.add_node({0x21, 0, 0x202, 0});
    const auto db = open_bytes(img.finish());
    const node inner = db->lookup_node(0x21).lookup(0x1E1);
    EXPECT_THROW(inner.lookup(0x1001), database_corrupt);
}

TEST_P(NodeTest, NestingIsReadUpToItsLimit) {
    // A chain of nested subnodes, each in its own SLBLOCK, one deeper than
    // allowed: every level up to the limit reads, the next one fails.
    const bool uni = unicode();
    image img(uni);
    const int depth = static_cast<int>(pstread::max_subnode_nesting) + 1;
    for (int level = depth; level >= 1; --level) {
        const block_id tree = 0x1002 + 4 * static_cast<block_id>(level);
        const block_id inner = level == depth ? 0 : tree + 4;
        img.add_block(tree, make_slblock(uni, {{static_cast<node_id>(0x1E1 + level), 0, inner}}));
    }
    img.add_node({0x21, 0, 0x1006, 0});
    const auto db = open_bytes(img.finish());
    node current = db->lookup_node(0x21);
    for (int level = 1; level < depth; ++level) {
        current = current.lookup(static_cast<node_id>(0x1E1 + level));
    }
    EXPECT_EQ(current.get_id(), static_cast<node_id>(0x1E1 + depth - 1));
    EXPECT_THROW(current.lookup(static_cast<node_id>(0x1E1 + depth)), database_corrupt);
}

}  // namespace
