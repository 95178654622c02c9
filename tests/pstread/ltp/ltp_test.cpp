// The property and table layer: heaps of several pages and BTrees-on-heap
// one change away from valid; property contexts (where values live, the
// typed readers and the charset rule, multi-valued and short values, value
// streams); table contexts (rows and cells in the heap and in subnodes,
// table infos that lie); the named property map (lookups through the hash
// buckets, the PS_MAPI shortcut, buckets or GUID indexes that disagree).
#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "pstread/ltp/basic_table.h"
#include "pstread/ltp/bth_node.h"
#include "pstread/ltp/heap.h"
#include "pstread/ltp/name_id_map.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ltp/property_sets.h"
#include "pstread/ltp/property_types.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/ndb_file.h"
#include "support/heap_builder.h"
#include "support/le_bytes.h"
#include "support/named_property_map_builder.h"
#include "support/property_context_builder.h"
#include "support/table_context_builder.h"
#include "text/code_page_table.h"

namespace {

using namespace ndbfile;
using namespace pstbuild;
using pstread::bth_keys;
using pstread::heap_impl;
using pstread::name_id_map;
using pstread::named_prop;
using pstread::open_bth;
using pstread::prop_entry;
using pstread::property_bag;
using pstread::table;

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

std::vector<std::uint8_t> pattern(std::size_t size) {
    return ndbfile::pattern(size, 7);
}

property_bag open_bag(Variant variant, const PropertyContextBuilder& builder) {
    return property_bag(ndbfile::node_of(variant, builder.build()));
}

PcOptions small_heap_values() {
    PcOptions options;
    options.values.max_heap_value = 100;  // modest values go to subnodes
    options.bth = {.max_leaf_entries = 5, .max_index_entries = 4};
    return options;
}

TEST(PropertyBagTest, ValuesInlineInTheHeapInSubnodesAndBehindIndexLevels) {
    for (const Variant variant : ndbfile::kVariants) {
        SCOPED_TRACE(ndbfile::variant_name(variant));
        PropertyContextBuilder builder(variant, small_heap_values());
        const auto small = pattern(60);
        const auto large = pattern(20000);  // a subnode of three data blocks
        const std::uint32_t object = make_nid(kNidTypeLtp, 0x555);
        builder.set(0x0002, pv_short(-2))
            .set(0x0003, pv_long(-70000))
            .set(0x0004, pv_float(1.5f))
            .set(0x0005, pv_double(2.25))
            .set(0x0014, pv_i8(-5))
            .set(0x1001, pv_binary(small))
            .set(0x1002, pv_binary(large))
            .set(0x1003, pv_binary({}))
            .set(0x1004, pv_binary({1, 2, 3, 4}))
            .set_raw(0x000B, kPtBoolean, 0x100)  // only the second byte set
            .set_raw(0x0037, kPtUnicode, 0)      // HID 0: an empty value
            .set_object(0x3701, Subnode{object, pattern(30), {}});
        for (std::uint16_t id = 0x4000; id < 0x4000 + 300; ++id) {
            builder.set(id, pv_long(id));
        }
        // Eight-byte values whose heap item or subnode is too short.
        const std::uint32_t short_subnode = make_nid(kNidTypeLtp, 0x700);
        builder.set_raw(0x0E06, kPtSysTime, builder.layout().records.at(0x1004))
            .set_raw(0x0E07, kPtSysTime, short_subnode)
            .add_subnode({short_subnode, {1, 2, 3}, {}});
        ASSERT_GE(builder.layout().index_levels, 2);
        const property_bag bag = open_bag(variant, builder);
        EXPECT_EQ(bag.property_ids().size(), 314u);
        EXPECT_EQ(bag.inline_value_2(0x0002), 0xFFFE);
        EXPECT_EQ(static_cast<std::int32_t>(bag.inline_value_4(0x0003)), -70000);
        EXPECT_EQ(std::bit_cast<float>(bag.inline_value_4(0x0004)), 1.5f);
        EXPECT_EQ(std::bit_cast<double>(bag.value_8(0x0005)), 2.25);
        EXPECT_EQ(static_cast<std::int64_t>(bag.value_8(0x0014)), -5);
        EXPECT_EQ(bag.read_bytes(0x1001), small);
        EXPECT_EQ(bag.read_bytes(0x1002), large);
        EXPECT_EQ(bag.value_size(0x1002), large.size());
        EXPECT_TRUE(pstread::is_subnode_id(bag.get_entry(0x1002).id));
        EXPECT_TRUE(bag.read_bytes(0x1003).empty());
        EXPECT_TRUE(bag.read_bool(0x000B));
        EXPECT_EQ(bag.read_wstring(0x0037), U"");
        const auto reference = bag.read_bytes(0x3701);  // the subnode id, then its size
        EXPECT_EQ(pstread::load_le<std::uint32_t>(reference, 0), object);
        EXPECT_EQ(pstread::load_le<std::uint32_t>(reference, 4), 30u);
        for (std::uint16_t id = 0x4000; id < 0x4000 + 300; id += 7) {
            EXPECT_EQ(bag.inline_value_4(id), id);
        }
        EXPECT_THROW(bag.value_8(0x0E06), pstread::database_corrupt);
        EXPECT_THROW(bag.value_8(0x0E07), pstread::database_corrupt);
        // Absent properties are key_not_found with the id, for every reader.
        using missing = pstread::key_not_found<std::uint16_t>;
        const std::function<void()> readers[] = {
            [&] { bag.property_type(0x3002); },     [&] { bag.inline_value_4(0x3002); },
            [&] { bag.value_8(0x3002); },           [&] { bag.value_bytes(0x3002); },
            [&] { bag.open_value_stream(0x3002); }, [&] { bag.read_wstring(0x3002); }};
        for (const auto& read : readers) {
            EXPECT_THROW(read(), missing);
        }
    }
}

TEST(PropertyBagTest, StringsFollowTheirTypeAndTheCharset) {
    PropertyContextBuilder builder(Variant::ansi);
    builder.set(0x0037, pv_string8("caf\xE9"))
        .set(0x0039, PropertyValue{kPtUnicode, {'c', 'a', 'f', 0xE9}})
        .set(0x003A, pv_string8(""))
        .set(0x003B, pv_unicode("\xF0\x9F\x98\x80 ok"));  // U+1F600
    property_bag bag = open_bag(Variant::ansi, builder);
    // Before a charset is set, 8-bit text cannot be decoded (empty text can).
    EXPECT_THROW(bag.read_wstring(0x0037), std::runtime_error);
    EXPECT_EQ(bag.read_wstring(0x003A), U"");
    bag.set_charset(mailwright::text::GetCodePageInfo(1252));
    EXPECT_EQ(bag.read_unistring(0x0037), u"caf\u00E9");
    EXPECT_EQ(bag.read_utf8string(0x0037), "caf\xC3\xA9");
    // The same bytes as PT_STRING8 and PT_UNICODE read differently.
    EXPECT_EQ(bag.read_unistring(0x0039), std::u16string({u'\u6163', u'\uE966'}));
    EXPECT_EQ(bag.read_wstring(0x003B), U"\U0001F600 ok");
}

TEST(PropertyBagTest, InconsistentMultiValuesAreRejectedBeforeAllocating) {
    struct bad_value {
        const char* name;
        pstread::byte_buffer bytes;
        const char* error_part;
    };
    const bad_value cases[] = {
        {"shorter than the count", {1, 0, 0}, "of 3 bytes is too short for its count"},
        {"two items announced in 8 bytes", {2, 0, 0, 0, 12, 0, 0, 0}, "its 2 value offsets"},
        {"a count of 2^32 - 1", {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, "its 4294967295 value"},
        {"offsets falling",
         {2, 0, 0, 0, 14, 0, 0, 0, 12, 0, 0, 0, 'a', 'b', 'c', 'd'},
         "value 0 spans [0xe, 0xc)"},
        {"last offset past the value", {1, 0, 0, 0, 40, 0, 0, 0, 'a'}, "value 0 spans [0x28, 0x9)"},
    };
    for (const bad_value& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(
            ndbfile::fails_with([&] { pstread::split_multi_valued(c.bytes); }, c.error_part));
    }
    EXPECT_EQ(pstread::split_multi_valued({1, 0, 0, 0, 8, 0, 0, 0}),
              (std::vector<pstread::byte_buffer>{{}}));
}

TEST(PropertyBagTest, StreamsOverHeapAndSubnodeValues) {
    PropertyContextBuilder builder(Variant::unicode, small_heap_values());
    const auto hundred = pattern(100);
    const auto large = pattern(30000);
    builder.set(0x1000, pv_binary(hundred)).set(0x1001, pv_binary(large));
    const property_bag bag = open_bag(Variant::unicode, builder);

    pstread::hnid_stream_device device = bag.open_value_stream(0x1000);
    EXPECT_EQ(device.seek(110, std::ios_base::beg), 100);  // seeks stay inside the value
    EXPECT_EQ(device.seek(-5, std::ios_base::beg), 0);
    EXPECT_EQ(device.seek(-10, std::ios_base::end), 90);
    char tail[16];
    EXPECT_EQ(device.read(tail, sizeof tail), 10);
    EXPECT_EQ(device.read(tail, sizeof tail), -1);

    pstread::hnid_istream node_stream(bag.open_value_stream(0x1001));
    EXPECT_TRUE(node_stream.device().is_node_reader());
    std::vector<char> part(5000);
    node_stream.seekg(8000);  // across the seam of the first two blocks
    node_stream.read(part.data(), static_cast<std::streamsize>(part.size()));
    ASSERT_EQ(node_stream.gcount(), 5000);
    EXPECT_TRUE(
        std::equal(part.begin(), part.end(), large.begin() + 8000,
                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
    EXPECT_EQ(node_stream.tellg(), 13000);
    EXPECT_EQ(static_cast<std::uint8_t>(node_stream.get()), large[13000]);  // tellg kept the place
    node_stream.seekg(0);
    const std::string all(std::istreambuf_iterator<char>(node_stream), {});
    EXPECT_EQ(pstread::byte_buffer(all.begin(), all.end()), large);
}

constexpr std::uint64_t kTime = 0x01D5A1B2C3D4E5F6;

// A folder-like table; row 1 lacks most cells, row 2 has zero values.
TableContextBuilder mixed_table(Variant variant) {
    TableContextBuilder tc(variant);
    tc.add_column(make_tag(0x3001, kPtUnicode))
        .add_column(make_tag(0x3602, kPtLong))
        .add_column(make_tag(0x3007, kPtSysTime))
        .add_column(make_tag(0x360A, kPtBoolean))
        .add_column(make_tag(0x0017, kPtShort))
        .add_column(make_tag(0x0037, kPtString8))
        .add_column(make_tag(0x1000, kPtBinary));
    tc.add_row(0x8022, {{0x3001, pv_unicode("Inbox")},
                        {0x3602, pv_long(12)},
                        {0x3007, pv_systime(kTime)},
                        {0x360A, pv_bool(true)},
                        {0x0017, pv_short(-3)},
                        {0x0037, pv_string8("caf\xE9")},
                        {0x1000, pv_binary({9, 8, 7})}});
    tc.add_row(0x8042, {{0x3001, pv_unicode("Sent")}});
    tc.add_row(0x8062, {{0x3602, pv_long(0)}, {0x360A, pv_bool(false)}});
    return tc;
}

// Where an item of page 0 of a heap starts in the node's data.
std::size_t item_offset(const std::vector<std::uint8_t>& data, std::uint32_t hid) {
    const std::size_t map = get_u16(data, 0);
    return get_u16(data, map + 4 + 2 * (((hid >> 5) & 0x7FF) - 1));
}

std::size_t tcinfo_offset(const std::vector<std::uint8_t>& data) {
    return item_offset(data, get_u32(data, 4));  // hidUserRoot
}

TEST(TableTest, CellsAndRowsOfEveryWidth) {
    const auto* cp1252 = mailwright::text::GetCodePageInfo(1252);
    for (const Variant variant : ndbfile::kVariants) {
        SCOPED_TRACE(ndbfile::variant_name(variant));
        const table tc(node_of(variant, mixed_table(variant).build()));
        const auto& impl = *tc.get_impl();
        ASSERT_EQ(tc.size(), 3u);
        EXPECT_EQ(impl.row_id_at(2), 0x8062u);
        EXPECT_EQ(impl.row_of_id(0x8042), 1u);
        EXPECT_THROW(impl.row_of_id(0x8043), pstread::key_not_found<std::uint32_t>);
        pstread::const_table_row first = tc[0];
        first.set_charset(cp1252);
        EXPECT_EQ(first.read_wstring(0x3001), U"Inbox");
        EXPECT_EQ(first.read_wstring(0x0037), U"caf\u00E9");
        EXPECT_EQ(first.inline_value_4(0x3602), 12u);
        EXPECT_EQ(first.inline_value_2(0x0017), 0xFFFDu);
        EXPECT_TRUE(first.read_bool(0x360A));
        EXPECT_EQ(first.value_8(0x3007), kTime);  // 8 bytes inline in the row
        EXPECT_EQ(first.read_bytes(0x1000), (pstread::byte_buffer{9, 8, 7}));
        // A column whose bit is clear in a row has no cell there; a zero
        // value whose bit is set is a cell.
        EXPECT_EQ(tc[1].property_ids(), (std::vector<std::uint16_t>{0x3001, 0x67F2, 0x67F3}));
        EXPECT_THROW(tc[1].read_bool(0x3602), pstread::key_not_found<std::uint16_t>);
        EXPECT_EQ(impl.get_cell_value(2, 0x3602), 0u);
        std::vector<std::uint32_t> row_ids;
        for (auto it = tc.begin(cp1252); it != tc.end(); ++it) {
            row_ids.push_back((*it).get_row_id());
        }
        EXPECT_EQ(row_ids, (std::vector<std::uint32_t>{0x8022, 0x8042, 0x8062}));
    }
}

// Rows of 40 bytes: 8- and 4-byte cells up to 32 (a gap to 36), a 2-byte
// cell, a 1-byte cell and one bitmap byte.
TableContextBuilder forty_byte_rows(Variant variant, std::size_t rows, RowMatrixPlace place) {
    TcOptions options;
    options.matrix = place;
    TableContextBuilder tc(variant, options);
    tc.set_layout({{kTagLtpRowId, 0, 4, 0},
                   {kTagLtpRowVer, 4, 4, 1},
                   {make_tag(0x0E06, kPtSysTime), 8, 8, 2},
                   {make_tag(0x0E07, kPtLong), 16, 4, 3},
                   {make_tag(0x3001, kPtUnicode), 20, 4, 4},
                   {make_tag(0x0E08, kPtLong), 24, 4, 5},
                   {make_tag(0x0017, kPtShort), 36, 2, 6},
                   {make_tag(0x0E1B, kPtBoolean), 38, 1, 7}},
                  {32, 38, 39, 40});
    for (std::uint32_t r = 0; r < rows; ++r) {
        tc.add_row(0x200004 + 32 * r, {{0x0E07, pv_long(static_cast<std::int32_t>(r))},
                                       {0x0E06, pv_systime(kTime + r)},
                                       {0x3001, pv_unicode("row " + std::to_string(r))},
                                       {0x0E1B, pv_bool(r % 2 == 0)}});
    }
    return tc;
}

TEST(TableTest, RowMatrixInTheHeapAndInAMultiBlockSubnode) {
    for (const Variant variant : ndbfile::kVariants) {
        for (const auto place : {RowMatrixPlace::heap, RowMatrixPlace::subnode}) {
            const std::size_t count = place == RowMatrixPlace::heap ? 50 : 500;
            SCOPED_TRACE(count);
            const TableContextBuilder builder = forty_byte_rows(variant, count, place);
            ASSERT_EQ(pstread::is_subnode_id(builder.layout().rows),
                      place == RowMatrixPlace::subnode);
            const table tc(node_of(variant, builder.build()));
            ASSERT_EQ(tc.size(), count);
            for (const std::uint32_t r : {0u, 49u, 203u, 204u, 407u, 408u, 499u}) {
                if (r >= count) {
                    continue;
                }
                const auto row = tc[r];  // rows 203/204 and 407/408 straddle blocks
                EXPECT_EQ(row.get_row_id(), 0x200004 + 32 * r);
                EXPECT_EQ(row.inline_value_4(0x0E07), r);
                EXPECT_EQ(row.value_8(0x0E06), kTime + r);
                EXPECT_EQ(row.read_bool(0x0E1B), r % 2 == 0);
                EXPECT_FALSE(row.has_property(0x0017));
            }
        }
    }
}

TEST(TableTest, TableInfoOneChangeFromValid) {
    struct fault {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&, std::size_t)> change;  // data, TCINFO
        const char* error_part;
    };
    const auto rgib = [](std::size_t tcinfo, std::size_t k) { return tcinfo + 2 + 2 * k; };
    const auto column = [](std::size_t tcinfo, std::size_t k) { return tcinfo + 22 + 8 * k; };
    const fault faults[] = {
        {"bType", [](auto& d, std::size_t t) { d[t] = 0x7D; }, "heap_sig_tc expected"},
        {"TCI_bm of 0", [&](auto& d, std::size_t t) { put_u16(d, rgib(t, 3), 0); },
         "unusable row layout"},
        {"a row too short for its row id",
         [&](auto& d, std::size_t t) {
             put_u16(d, rgib(t, 2), 2);
             put_u16(d, rgib(t, 3), 3);
         },
         "unusable row layout"},
        {"the bitmap starting after the row ends",
         [&](auto& d, std::size_t t) {
             put_u16(d, rgib(t, 2), static_cast<std::uint16_t>(get_u16(d, rgib(t, 3)) + 1));
         },
         "unusable row layout"},
        {"a cell running past the row",
         [&](auto& d, std::size_t t) {
             put_u16(d, column(t, 0) + 4, static_cast<std::uint16_t>(get_u16(d, rgib(t, 3)) - 1));
         },
         "runs past the row"},
        {"an existence bit past the bitmap",
         [&](auto& d, std::size_t t) { d[column(t, 0) + 7] = 200; }, "outside the bitmap"},
        {"more columns than TCINFO holds", [](auto& d, std::size_t t) { d[t + 1] = 200; },
         "cannot hold 200 columns"},
    };
    ndbfile::for_rows(faults, [&](Variant variant, const fault& f) {
        NodeContent node = mixed_table(variant).build();
        f.change(node.data, tcinfo_offset(node.data));
        EXPECT_TRUE(
            ndbfile::fails_with([&] { const table tc(node_of(variant, node)); }, f.error_part));
    });
}

TEST(TableTest, RowsAndCellsLargerThanTheirRoom) {
    // 500 rows of 40 bytes in three blocks, announced as rows of 9000 bytes:
    // the first block holds no whole row.
    NodeContent big = forty_byte_rows(Variant::unicode, 500, RowMatrixPlace::subnode).build();
    put_u16(big.data, tcinfo_offset(big.data) + 2 + 2 * 3, 9000);  // rgib[TCI_bm]
    EXPECT_THROW(table(node_of(Variant::unicode, big)), pstread::database_corrupt);
    // The 4-byte row version column declared 3 bytes wide.
    NodeContent node = mixed_table(Variant::unicode).build();
    const std::size_t tcinfo = tcinfo_offset(node.data);
    for (std::size_t k = 0; k < node.data[tcinfo + 1]; ++k) {
        if (get_u16(node.data, tcinfo + 22 + 8 * k + 2) == 0x67F3) {
            node.data[tcinfo + 22 + 8 * k + 6] = 3;
        }
    }
    const table tc(node_of(Variant::unicode, node));
    EXPECT_THROW(tc.get_impl()->get_cell_value(0, 0x67F3), pstread::database_corrupt);
    EXPECT_EQ(tc.get_impl()->row_id_at(0), 0x8022u);  // the row id stays readable
}

using not_found = pstread::key_not_found<named_prop>;

name_id_map open_map(const NodeContent& content, Variant variant = Variant::unicode) {
    return name_id_map(ndbfile::node_of(variant, content, kNidNameToIdMap));
}

// NAMEID records, one after the other: dwPropertyID, then wGuid's index
// (shifted, with the string flag) and wPropIdx.
std::vector<std::uint8_t> nameids(
    std::initializer_list<std::tuple<std::uint32_t, bool, std::uint16_t, std::uint16_t>> records) {
    std::vector<std::uint8_t> bytes;
    for (const auto& [id, is_string, guid, index] : records) {
        append_le(bytes, id, 4);
        append_le(bytes, std::uint32_t{index} << 16 | std::uint32_t{guid} << 1 | is_string, 4);
    }
    return bytes;
}

TEST(NameIdMapTest, NamesTheMapHoldsAndDoesNotHold) {
    NamedPropertyMapBuilder builder(Variant::unicode, 1);  // one bucket holds everything
    const std::uint16_t appointment = builder.add(kPsetidAppointment, 0x8205);
    const std::uint16_t common = builder.add(kPsetidCommon, 0x8205);  // same hash
    const std::uint16_t upper = builder.add(kPsPublicStrings, "Keywords");
    const std::uint16_t lower = builder.add(kPsPublicStrings, "keywords");
    const std::uint16_t accented = builder.add(kPsInternetHeaders, "\xC3\xA9t\xC3\xA9");
    name_id_map map = open_map(builder.build());
    struct row {
        named_prop name;
        int id;  // -1: not found
    };
    const row rows[] = {
        {{pstread::psetid_appointment, 0x8205}, appointment},
        {{pstread::psetid_common, 0x8205}, common},
        {{pstread::ps_public_strings, U"Keywords"}, upper},
        {{pstread::ps_public_strings, U"keywords"}, lower},
        {{pstread::ps_internet_headers, U"\u00E9t\u00E9"}, accented},
        {{pstread::ps_public_strings, U"KEYWORDS"}, -1},
        {{pstread::ps_public_strings, U"Categories"}, -1},
        {{pstread::ps_public_strings, 0x8205}, -1},
        {{pstread::psetid_task, 0x8101}, -1},  // a property set the map does not use
        {{pstread::ps_mapi, 0x0037}, 0x0037},  // PS_MAPI names are their own ids
        {{pstread::ps_mapi, 0x8000}, -1},
        {{pstread::ps_mapi, U"Subject"}, -1},
    };
    for (const row& r : rows) {
        if (r.id < 0) {
            EXPECT_THROW(map.lookup(r.name), not_found);
        } else {
            EXPECT_EQ(map.lookup(r.name), r.id);
        }
    }
    EXPECT_EQ(map.guid_index(pstread::psetid_appointment), 3);
    EXPECT_THROW(map.guid_index(pstread::psetid_task), pstread::key_not_found<pstread::guid>);
}

// Buckets whose records point at the wrong entry (as some writers leave
// them) do not make a name resolve to another property: each record is
// checked against its entry, and the entry stream answers when no record
// holds.
TEST(NameIdMapTest, BucketsPointingAtTheWrongEntry) {
    NamedPropertyMapBuilder builder(Variant::unicode);
    const std::uint16_t sharing = builder.add(kPsetidMeeting, 0x8A1C);
    const std::uint16_t first = builder.add(kPsetidTask, 0x8808);
    const std::uint16_t second = builder.add(kPsetidTask, 0x8809);
    const std::uint16_t task = builder.guid_index(kPsetidTask);
    PropertyContextBuilder pc = builder.property_context();
    for (const std::uint32_t id : {0x8808u, 0x8809u}) {
        const std::uint32_t b = name_bucket(id, task, false, kDefaultBucketCount);
        // The record keeps its hash and GUID but names the first entry.
        pc.set(static_cast<std::uint16_t>(kPidNameidBucketBase + b),
               pv_binary(nameids({{id, false, task, sharing - 0x8000}})));
    }
    name_id_map map = open_map(pc.build());
    EXPECT_EQ(map.lookup(pstread::psetid_task, 0x8808), first);
    EXPECT_EQ(map.lookup(pstread::psetid_task, 0x8809), second);
    EXPECT_EQ(map.lookup(pstread::psetid_meeting, 0x8A1C), sharing);
    EXPECT_THROW(map.lookup(pstread::psetid_task, 0x880A), not_found);
}

TEST(NameIdMapTest, DamagedAndMissingEntriesAndStreams) {
    const std::vector<std::uint8_t> strings = {0xF0, 0xFF, 0xFF, 0xFF, 'a', 0};  // length 2^32 - 16
    PropertyContextBuilder pc(Variant::unicode);
    pc.set(kPidNameidBucketCount, pv_long(0))  // no buckets: the entries are searched
        .set(kPidNameidStreamGuid, pv_binary({}))
        .set(kPidNameidStreamEntry,
             pv_binary(nameids({{0, true, 2, 0}, {0x10, false, 9, 1}, {0x8216, false, 0, 2}})))
        .set(kPidNameidStreamString, pv_binary(strings));
    name_id_map map = open_map(pc.build());
    EXPECT_EQ(map.entry_count(), 3u);
    EXPECT_THROW(map.entry_at(0), pstread::database_corrupt);  // name longer than its stream
    EXPECT_THROW(map.entry_at(1), pstread::database_corrupt);  // GUID index past the stream
    EXPECT_THROW(map.entry_at(3), pstread::database_corrupt);  // past the entries
    EXPECT_EQ(map.lookup(pstread::ps_none, 0x8216), 0x8002);
    EXPECT_THROW(map.lookup(pstread::ps_public_strings, U"a"), not_found);

    // Without streams the map is empty; without a bucket count it is no map.
    PropertyContextBuilder bare(Variant::ansi);
    bare.set(kPidNameidBucketCount, pv_long(251));
    name_id_map empty = open_map(bare.build(), Variant::ansi);
    EXPECT_EQ(empty.entry_count(), 0u);
    EXPECT_THROW(empty.lookup(pstread::ps_public_strings, U"Keywords"), not_found);
    EXPECT_THROW(empty.lookup(pstread::psetid_appointment, 0x8216), not_found);
    EXPECT_THROW(open_map(PropertyContextBuilder(Variant::ansi).build(), Variant::ansi),
                 pstread::key_not_found<std::uint16_t>);
}

}  // namespace
