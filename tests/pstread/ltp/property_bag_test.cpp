// Property contexts: where values live (inline, heap, subnode, behind index
// levels), the faults of short values, the typed readers and their charset
// rule, multi-valued values that lie about their layout, and value streams.
#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "pstread/ltp/property_bag.h"
#include "pstread/ndb/ndb_file.h"
#include "support/property_context_builder.h"
#include "text/code_page_table.h"

namespace {

using ndbfile::Variant;
using pstread::property_bag;
using namespace pstbuild;

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

}  // namespace
