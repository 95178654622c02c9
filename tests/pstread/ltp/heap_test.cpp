// The heap-on-node: items read back from builder heaps of one and several
// pages, and the faults of hand-altered headers and page maps.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "pstread/ltp/heap.h"
#include "pstread/ltp/ltp_test_file.h"
#include "support/heap_builder.h"

namespace {

using ltptest::Variant;
using pstread::heap_impl;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

std::shared_ptr<heap_impl> open_heap(Variant variant, const std::vector<std::uint8_t>& data) {
    return std::make_shared<heap_impl>(ltptest::open_bytes(variant, data));
}

template <typename E>
std::string failure_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    return "no failure";
}

class HeapTest : public ::testing::TestWithParam<Variant> {};

INSTANTIATE_TEST_SUITE_P(Variants, HeapTest, ::testing::ValuesIn(ltptest::kVariants),
                         [](const auto& info) { return ltptest::variant_name(info.param); });

TEST_P(HeapTest, ItemsReadBackFromEveryPage) {
    // Small pages spread the items over several data blocks, each with its
    // own page map.
    pstbuild::HeapBuilder builder(GetParam(), pstbuild::kClientSignaturePc, {.page_capacity = 300});
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> items;
    for (std::size_t i = 0; i < 12; ++i) {
        auto bytes = pattern(i == 3 ? 0 : 20 + 13 * i, static_cast<std::uint8_t>(i));
        items.emplace_back(builder.allocate(bytes), std::move(bytes));
    }
    builder.set_root(items[5].first);
    ASSERT_GT(builder.page_count(), 3u);

    const auto heap = open_heap(GetParam(), builder.build());
    EXPECT_EQ(heap->get_root_id(), items[5].first);
    EXPECT_EQ(heap->get_client_signature(), pstbuild::kClientSignaturePc);
    bool saw_later_page = false;
    for (const auto& [hid, bytes] : items) {
        SCOPED_TRACE(hid);
        saw_later_page = saw_later_page || (hid >> 16) > 0;
        EXPECT_EQ(heap->size(hid), bytes.size());
        EXPECT_EQ(heap->read(hid), bytes);
        const auto view = heap->view(hid);
        EXPECT_EQ(std::vector<std::uint8_t>(view.begin(), view.end()), bytes);
    }
    EXPECT_TRUE(saw_later_page);
}

TEST_P(HeapTest, PartialReadsAndTheirLimits) {
    pstbuild::HeapBuilder builder(GetParam(), pstbuild::kClientSignaturePc);
    const auto bytes = pattern(10, 1);
    const std::uint32_t hid = builder.allocate(bytes);
    const auto heap = open_heap(GetParam(), builder.build());

    std::vector<std::uint8_t> part(4);
    EXPECT_EQ(heap->read(part, hid, 3), 4u);
    EXPECT_EQ(part, std::vector<std::uint8_t>(bytes.begin() + 3, bytes.begin() + 7));
    EXPECT_EQ(heap->read(std::span<std::uint8_t>(), hid, 10), 0u);  // at the end: nothing

    std::vector<std::uint8_t> big(11);
    EXPECT_EQ(failure_of<std::length_error>([&] { heap->read(big, hid, 0); }),
              "buffer.size() > size()");
    EXPECT_EQ(failure_of<std::length_error>([&] { heap->read({}, hid, 11); }), "offset > size()");
    std::vector<std::uint8_t> five(5);
    EXPECT_EQ(failure_of<std::length_error>([&] { heap->read(five, hid, 6); }),
              "size + offset > size()");
}

TEST_P(HeapTest, HidZeroIsAnEmptyItem) {
    pstbuild::HeapBuilder builder(GetParam(), pstbuild::kClientSignaturePc);
    builder.allocate(pattern(4, 0));
    const auto heap = open_heap(GetParam(), builder.build());
    EXPECT_EQ(heap->size(0), 0u);
    EXPECT_EQ(heap->read(std::span<std::uint8_t>(), 0, 0), 0u);
    EXPECT_TRUE(heap->read(0).empty());
}

TEST_P(HeapTest, IndexesOutsideTheAllocationTable) {
    pstbuild::HeapBuilder builder(GetParam(), pstbuild::kClientSignaturePc, {.page_capacity = 200});
    builder.allocate(pattern(4, 0));
    const std::uint32_t last = builder.allocate(pattern(6, 1));
    builder.allocate(pattern(170, 2));  // on page 1
    ASSERT_EQ(builder.page_count(), 2u);
    const auto heap = open_heap(GetParam(), builder.build());

    EXPECT_EQ(heap->size(last), 6u);  // index == num_allocs: the last item
    EXPECT_EQ(failure_of<std::length_error>([&] { heap->size(pstbuild::make_hid(0, 2)); }),
              "index > num_allocs");
    // hidIndex 0 names no item, even on a page that exists.
    EXPECT_EQ(failure_of<std::length_error>([&] { heap->size(1u << 16); }), "index > num_allocs");
    EXPECT_THROW(heap->size(pstbuild::make_hid(2, 0)), std::out_of_range);  // no page 2
}

TEST_P(HeapTest, SignaturesAreChecked) {
    pstbuild::HeapBuilder builder(GetParam(), pstbuild::kClientSignatureTc);
    builder.allocate(pattern(4, 0));
    auto data = builder.build();
    const pstread::node tc = ltptest::open_bytes(GetParam(), data);

    EXPECT_EQ(heap_impl(tc).get_client_signature(), pstbuild::kClientSignatureTc);
    try {
        heap_impl pc(tc, pstbuild::kClientSignaturePc);
        ADD_FAILURE() << "opened a table context as a property context";
    } catch (const pstread::sig_mismatch& error) {
        EXPECT_STREQ(error.what(), "invalid client_sig");
        EXPECT_EQ(error.id(), ltptest::kTestNid);
        EXPECT_EQ(error.computed(), pstbuild::kClientSignatureTc);
        EXPECT_EQ(error.stored(), pstbuild::kClientSignaturePc);
    }

    data[2] = 0xED;  // bSig
    const pstread::node broken = ltptest::open_bytes(GetParam(), data);
    try {
        heap_impl heap(broken);
        ADD_FAILURE() << "opened a heap without its signature";
    } catch (const pstread::sig_mismatch& error) {
        EXPECT_STREQ(error.what(), "invalid heap_sig");
        EXPECT_EQ(error.computed(), 0xED);
        EXPECT_EQ(error.stored(), pstread::heap_signature);
    }
}

TEST_P(HeapTest, NodesTooShortForAHeader) {
    EXPECT_THROW(heap_impl(ltptest::open_bytes(GetParam(), pattern(11, 0))), std::out_of_range);
    EXPECT_THROW(heap_impl(ltptest::open_bytes(GetParam(), {})), std::out_of_range);
}

// A one-page heap of three items (4, 0 and 6 bytes) whose page map can be
// altered: the node's block is exactly the page.
struct small_heap {
    std::vector<std::uint8_t> page;
    std::size_t map = 0;  // offset of the page map
    std::uint32_t hids[3] = {};

    explicit small_heap(Variant variant) {
        pstbuild::HeapBuilder builder(variant, pstbuild::kClientSignaturePc);
        hids[0] = builder.allocate(pattern(4, 0));
        hids[1] = builder.allocate({});
        hids[2] = builder.allocate(pattern(6, 1));
        page = builder.build();
        map = ltptest::get16(page, 0);
    }
    std::size_t rgib(std::size_t k) const { return map + 4 + 2 * k; }
};

TEST_P(HeapTest, EqualNeighboursMakeAnEmptyItem) {
    const small_heap h(GetParam());
    const auto heap = open_heap(GetParam(), h.page);
    EXPECT_EQ(heap->size(h.hids[1]), 0u);
    EXPECT_EQ(heap->read(std::span<std::uint8_t>(), h.hids[1], 0), 0u);
    EXPECT_TRUE(heap->read(h.hids[1]).empty());
}

TEST_P(HeapTest, PageMapFaultsAreRejectedInsideThePage) {
    struct fault {
        const char* name;
        std::function<void(small_heap&)> change;
        const char* message;  // part of the error
    };
    const fault faults[] = {
        {"page map offset past the page",
         [](small_heap& h) {
             ltptest::put16(h.page, 0, static_cast<std::uint16_t>(h.page.size() + 1));
         },
         "page_map_offset > node size"},
        {"page map offset leaving no room for cAlloc",
         [](small_heap& h) {
             ltptest::put16(h.page, 0, static_cast<std::uint16_t>(h.page.size() - 2));
         },
         "runs past the page end"},
        {"num_allocs one more than the page holds",
         [](small_heap& h) { ltptest::put16(h.page, h.map, 4); }, "num_allocs 4 overruns the page"},
        {"num_allocs far beyond the page",
         [](small_heap& h) { ltptest::put16(h.page, h.map, 0xFFFF); },
         "num_allocs 65535 overruns the page"},
        {"an item ending before it starts",
         [](small_heap& h) { ltptest::put16(h.page, h.rgib(3), 2); }, "spans"},
        {"an item ending past the page",
         [](small_heap& h) {
             ltptest::put16(h.page, h.rgib(3), static_cast<std::uint16_t>(h.page.size() + 1));
         },
         "spans"},
    };
    for (const fault& f : faults) {
        SCOPED_TRACE(f.name);
        small_heap h(GetParam());
        f.change(h);
        const auto heap = open_heap(GetParam(), h.page);
        for (int attempt = 0; attempt < 2; ++attempt) {  // failures are not remembered as success
            try {
                heap->size(h.hids[2]);
                ADD_FAILURE() << "read an item of a broken page";
            } catch (const std::exception& error) {
                EXPECT_NE(std::string(error.what()).find(f.message), std::string::npos)
                    << error.what();
                const bool corrupt_family =
                    dynamic_cast<const pstread::database_corrupt*>(&error) ||
                    dynamic_cast<const std::length_error*>(&error);
                EXPECT_TRUE(corrupt_family) << error.what();
            }
        }
    }
}

}  // namespace
