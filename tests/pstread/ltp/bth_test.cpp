// BTrees-on-heap: lookup, walks and iteration over builder trees of zero,
// one and two index levels, header checks, and bounded descent through
// trees whose index items point back at themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "pstread/ltp/bth_node.h"
#include "pstread/ltp/ltp_test_file.h"
#include "pstread/ltp/property_types.h"
#include "support/bth_builder.h"
#include "support/heap_builder.h"

namespace {

using ltptest::Variant;
using pstread::bth_keys;
using pstread::heap_impl;
using pstread::open_bth;
using pstread::prop_entry;

using pc_tree = pstread::bth_node_ptr<std::uint16_t, prop_entry>;
using pc_index = pstread::bth_nonleaf_node<std::uint16_t, prop_entry>;

struct built_heap {
    std::shared_ptr<heap_impl> heap;
    std::uint32_t header = 0;
};

// A heap holding a property tree over `ids` (values: type 3, id * 10), in
// leaves of at most `per_node` records and index items of as many.
built_heap property_tree(const std::vector<std::uint16_t>& ids, std::size_t per_node) {
    pstbuild::HeapBuilder heap(Variant::unicode, pstbuild::kClientSignaturePc);
    std::vector<pstbuild::BthRecord> records;
    for (const std::uint16_t id : ids) {
        const std::uint32_t value = id * 10u;
        records.push_back({id,
                           {0x03, 0x00, static_cast<std::uint8_t>(value),
                            static_cast<std::uint8_t>(value >> 8), 0, 0}});
    }
    const std::uint32_t header = pstbuild::build_bth(
        heap, 2, 6, records, {.max_leaf_entries = per_node, .max_index_entries = per_node});
    heap.set_root(header);
    return {std::make_shared<heap_impl>(ltptest::open_bytes(Variant::unicode, heap.build())),
            header};
}

// A heap with hand-made items; the first is the BTH header.
built_heap raw_heap(const std::vector<std::vector<std::uint8_t>>& items) {
    pstbuild::HeapBuilder heap(Variant::unicode, pstbuild::kClientSignaturePc);
    std::uint32_t first = 0;
    for (const auto& item : items) {
        const std::uint32_t hid = heap.allocate(item);
        first = first ? first : hid;
    }
    heap.set_root(first);
    return {std::make_shared<heap_impl>(ltptest::open_bytes(Variant::unicode, heap.build())),
            first};
}

std::vector<std::uint8_t> bth_header(std::uint8_t type, std::uint8_t key, std::uint8_t entry,
                                     std::uint8_t levels, std::uint32_t root) {
    return {type,
            key,
            entry,
            levels,
            static_cast<std::uint8_t>(root),
            static_cast<std::uint8_t>(root >> 8),
            static_cast<std::uint8_t>(root >> 16),
            static_cast<std::uint8_t>(root >> 24)};
}

// An index record of a property tree: 2-byte key, 4-byte child HID.
void add_index_record(std::vector<std::uint8_t>& item, std::uint16_t key, std::uint32_t child) {
    for (int i = 0; i < 2; ++i) {
        item.push_back(static_cast<std::uint8_t>(key >> (8 * i)));
    }
    for (int i = 0; i < 4; ++i) {
        item.push_back(static_cast<std::uint8_t>(child >> (8 * i)));
    }
}

TEST(BthTest, LookupAndWalkAtEveryDepth) {
    std::vector<std::uint16_t> ids;
    for (std::uint16_t id = 0x0E00; ids.size() < 40; id += 3) {
        ids.push_back(id);
    }
    struct depth_case {
        std::size_t per_node;
        unsigned levels;
    };
    for (const depth_case c : {depth_case{0, 0}, depth_case{8, 1}, depth_case{3, 3}}) {
        SCOPED_TRACE(c.per_node);
        const built_heap h = property_tree(ids, c.per_node);
        const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
        EXPECT_EQ(root->level(), c.levels);
        for (const std::uint16_t id : ids) {
            EXPECT_EQ(root->find(id), (prop_entry{0x0003, id * 10u}));
        }
        // Between keys, below the first and above the last.
        for (const std::uint16_t absent : {std::uint16_t(ids[5] + 1), std::uint16_t(ids[0] - 1),
                                           std::uint16_t(ids.back() + 1), std::uint16_t(0)}) {
            EXPECT_THROW(root->find(absent), pstread::key_not_found<std::uint16_t>);
        }
        EXPECT_EQ(bth_keys(*root), ids);
        std::vector<std::uint16_t> iterated;
        for (auto it = pstread::btree_iterator<std::uint16_t, prop_entry>::first(root);
             !it.at_end(); ++it) {
            iterated.push_back(it.key());
            EXPECT_EQ((*it).id, it.key() * 10u);
        }
        EXPECT_EQ(iterated, ids);
    }
}

TEST(BthTest, TwoIndexLevelsLoadIndexNodesThenLeaves) {
    std::vector<std::uint16_t> ids;
    for (std::uint16_t id = 1; id <= 12; ++id) {
        ids.push_back(id);
    }
    const built_heap h = property_tree(ids, 3);  // 4 leaves, 2 index items, 1 root
    const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    ASSERT_EQ(root->level(), 2u);
    const auto& middle = dynamic_cast<const pc_index&>(*root).get_child(0);
    EXPECT_EQ(middle->level(), 1u);
    const auto* middle_index = dynamic_cast<const pc_index*>(middle.get());
    ASSERT_NE(middle_index, nullptr);
    const auto& leaf = middle_index->get_child(0);
    EXPECT_EQ(leaf->level(), 0u);
    EXPECT_EQ(leaf->value_count(), 3u);
}

TEST(BthTest, EmptyTree) {
    const built_heap h = raw_heap({bth_header(0xB5, 2, 6, 0, 0)});
    const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    EXPECT_EQ(root->value_count(), 0u);
    EXPECT_THROW(root->find(1), pstread::key_not_found<std::uint16_t>);
    EXPECT_TRUE(bth_keys(*root).empty());
    EXPECT_TRUE((pstread::btree_iterator<std::uint16_t, prop_entry>::first(root).at_end()));
}

TEST(BthTest, AnsiRowIndexRecordsAreSixBytes) {
    // Row ids 0x21, 0x42, 0x63 -> rows 0, 1, 2 in 2-byte values: 18 bytes.
    std::vector<std::uint8_t> leaf = {0x21, 0, 0, 0,    0, 0, 0x42, 0, 0,
                                      0,    1, 0, 0x63, 0, 0, 0,    2, 0};
    pstbuild::HeapBuilder heap(Variant::ansi, pstbuild::kClientSignatureTc);
    const std::uint32_t header = heap.reserve(8);
    const std::uint32_t leaf_hid = heap.allocate(leaf);
    const auto header_bytes = bth_header(0xB5, 4, 2, 0, leaf_hid);
    std::copy(header_bytes.begin(), header_bytes.end(), heap.item(header).begin());
    const auto h = std::make_shared<heap_impl>(ltptest::open_bytes(Variant::ansi, heap.build()));

    const auto root = open_bth<std::uint32_t, std::uint16_t>(h, header);
    EXPECT_EQ(h->size(leaf_hid), 18u);
    EXPECT_EQ(root->value_count(), 3u);
    EXPECT_EQ(root->find(0x42), 1u);
    EXPECT_EQ(root->find(0x63), 2u);
    // The same header read with the wrong widths.
    EXPECT_THROW((open_bth<std::uint32_t, std::uint32_t>(h, header)), std::logic_error);
}

TEST(BthTest, HeaderChecks) {
    {
        const built_heap h = raw_heap({bth_header(0xB6, 2, 6, 0, 0)});
        try {
            open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
            ADD_FAILURE() << "opened a tree without its signature";
        } catch (const pstread::sig_mismatch& error) {
            EXPECT_STREQ(error.what(), "bth_signature expected");
            EXPECT_EQ(error.id(), h.header);
            EXPECT_EQ(error.computed(), 0xB6);
            EXPECT_EQ(error.stored(), 0xB5);
        }
    }
    const auto logic_message = [](const built_heap& h, auto open) {
        try {
            open(h);
        } catch (const std::logic_error& error) {
            return std::string(error.what());
        }
        return std::string("no failure");
    };
    EXPECT_EQ(logic_message(raw_heap({bth_header(0xB5, 2, 4, 0, 0)}),
                            [](const built_heap& h) {
                                open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
                            }),
              "invalid entry size");
    EXPECT_EQ(logic_message(raw_heap({bth_header(0xB5, 2, 2, 0, 0)}),
                            [](const built_heap& h) {
                                open_bth<std::uint32_t, std::uint16_t>(h.heap, h.header);
                            }),
              "invalid key size");
    const built_heap short_header = raw_heap({{0xB5, 2, 6, 0, 0, 0, 0}});
    try {
        open_bth<std::uint16_t, prop_entry>(short_header.heap, short_header.header);
        ADD_FAILURE() << "read a header of 7 bytes";
    } catch (const std::length_error& error) {
        EXPECT_STREQ(error.what(), "buffer.size() > size()");
    }
}

TEST(BthTest, LookupBelowTheFirstIndexKeyLoadsNoChild) {
    // The only child is broken, so loading it would fail differently.
    std::vector<std::uint8_t> index;
    add_index_record(index, 0x10, 0x7FE0);  // no such item
    const built_heap h = raw_heap({bth_header(0xB5, 2, 6, 1, 0x40), index});
    const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    EXPECT_THROW(root->find(0x0F), pstread::key_not_found<std::uint16_t>);
    EXPECT_THROW(root->find(0x10), std::length_error);
}

// Safe side: an index item that names itself as its children, announced
// with 200 index levels. Lookups stop after 200 steps (each child is one
// level lower, whatever it holds); walks and iteration stop at the second
// visit of the same keys instead of visiting 2^200 paths.
TEST(BthTest, SelfReferencingIndexEndsEveryDescent) {
    const std::uint32_t index_hid = pstbuild::make_hid(0, 1);
    std::vector<std::uint8_t> index;
    add_index_record(index, 0x01, index_hid);
    add_index_record(index, 0x05, index_hid);
    const built_heap h = raw_heap({bth_header(0xB5, 2, 6, 200, index_hid), index});
    const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    EXPECT_EQ(root->level(), 200u);

    // Down to level 1, the item read as a leaf holds one 8-byte record, key 1.
    EXPECT_NO_THROW(root->find(0x01));
    EXPECT_THROW(root->find(0x05), pstread::key_not_found<std::uint16_t>);
    EXPECT_THROW(bth_keys(*root), pstread::database_corrupt);
    EXPECT_THROW(
        {
            for (auto it = pstread::btree_iterator<std::uint16_t, prop_entry>::first(root);
                 !it.at_end(); ++it) {
            }
        },
        pstread::database_corrupt);
}

TEST(BthTest, IndexChildrenMustHoldRecords) {
    std::vector<std::uint8_t> index;
    add_index_record(index, 0x01, 0);  // HID 0: an empty child
    const built_heap h = raw_heap({bth_header(0xB5, 2, 6, 1, pstbuild::make_hid(0, 1)), index});
    const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    EXPECT_THROW(root->find(0x01), pstread::database_corrupt);
    EXPECT_THROW(bth_keys(*root), pstread::database_corrupt);
    // The failed load is retried, and fails the same way.
    EXPECT_THROW(root->find(0x01), pstread::database_corrupt);
}

TEST(BthTest, WalkRejectsKeysOutOfOrder) {
    std::vector<std::uint8_t> leaf = {0x05, 0, 3, 0, 1, 0, 0, 0, 0x02, 0, 3, 0, 2, 0, 0, 0};
    const built_heap h = raw_heap({bth_header(0xB5, 2, 6, 0, pstbuild::make_hid(0, 1)), leaf});
    const pc_tree root = open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    EXPECT_THROW(bth_keys(*root), pstread::database_corrupt);
}

}  // namespace
