// Damaged BTrees-on-heap: bad headers, index items that name themselves,
// empty children, keys out of order. Lookups and walks of sound trees of
// several index levels are held by the property context tests.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pstread/ltp/bth_node.h"
#include "pstread/ltp/property_types.h"
#include "pstread/ndb/ndb_file.h"
#include "support/heap_builder.h"
#include "support/le_bytes.h"

namespace {

using ndbfile::node_of;
using ndbfile::Variant;
using pstread::bth_keys;
using pstread::heap_impl;
using pstread::open_bth;
using pstread::prop_entry;

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
            EXPECT_TRUE(ndbfile::fails_with([&] { r.use(h); }, r.error_part));
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
