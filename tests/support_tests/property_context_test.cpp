#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "heap_reader.h"
#include "hex_bytes.h"
#include "ndb_walker.h"
#include "support/le_bytes.h"
#include "support/ndb_builder.h"
#include "support/property_context_builder.h"

namespace {

using namespace pstbuild;

// The message store property context of [MS-PST] 3.8-3.10, 258 bytes.
constexpr const char* kSampleStoreHeap =
    "EC 00 EC BC 20 00 00 00 00 00 00 00 B5 02 06 00"
    "40 00 00 00 34 0E 02 01 A0 00 00 00 38 0E 03 00"
    "00 00 00 00 F9 0F 02 01 60 00 00 00 01 30 1F 00"
    "80 00 00 00 DF 35 03 00 89 00 00 00 E0 35 02 01"
    "C0 00 00 00 E3 35 02 01 00 01 00 00 E7 35 02 01"
    "E0 00 00 00 33 66 0B 00 01 00 00 00 FA 66 03 00"
    "0D 00 0E 00 FF 67 03 00 00 00 00 00 22 9D B5 0A"
    "DC D9 94 43 85 DE 90 AE B0 7D 12 70 55 00 4E 00"
    "49 00 43 00 4F 00 44 00 45 00 31 00 01 00 00 00"
    "F5 5E F6 66 95 69 CC 4C 83 D1 D8 73 98 99 02 85"
    "01 00 00 00 00 00 00 00 22 9D B5 0A DC D9 94 43"
    "85 DE 90 AE B0 7D 12 70 22 80 00 00 00 00 00 00"
    "22 9D B5 0A DC D9 94 43 85 DE 90 AE B0 7D 12 70"
    "42 80 00 00 00 00 00 00 22 9D B5 0A DC D9 94 43"
    "85 DE 90 AE B0 7D 12 70 62 80 00 00 08 00 00 00"
    "0C 00 14 00 6C 00 7C 00 8C 00 A4 00 BC 00 D4 00"
    "EC 00";

TEST(PropertyContext, SampleMessageStoreIsReproduced) {
    const std::vector<std::uint8_t> record_key =
        testbytes::from_hex("22 9D B5 0A DC D9 94 43 85 DE 90 AE B0 7D 12 70");
    auto entry_id = [&](std::uint8_t nid_low) {
        std::vector<std::uint8_t> id = {0, 0, 0, 0};
        id.insert(id.end(), record_key.begin(), record_key.end());
        const std::vector<std::uint8_t> nid = {nid_low, 0x80, 0, 0};
        id.insert(id.end(), nid.begin(), nid.end());
        return id;
    };
    // Set in the order the sample allocated its values.
    PropertyContextBuilder pc(Variant::unicode);
    pc.set(0x0FF9, pv_binary(record_key))
        .set(0x3001, pv_unicode("UNICODE1"))
        .set(0x0E34,
             pv_binary(testbytes::from_hex(
                 "01 00 00 00 F5 5E F6 66 95 69 CC 4C 83 D1 D8 73 98 99 02 85 01 00 00 00")))
        .set(0x35E0, pv_binary(entry_id(0x22)))
        .set(0x35E7, pv_binary(entry_id(0x42)))
        .set(0x35E3, pv_binary(entry_id(0x62)))
        .set(0x0E38, pv_long(0))
        .set(0x35DF, pv_long(0x89))
        .set(0x6633, pv_bool(true))
        .set(0x66FA, pv_long(0x000E000D))
        .set(0x67FF, pv_long(0));
    const NodeContent node = pc.build();
    EXPECT_EQ(node.data, testbytes::from_hex(kSampleStoreHeap));
    EXPECT_TRUE(node.subnodes.empty());
}

TEST(PropertyContext, EachTypeIsStoredWhereItBelongs) {
    const Guid clsid = make_guid(0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8});
    PropertyContextBuilder pc(Variant::ansi);
    pc.set(0x0001, pv_bool(true))
        .set(0x0002, pv_short(-2))
        .set(0x0003, pv_long(-5))
        .set(0x0004, pv_i8(0x0102030405060708))
        .set(0x0005, pv_systime(0x01D0000000000000))
        .set(0x0006, pv_clsid(clsid))
        .set(0x0007, pv_string8("caf\xE9"))
        .set(0x0008, pv_unicode("h\xC3\xA9\xF0\x9F\x98\x80"))  // é and U+1F600
        .set(0x0009, pv_mv_unicode({"a", "", "bc"}))
        .set(0x000A, pv_mv_long({1, -1}))
        .set(0x000B, pv_binary({}));
    const PcLayout layout = pc.layout();
    const heapread::Heap heap = heapread::parse_heap(pc.build().data, Variant::ansi);
    const heapread::Bth bth = heapread::read_bth(heap, heap.root());
    ASSERT_EQ(bth.records.size(), 11u);
    std::map<std::uint16_t, std::pair<std::uint16_t, std::uint32_t>> r;
    for (const auto& [key, data] : bth.records) {
        r[static_cast<std::uint16_t>(key)] = {get_u16(data, 0), get_u32(data, 2)};
    }
    EXPECT_EQ(r[0x0001], std::make_pair(kPtBoolean, 1u));
    EXPECT_EQ(r[0x0002], std::make_pair(kPtShort, 0xFFFEu));
    EXPECT_EQ(r[0x0003], std::make_pair(kPtLong, 0xFFFFFFFBu));
    EXPECT_EQ(heap.item(r[0x0004].second), testbytes::from_hex("08 07 06 05 04 03 02 01"));
    EXPECT_EQ(heap.item(r[0x0005].second).size(), 8u);
    EXPECT_EQ(heap.item(r[0x0006].second),
              testbytes::from_hex("44 33 22 11 66 55 88 77 01 02 03 04 05 06 07 08"));
    EXPECT_EQ(heap.item(r[0x0007].second), testbytes::from_hex("63 61 66 E9"));
    EXPECT_EQ(heap.item(r[0x0008].second), testbytes::from_hex("68 00 E9 00 3D D8 00 DE"));
    EXPECT_EQ(heap.item(r[0x0009].second),
              testbytes::from_hex("03 00 00 00 10 00 00 00 12 00 00 00 12 00 00 00"
                                  "61 00 62 00 63 00"));
    EXPECT_EQ(heap.item(r[0x000A].second), testbytes::from_hex("01 00 00 00 FF FF FF FF"));
    EXPECT_EQ(heap.item(r[0x000B].second).size(), 0u);
    EXPECT_EQ(r[0x0009].first, 0x101F);
    EXPECT_EQ(layout.records.at(0x0003), 0xFFFFFFFBu);
}

TEST(PropertyContext, LargeValuesGoToSubnodesWithTheirOwnDataTrees) {
    std::vector<std::uint8_t> big(20000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i * 7);
    }
    PropertyContextBuilder pc(Variant::unicode);
    pc.set(0x1000, pv_string8("small"))
        .set(0x1013, pv_binary(big))
        .set(0x0037, pv_binary(std::vector<std::uint8_t>(3580, 1)))   // still in the heap
        .set(0x0038, pv_binary(std::vector<std::uint8_t>(3581, 2)));  // a subnode
    Subnode embedded{make_nid(0x04, 0x401), {9, 9, 9}, {}};
    pc.set_object(0x3701, embedded);
    const PcLayout layout = pc.layout();
    const NodeContent node = pc.build();
    ASSERT_EQ(node.subnodes.size(), 3u);
    EXPECT_EQ(layout.records.at(0x1013), make_nid(kNidTypeLtp, 0x400));
    EXPECT_EQ(layout.records.at(0x0038), make_nid(kNidTypeLtp, 0x401));
    EXPECT_EQ(layout.records.at(0x0037) & 0x1F, 0u);

    // Through the node database: the subnode holding the big value is a
    // data tree of three blocks; the PT_OBJECT record names the embedded
    // subnode and its size.
    NdbBuilder ndb;
    ndb.add_node(0x200024, node.data, node.subnodes, 0x8022);
    const std::vector<std::uint8_t> file = ndb.build();
    const walk::NdbWalker walker(file);
    std::map<std::uint32_t, std::vector<std::uint8_t>> subnodes;
    for (const walk::SubnodeEntry& s : walker.subnodes(walker.nodes().at(0x200024).bidSub)) {
        subnodes[s.nid] = walker.stream(s.bidData);
    }
    EXPECT_EQ(subnodes.at(make_nid(kNidTypeLtp, 0x400)), big);
    EXPECT_EQ(subnodes.at(embedded.nid), embedded.data);
    const heapread::Heap heap = heapread::parse_heap(walker.node_data(0x200024), Variant::unicode);
    const std::vector<std::uint8_t> object = heap.item(layout.records.at(0x3701));
    EXPECT_EQ(get_u32(object, 0), embedded.nid);
    EXPECT_EQ(get_u32(object, 4), 3u);
}

TEST(PropertyContext, ManyPropertiesSpanHeapPagesAndIndexLevels) {
    PcOptions options;
    options.bth.max_leaf_entries = 16;
    PropertyContextBuilder pc(Variant::unicode, options);
    for (std::uint16_t id = 0x8000; id < 0x8000 + 200; ++id) {
        pc.set(id, pv_binary(std::vector<std::uint8_t>(150, static_cast<std::uint8_t>(id))));
    }
    const PcLayout layout = pc.layout();
    EXPECT_GE(layout.heap_pages, 4u);
    EXPECT_EQ(layout.index_levels, 1);
    const NodeContent node = pc.build();

    // Each heap page becomes one block of the node's data tree.
    NdbBuilder ndb;
    ndb.add_node(0x21, node.data);
    const std::vector<std::uint8_t> file = ndb.build();
    const walk::NdbWalker walker(file);
    const heapread::Heap heap = heapread::parse_heap(walker.node_data(0x21), Variant::unicode);
    EXPECT_EQ(heap.pages.size(), layout.heap_pages);
    const heapread::Bth bth = heapread::read_bth(heap, heap.root());
    ASSERT_EQ(bth.records.size(), 200u);
    for (const auto& [id, data] : bth.records) {
        EXPECT_EQ(heap.item(get_u32(data, 2)),
                  std::vector<std::uint8_t>(150, static_cast<std::uint8_t>(id)));
    }
}

TEST(PropertyContext, RawRecordsAndReplacement) {
    PropertyContextBuilder pc(Variant::unicode);
    pc.set(0x3001, pv_unicode("first")).set(0x3001, pv_unicode("second"));
    pc.set_raw(0x0E1F, kPtBinary, 0x00001234).add_subnode({0x00001234 | 0x1F, {}, {}});
    pc.set(0x0E08, pv_long(1)).erase(0x0E08);
    const PcLayout layout = pc.layout();
    EXPECT_EQ(layout.records.size(), 2u);
    EXPECT_EQ(layout.records.at(0x0E1F), 0x1234u);
    const heapread::Heap heap = heapread::parse_heap(pc.build().data, Variant::unicode);
    EXPECT_EQ(heap.item(layout.records.at(0x3001)).size(), 12u);  // "second" in UTF-16
    EXPECT_THROW(pc.set(0x0E08, PropertyValue{kPtLong, {1, 2}}), std::invalid_argument);
    EXPECT_THROW(pv_unicode("\xC3"), std::invalid_argument);
}

}  // namespace
