// Leaf pages of the node and block B-trees are kept only in a bounded cache:
// the cache lets go of the least recently used page, lookups and walks over
// trees with many more leaves than the cache holds stay correct, and an
// iterator keeps its own leaf alive while lookups push it out of the cache.
#include "pstread/ndb/leaf_page_cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "pstread/ndb/database.h"
#include "support/ndb_builder.h"

namespace {

using pstread::block_reference;
using pstread::byte_buffer;

struct fake_page {
    std::uint64_t bid;
    std::uint64_t ib;
    std::uint64_t get_page_id() const { return bid; }
    std::uint64_t get_address() const { return ib; }
};

std::shared_ptr<fake_page> page_at(std::uint64_t ib) {
    return std::make_shared<fake_page>(fake_page{ib + 1, ib});
}

block_reference ref_of(std::uint64_t ib) {
    return block_reference{ib + 1, ib};
}

TEST(LeafPageCacheTest, LetsGoOfTheLeastRecentlyUsedPage) {
    pstread::leaf_page_cache<fake_page> cache(3);
    std::weak_ptr<fake_page> first = page_at(0x200);
    for (std::uint64_t ib : {0x200, 0x400, 0x600}) {
        cache.keep(page_at(ib));
    }
    EXPECT_EQ(cache.size(), 3u);
    // Using 0x200 makes 0x400 the least recently used page.
    EXPECT_NE(cache.find(ref_of(0x200)), nullptr);
    cache.keep(page_at(0x800));
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.find(ref_of(0x400)), nullptr);
    for (std::uint64_t ib : {0x200, 0x600, 0x800}) {
        EXPECT_NE(cache.find(ref_of(ib)), nullptr) << ib;
    }
    // Keeping a page at a kept address replaces it rather than growing.
    cache.keep(page_at(0x600));
    EXPECT_EQ(cache.size(), 3u);
}

TEST(LeafPageCacheTest, PageReadUnderAnotherIdIsNotReturned) {
    pstread::leaf_page_cache<fake_page> cache(2);
    cache.keep(page_at(0x200));
    EXPECT_EQ(cache.find(block_reference{0x999, 0x200}), nullptr);
    EXPECT_NE(cache.find(ref_of(0x200)), nullptr);
}

class ManyLeavesTest : public ::testing::TestWithParam<pstbuild::Variant> {};

INSTANTIATE_TEST_SUITE_P(BothVariants, ManyLeavesTest,
                         ::testing::Values(pstbuild::Variant::ansi, pstbuild::Variant::unicode));

constexpr std::uint32_t node_count = 2400;

std::uint32_t nid_at(std::uint32_t index) {
    return 0x24 + 0x20 * index;
}

pstread::shared_db_ptr open_many_leaves(pstbuild::Variant variant) {
    // Three entries a page: about 800 node leaves and as many block leaves.
    pstbuild::NdbBuilder builder({.variant = variant,
                                  .encoding = pstbuild::Encoding::none,
                                  .max_btree_entries = 3,
                                  .pad_to_amap_section = false});
    for (std::uint32_t i = 0; i < node_count; ++i) {
        builder.add_node(nid_at(i), byte_buffer{static_cast<std::uint8_t>(i)}, {}, 0x122);
    }
    return pstread::open_database(
        std::make_shared<const pstread::database_file>(builder.build(), "many.pst"));
}

TEST_P(ManyLeavesTest, LookupsStayCorrectWithBoundedLeafPages) {
    const auto db = open_many_leaves(GetParam());
    const std::size_t bound = db->nbt_leaf_pages().capacity();
    ASSERT_GT(node_count / 3, 2 * bound);
    // Backwards and forwards, so that every page is let go and read again.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint32_t k = 0; k < node_count; ++k) {
            const std::uint32_t i = pass == 0 ? node_count - 1 - k : k;
            const pstread::node n = db->lookup_node(nid_at(i));
            ASSERT_EQ(n.read_all(), byte_buffer{static_cast<std::uint8_t>(i)}) << i;
        }
    }
    EXPECT_EQ(db->nbt_leaf_pages().size(), bound);
    EXPECT_LE(db->bbt_leaf_pages().size(), db->bbt_leaf_pages().capacity());
}

TEST_P(ManyLeavesTest, WalkKeepsItsLeafWhileLookupsEvictIt) {
    const auto db = open_many_leaves(GetParam());
    std::uint32_t walked = 0;
    for (const pstread::node_info& info : db->node_infos()) {
        ASSERT_EQ(info.id, nid_at(walked));
        // Now and then, lookups in every leaf push the walk's own leaf out
        // of the cache.
        if (walked % 40 == 0) {
            for (std::uint32_t i = 0; i < node_count; i += 3) {
                ASSERT_EQ(db->lookup_node_info(nid_at(i)).id, nid_at(i));
            }
        }
        ++walked;
    }
    EXPECT_EQ(walked, node_count);
    EXPECT_LE(db->nbt_leaf_pages().size(), db->nbt_leaf_pages().capacity());
}

}  // namespace
