// The heap-on-node and the BTree-on-heap: items of builder heaps of several
// pages, and heaps and trees one change away from valid. Sound trees of
// several index levels are read by the property context tests.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pstread/ltp/bth_node.h"
#include "pstread/ltp/heap.h"
#include "pstread/ltp/property_types.h"
#include "pstread/ndb/ndb_file.h"
#include "support/heap_builder.h"
#include "support/le_bytes.h"

namespace {

using namespace ndbfile;
using pstread::bth_keys;
using pstread::heap_impl;
using pstread::open_bth;
using pstread::prop_entry;

std::shared_ptr<heap_impl> open_heap(Variant variant, const bytes& data) {
    return std::make_shared<heap_impl>(node_of(variant, data));
}

TEST(HeapTest, ItemsReadBackFromEveryPage) {
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        pstbuild::HeapBuilder builder(variant, pstbuild::kClientSignaturePc,
                                      {.page_capacity = 300});
        std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> items;
        for (std::size_t i = 0; i < 12; ++i) {
            auto bytes = pattern(i == 3 ? 0 : 20 + 13 * i, static_cast<std::uint32_t>(i));
            items.emplace_back(builder.allocate(bytes), std::move(bytes));
        }
        builder.set_root(items[5].first);
        ASSERT_GT(builder.page_count(), 3u);
        const auto heap = open_heap(variant, builder.build());
        EXPECT_EQ(heap->get_root_id(), items[5].first);
        for (const auto& [hid, bytes] : items) {
            EXPECT_EQ(heap->size(hid), bytes.size()) << hid;
            EXPECT_EQ(heap->read(hid), bytes) << hid;
        }
        std::vector<std::uint8_t> part(4);
        EXPECT_EQ(heap->read(part, items[7].first, 3), 4u);
        EXPECT_EQ(part, std::vector<std::uint8_t>(items[7].second.begin() + 3,
                                                  items[7].second.begin() + 7));
        EXPECT_TRUE(heap->read(0).empty());  // HID 0 is an empty item
    }
}

// A one-page heap of three items (4, 0 and 6 bytes): the node's block is
// exactly the page.
struct small_heap {
    std::vector<std::uint8_t> data;
    std::size_t map = 0;  // offset of the page map
    std::uint32_t hids[3] = {};

    explicit small_heap(Variant variant) {
        pstbuild::HeapBuilder builder(variant, pstbuild::kClientSignaturePc);
        hids[0] = builder.allocate(pattern(4, 0));
        hids[1] = builder.allocate({});
        hids[2] = builder.allocate(pattern(6, 1));
        data = builder.build();
        map = pstbuild::get_u16(data, 0);
    }
    void set16(std::size_t offset, std::size_t value) {
        pstbuild::put_u16(data, offset, static_cast<std::uint16_t>(value));
    }
    std::size_t rgib(std::size_t k) const { return map + 4 + 2 * k; }
};

TEST(HeapTest, FaultsOfTheFileAreDatabaseCorrupt) {
    struct fault {
        const char* name;
        std::function<void(small_heap&)> change;
        std::function<void(const heap_impl&, const small_heap&)> read;
        const char* error_part;
    };
    const auto size_of = [](int k) {
        return [k](const heap_impl& heap, const small_heap& h) { heap.size(h.hids[k]); };
    };
    const auto size_of_hid = [](std::uint32_t hid) {
        return [hid](const heap_impl& heap, const small_heap&) { heap.size(hid); };
    };
    const auto none = [](small_heap&) {};
    const fault faults[] = {
        {"page map offset past the page", [](small_heap& h) { h.set16(0, h.data.size() + 1); },
         size_of(2), "lies past the page end"},
        {"page map offset leaving no room for cAlloc",
         [](small_heap& h) { h.set16(0, h.data.size() - 2); }, size_of(2),
         "runs past the page end"},
        {"num_allocs one more than the page holds", [](small_heap& h) { h.set16(h.map, 4); },
         size_of(2), "num_allocs 4 overruns the page"},
        {"an item ending before it starts", [](small_heap& h) { h.set16(h.rgib(3), 2); },
         size_of(2), "spans"},
        {"an item ending past the page",
         [](small_heap& h) { h.set16(h.rgib(3), h.data.size() + 1); }, size_of(2), "spans"},
        {"index past num_allocs", none, size_of_hid(pstbuild::make_hid(0, 3)),
         "is not one of the 3 items"},
        {"hidIndex 0 names no item", none, size_of_hid(0x1), "its index 0"},
        {"a page the node does not have", none, size_of_hid(pstbuild::make_hid(1, 0)),
         "page 1 of heap node"},
        {"a read longer than the item", none,
         [](const heap_impl& heap, const small_heap& h) {
             std::vector<std::uint8_t> five(5);
             heap.read(five, h.hids[2], 2);
         },
         "holds 6 bytes, not 5 from offset 0x2"},
    };
    for_rows(faults, [&](Variant variant, const fault& f) {
        small_heap h(variant);
        f.change(h);
        const auto heap = open_heap(variant, h.data);
        for (int attempt = 0; attempt < 2; ++attempt) {  // a failure is not kept as success
            EXPECT_TRUE(fails_with([&] { f.read(*heap, h); }, f.error_part));
        }
    });
}

TEST(HeapTest, HeadersAndSignatures) {
    pstbuild::HeapBuilder builder(Variant::unicode, pstbuild::kClientSignatureTc);
    builder.allocate(pattern(4, 0));
    auto data = builder.build();
    const pstread::node tc = node_of(Variant::unicode, data);
    EXPECT_EQ(heap_impl(tc).get_client_signature(), pstbuild::kClientSignatureTc);
    EXPECT_THROW(heap_impl(tc, pstbuild::kClientSignaturePc), pstread::sig_mismatch);
    data[2] = 0xED;  // bSig
    EXPECT_THROW(heap_impl(node_of(Variant::unicode, data)), pstread::sig_mismatch);
    for (const std::size_t size : {0, 11}) {
        EXPECT_THROW(heap_impl(node_of(Variant::unicode, pattern(size, 0))),
                     pstread::database_corrupt)
            << size;
    }
}

struct built_heap {
    std::shared_ptr<heap_impl> heap;
    std::uint32_t header = 0;
};

// A heap with hand-made items; the first is the BTH header.
built_heap raw_heap(const std::vector<std::vector<std::uint8_t>>& items) {
    pstbuild::HeapBuilder heap(Variant::unicode, pstbuild::kClientSignaturePc);
    std::uint32_t first = 0;
    for (const auto& item : items) {
        const std::uint32_t hid = heap.allocate(item);
        first = first ? first : hid;
    }
    return {std::make_shared<heap_impl>(node_of(Variant::unicode, heap.build())), first};
}

std::vector<std::uint8_t> bth_header(std::uint8_t type, std::uint8_t key, std::uint8_t entry,
                                     std::uint8_t levels, std::uint32_t root) {
    std::vector<std::uint8_t> header = {type, key, entry, levels, 0, 0, 0, 0};
    pstbuild::put_u32(header, 4, root);
    return header;
}

// Index records of a property tree: 2-byte key, 4-byte child HID.
std::vector<std::uint8_t> index_item(
    const std::vector<std::pair<std::uint16_t, std::uint32_t>>& records) {
    std::vector<std::uint8_t> item;
    for (const auto& [key, child] : records) {
        pstbuild::append_le(item, key, 2);
        pstbuild::append_le(item, child, 4);
    }
    return item;
}

TEST(BthTest, DamagedTreesAreDatabaseCorrupt) {
    const std::uint32_t second = pstbuild::make_hid(0, 1);
    struct row {
        const char* name;
        std::vector<std::vector<std::uint8_t>> items;
        std::function<void(const built_heap&)> use;
        const char* error_part;
    };
    const auto open_pc = [](const built_heap& h) {
        return open_bth<std::uint16_t, prop_entry>(h.heap, h.header);
    };
    const auto keys = [&](const built_heap& h) { bth_keys(*open_pc(h)); };
    const auto find = [&](std::uint16_t key) {
        return [&, key](const built_heap& h) { open_pc(h)->find(key); };
    };
    // An index item that names itself as both children, announced with 200
    // levels: a walk would visit 2^200 paths.
    const auto self_index = index_item({{0x01, second}, {0x05, second}});
    const row rows[] = {
        {"bType", {bth_header(0xB6, 2, 6, 0, 0)}, keys, "bth_signature expected"},
        {"cbEnt", {bth_header(0xB5, 2, 4, 0, 0)}, keys, "invalid entry size 4"},
        {"cbKey",
         {bth_header(0xB5, 4, 6, 0, 0)},
         keys,
         "invalid key size 4 in BTree-on-heap header 0x20"},
        {"header of 7 bytes", {{0xB5, 2, 6, 0, 0, 0, 0}}, keys, "holds 7 bytes, not 8"},
        {"index child that is no item",
         {bth_header(0xB5, 2, 6, 1, second), index_item({{0x10, 0x7FE0}})},
         find(0x10),
         "is not one of the"},
        {"self-referencing index, walk",
         {bth_header(0xB5, 2, 6, 200, second), self_index},
         keys,
         "out of order"},
        {"index child of HID 0",
         {bth_header(0xB5, 2, 6, 1, second), index_item({{0x01, 0}})},
         find(0x01),
         ""},
        {"leaf keys out of order",
         {bth_header(0xB5, 2, 6, 0, second),
          {0x05, 0, 3, 0, 1, 0, 0, 0, 0x02, 0, 3, 0, 2, 0, 0, 0}},
         keys,
         "out of order"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const built_heap h = raw_heap(r.items);
        for (int attempt = 0; attempt < 2; ++attempt) {  // a failed load fails again
            EXPECT_TRUE(fails_with([&] { r.use(h); }, r.error_part));
        }
    }
    // A lookup below the first index key loads no child; one through the
    // self-referencing index ends after its 200 levels.
    const built_heap broken =
        raw_heap({bth_header(0xB5, 2, 6, 1, second), index_item({{0x10, 0x7FE0}})});
    EXPECT_THROW(open_pc(broken)->find(0x0F), pstread::key_not_found<std::uint16_t>);
    const built_heap self = raw_heap({bth_header(0xB5, 2, 6, 200, second), self_index});
    EXPECT_NO_THROW(open_pc(self)->find(0x01));
    // A tree without records has root HID 0.
    EXPECT_TRUE(bth_keys(*open_pc(raw_heap({bth_header(0xB5, 2, 6, 0, 0)}))).empty());
}

}  // namespace
