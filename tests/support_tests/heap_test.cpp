#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "heap_reader.h"
#include "support/bth_builder.h"
#include "support/heap_builder.h"
#include "support/le_bytes.h"

namespace {

using namespace pstbuild;

std::vector<std::uint8_t> filled(std::size_t size, std::uint8_t value) {
    return std::vector<std::uint8_t>(size, value);
}

TEST(Heap, OnePageWithItsHeaderAndPageMap) {
    HeapBuilder heap(Variant::unicode, kClientSignaturePc);
    EXPECT_EQ(heap.allocate(filled(8, 1)), 0x20u);
    EXPECT_EQ(heap.allocate(filled(3, 2)), 0x40u);
    EXPECT_EQ(heap.allocate({}), 0x60u);  // zero-size items are allowed
    heap.set_root(0x20);
    const std::vector<std::uint8_t> data = heap.build();
    // 12-byte HNHDR, 11 bytes of items, a padding byte, then the page map:
    // cAlloc 3, cFree 0 and four offsets.
    ASSERT_EQ(data.size(), 24u + 4 + 8);
    EXPECT_EQ(get_u16(data, 0), 24);  // ibHnpm, 2-byte aligned
    EXPECT_EQ(data[2], 0xEC);
    EXPECT_EQ(data[3], 0xBC);
    EXPECT_EQ(get_u32(data, 4), 0x20u);
    EXPECT_EQ(get_u16(data, 24), 3);
    EXPECT_EQ(get_u16(data, 26), 0);
    EXPECT_EQ(get_u16(data, 28), 12);
    EXPECT_EQ(get_u16(data, 30), 20);
    EXPECT_EQ(get_u16(data, 32), 23);
    EXPECT_EQ(get_u16(data, 34), 23);
    EXPECT_EQ(heap.placement(0x40).offset_in_page, 20u);
}

TEST(Heap, ItemSizeLimit) {
    HeapBuilder heap(Variant::ansi, kClientSignatureTc);
    EXPECT_NO_THROW(heap.reserve(3580));
    EXPECT_THROW(heap.reserve(3581), std::length_error);
    EXPECT_THROW(heap.item(0x21), std::out_of_range);  // not a HID
    EXPECT_THROW(heap.item(0x40), std::out_of_range);  // no second item
}

TEST(Heap, ManyPagesWithPageAndBitmapHeaders) {
    for (const Variant variant : {Variant::ansi, Variant::unicode}) {
        const std::size_t block = traits(variant).max_block_data;
        HeapBuilder heap(variant, kClientSignatureBth, HeapOptions{.page_capacity = 200});
        std::vector<std::uint32_t> hids;
        for (std::uint8_t i = 0; i < 60; ++i) {
            hids.push_back(heap.allocate(filled(60, i)));
        }
        ASSERT_GT(heap.page_count(), 9u);
        const std::vector<std::uint8_t> data = heap.build();
        const heapread::Heap parsed = heapread::parse_heap(data, variant);
        ASSERT_EQ(parsed.pages.size(), heap.page_count());
        for (std::size_t p = 0; p + 1 < parsed.pages.size(); ++p) {
            EXPECT_EQ(parsed.pages[p].size(), block) << "page " << p << " fills its block";
        }
        for (std::uint8_t i = 0; i < 60; ++i) {
            EXPECT_EQ(parsed.item(hids[i]), filled(60, i));
        }
        // HNPAGEHDR is 2 bytes; page 8 has the 66-byte HNBITMAPHDR.
        EXPECT_EQ(parsed.allocations(1).front(), 2);
        EXPECT_EQ(parsed.allocations(8).front(), 66);
        EXPECT_EQ(hids.back() >> 16, heap.page_count() - 1);
        // Pages of at most 200 bytes leave their blocks nearly empty: fill
        // level 0 (FILL_LEVEL_EMPTY) in the HNHDR and the HNBITMAPHDR.
        EXPECT_EQ(get_u32(data, 8), 0u);
        EXPECT_EQ(parsed.pages[8][2], 0);
    }
}

TEST(Heap, FillLevelsAndTheItemLimitPerPage) {
    HeapBuilder heap(Variant::unicode, kClientSignaturePc);
    heap.reserve(3580);
    heap.reserve(3580);  // page 0: 12 + 7160 + map 8 = 7180 used, 996 free -> level 7
    heap.reserve(3580);  // does not fit: page 1
    EXPECT_EQ(heap.page_count(), 2u);
    const std::vector<std::uint8_t> data = heap.build();
    // Low nibble page 0, high nibble page 1 (3580 + 2 + 6 used: 4588 free -> 0).
    EXPECT_EQ(data[8], 0x07);

    HeapBuilder many(Variant::unicode, kClientSignaturePc);
    for (int i = 0; i < 2047; ++i) {
        many.reserve(0);
    }
    EXPECT_EQ(many.page_count(), 1u);
    EXPECT_EQ(many.reserve(0), 0x10020u);  // hidIndex is 11 bits: item 2048 opens page 1
}

TEST(Bth, LeafOnlyTree) {
    HeapBuilder heap(Variant::ansi, kClientSignatureTc);
    std::vector<BthRecord> records = {{0x8042, {1, 0}}, {0x2223, {2, 0}}, {0x8022, {0, 0}}};
    const std::uint32_t header = build_bth(heap, 4, 2, records);
    const heapread::Heap parsed = heapread::parse_heap(heap.build(), Variant::ansi);
    const std::vector<std::uint8_t> h = parsed.item(header);
    EXPECT_EQ(h, (std::vector<std::uint8_t>{0xB5, 4, 2, 0, 0x40, 0, 0, 0}));
    EXPECT_EQ(parsed.item(0x40).size(), 18u);  // three 6-byte TCROWID records
    const heapread::Bth bth = heapread::read_bth(parsed, header);
    ASSERT_EQ(bth.records.size(), 3u);
    EXPECT_EQ(bth.records[0].first, 0x2223u);
    EXPECT_EQ(bth.records[2].second, (std::vector<std::uint8_t>{1, 0}));
}

TEST(Bth, ForcedIndexLevels) {
    struct Case {
        std::size_t records;
        BthOptions options;
        std::uint8_t levels;
    };
    const Case cases[] = {
        {0, {}, 0},
        {447, {}, 0},  // 3580 / 8 records fit one leaf
        {448, {}, 1},
        {10, {.max_leaf_entries = 3}, 1},
        {10, {.max_leaf_entries = 2, .max_index_entries = 3}, 2},
        {30, {.max_leaf_entries = 2, .max_index_entries = 2}, 4},
    };
    for (const Case& c : cases) {
        HeapBuilder heap(Variant::unicode, kClientSignatureBth);
        std::vector<BthRecord> records;
        for (std::size_t i = 0; i < c.records; ++i) {
            records.push_back({1000 - 7 * i, {static_cast<std::uint8_t>(i), 0, 0, 0, 0, 0}});
        }
        const std::uint32_t header = build_bth(heap, 2, 6, records, c.options);
        const heapread::Bth bth =
            heapread::read_bth(heapread::parse_heap(heap.build(), Variant::unicode), header);
        EXPECT_EQ(bth.levels, c.levels) << c.records;
        EXPECT_EQ(bth.records.size(), c.records);
    }
}

TEST(Bth, RejectsDuplicateKeysAndBadShapes) {
    HeapBuilder heap(Variant::unicode, kClientSignatureBth);
    EXPECT_THROW(build_bth(heap, 2, 6, {{1, filled(6, 0)}, {1, filled(6, 1)}}),
                 std::invalid_argument);
    EXPECT_THROW(build_bth(heap, 2, 6, {{1, filled(5, 0)}}), std::invalid_argument);
    EXPECT_THROW(BthWriter(3, 6, 1), std::invalid_argument);
    EXPECT_THROW(BthWriter(2, 6, 5, {.max_leaf_entries = 1}), std::invalid_argument);
}

}  // namespace
