// Property contexts: where values live (inline, heap, subnode), the typed
// readers and their charset rule, multi-valued layouts, value streams, and
// the faults of short or inconsistent values.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "pstread/ltp/ltp_test_file.h"
#include "pstread/ltp/property_bag.h"
#include "support/property_context_builder.h"
#include "text/code_page_table.h"

namespace {

using ltptest::Variant;
using pstread::property_bag;
using namespace pstbuild;

const mailwright::text::TextEncodingItem* cp1252() {
    return mailwright::text::GetCodePageInfo(1252);
}

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
    }
    return bytes;
}

property_bag open_bag(Variant variant, const PropertyContextBuilder& builder) {
    return property_bag(ltptest::open_node(variant, builder.build()));
}

// A low subnode threshold, so that modest values go to subnodes.
PcOptions small_heap_values() {
    PcOptions options;
    options.values.max_heap_value = 100;
    return options;
}

class PropertyBagTest : public ::testing::TestWithParam<Variant> {};

INSTANTIATE_TEST_SUITE_P(Variants, PropertyBagTest, ::testing::ValuesIn(ltptest::kVariants),
                         [](const auto& info) { return ltptest::variant_name(info.param); });

TEST_P(PropertyBagTest, ValuesInlineInTheHeapAndInSubnodes) {
    PropertyContextBuilder builder(GetParam(), small_heap_values());
    const auto small = pattern(60);
    const auto large = pattern(20000);  // a subnode of three data blocks
    builder.set(0x0002, pv_short(-2))
        .set(0x0003, pv_long(-70000))
        .set(0x000B, pv_bool(true))
        .set(0x0004, pv_float(1.5f))
        .set(0x0014, pv_i8(-5))
        .set(0x0E06, pv_systime(0x01D0000012345678))
        .set(0x0005, pv_double(2.25))
        .set(0x1001, pv_binary(small))
        .set(0x1002, pv_binary(large))
        .set(0x1003, pv_binary({}));
    const property_bag bag = open_bag(GetParam(), builder);

    EXPECT_EQ(bag.property_ids(),
              (std::vector<std::uint16_t>{0x0002, 0x0003, 0x0004, 0x0005, 0x000B, 0x0014, 0x0E06,
                                          0x1001, 0x1002, 0x1003}));
    EXPECT_EQ(bag.property_type(0x0E06), kPtSysTime);
    EXPECT_EQ(bag.inline_value_2(0x0002), 0xFFFE);
    EXPECT_EQ(static_cast<std::int32_t>(bag.inline_value_4(0x0003)), -70000);
    EXPECT_EQ(bag.inline_value_1(0x0003), 0x90);  // -70000 is 0xFFFEEE90
    EXPECT_TRUE(bag.read_bool(0x000B));
    EXPECT_EQ(std::bit_cast<float>(bag.inline_value_4(0x0004)), 1.5f);
    EXPECT_EQ(static_cast<std::int64_t>(bag.value_8(0x0014)), -5);
    EXPECT_EQ(bag.value_8(0x0E06), 0x01D0000012345678u);
    EXPECT_EQ(std::bit_cast<double>(bag.value_8(0x0005)), 2.25);
    EXPECT_EQ(bag.read_bytes(0x1001), small);
    EXPECT_EQ(bag.value_size(0x1001), small.size());
    EXPECT_EQ(bag.read_bytes(0x1002), large);
    EXPECT_EQ(bag.value_size(0x1002), large.size());
    EXPECT_TRUE(bag.read_bytes(0x1003).empty());
    EXPECT_TRUE(pstread::is_subnode_id(bag.get_entry(0x1002).id));
    EXPECT_FALSE(pstread::is_subnode_id(bag.get_entry(0x1001).id));
}

TEST_P(PropertyBagTest, MissingPropertiesAndOtherNodes) {
    PropertyContextBuilder builder(GetParam());
    builder.set(0x3001, pv_unicode("Inbox"));
    const property_bag bag = open_bag(GetParam(), builder);
    EXPECT_TRUE(bag.has_property(0x3001));
    EXPECT_FALSE(bag.has_property(0x3002));
    using missing = pstread::key_not_found<std::uint16_t>;
    EXPECT_THROW(bag.property_type(0x3002), missing);
    EXPECT_THROW(bag.inline_value_4(0x3002), missing);
    EXPECT_THROW(bag.value_8(0x3002), missing);
    EXPECT_THROW(bag.value_bytes(0x3002), missing);
    EXPECT_THROW(bag.value_size(0x3002), missing);
    EXPECT_THROW(bag.open_value_stream(0x3002), missing);
    EXPECT_THROW(bag.read_wstring(0x3002), missing);
    try {
        bag.read_bool(0x3002);
    } catch (const missing& error) {
        EXPECT_EQ(error.which(), 0x3002);
    }

    // A table context is not a property context.
    HeapBuilder heap(GetParam(), kClientSignatureTc);
    heap.set_root(heap.allocate(std::vector<std::uint8_t>(8, 0)));
    try {
        property_bag tc(ltptest::open_bytes(GetParam(), heap.build()));
        ADD_FAILURE() << "opened a table context as a property context";
    } catch (const pstread::sig_mismatch& error) {
        EXPECT_STREQ(error.what(), "invalid client_sig");
    }
}

TEST_P(PropertyBagTest, StringsFollowTheirTypeAndTheCharset) {
    PropertyContextBuilder builder(GetParam());
    const std::string cafe = "caf\xE9";
    builder.set(0x0037, pv_string8(cafe))
        .set(0x0038, PropertyValue{kPtUnicode, {0x63, 0, 0xE9, 0}})  // "cé" in UTF-16LE
        .set(0x0039, PropertyValue{kPtUnicode, {'c', 'a', 'f', 0xE9}})
        .set(0x003A, pv_string8(""))
        .set(0x003B, pv_unicode("\xF0\x9F\x98\x80 ok"));  // U+1F600
    property_bag bag = open_bag(GetParam(), builder);

    // Before a charset is set, 8-bit text cannot be decoded (empty text can).
    EXPECT_EQ(bag.charset(), nullptr);
    EXPECT_THROW(bag.read_wstring(0x0037), std::runtime_error);
    EXPECT_EQ(bag.read_wstring(0x003A), U"");

    bag.set_charset(cp1252());
    EXPECT_EQ(bag.charset(), cp1252());
    EXPECT_EQ(bag.read_wstring(0x0037), U"caf\u00E9");
    EXPECT_EQ(bag.read_unistring(0x0037), u"caf\u00E9");
    EXPECT_EQ(bag.read_utf8string(0x0037), "caf\xC3\xA9");
    EXPECT_EQ(bag.read_wstring(0x0038), U"c\u00E9");
    // The same bytes as PT_STRING8 and PT_UNICODE read differently.
    EXPECT_EQ(bag.read_unistring(0x0039), std::u16string({u'\u6163', u'\uE966'}));
    EXPECT_EQ(bag.read_wstring(0x003B), U"\U0001F600 ok");
    EXPECT_EQ(bag.read_unistring(0x003B), u"\U0001F600 ok");
}

TEST_P(PropertyBagTest, RawRecords) {
    PropertyContextBuilder builder(GetParam());
    builder
        .set_raw(0x000B, kPtBoolean, 0x100)  // only the second byte set
        .set_raw(0x0037, kPtUnicode, 0)      // HID 0: an empty value
        .set_raw(0x1000, kPtBinary, 0);
    const property_bag bag = open_bag(GetParam(), builder);
    EXPECT_TRUE(bag.read_bool(0x000B));
    EXPECT_EQ(bag.inline_value_1(0x000B), 0);
    EXPECT_EQ(bag.read_wstring(0x0037), U"");
    EXPECT_TRUE(bag.read_bytes(0x1000).empty());
    EXPECT_EQ(bag.value_size(0x1000), 0u);
    pstread::hnid_istream stream(bag.open_value_stream(0x1000));
    EXPECT_EQ(stream.get(), std::char_traits<char>::eof());
}

TEST_P(PropertyBagTest, MultiValuedValues) {
    PropertyContextBuilder builder(GetParam());
    builder.set(0x8001, pv_mv_unicode({"one", "", "thr\xC3\xA9\x65"}))
        .set(0x8002, pv_mv_string8({"caf\xE9", "x"}))
        .set(0x8003, pv_mv_binary({{1, 2, 3}, {}, {4}}))
        .set(0x8004, PropertyValue{0x101F, {0, 0, 0, 0}});
    property_bag bag = open_bag(GetParam(), builder);
    bag.set_charset(cp1252());
    EXPECT_EQ(bag.read_multi_unistring(0x8001),
              (std::vector<std::u16string>{u"one", u"", u"thr\u00E9e"}));
    EXPECT_EQ(bag.read_multi_unistring(0x8002), (std::vector<std::u16string>{u"caf\u00E9", u"x"}));
    EXPECT_EQ(bag.read_multi_bytes(0x8003),
              (std::vector<pstread::byte_buffer>{{1, 2, 3}, {}, {4}}));
    EXPECT_TRUE(bag.read_multi_bytes(0x8004).empty());
}

TEST(MultiValuedLayout, InconsistentValuesAreRejectedBeforeAllocating) {
    struct bad_value {
        const char* name;
        pstread::byte_buffer bytes;
        const char* message;
    };
    const bad_value cases[] = {
        {"shorter than the count", {1, 0, 0}, "mv prop too short"},
        {"two items announced in 8 bytes", {2, 0, 0, 0, 12, 0, 0, 0}, "mv prop too short"},
        {"a count of 2^32 - 1", {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, "mv prop too short"},
        {"offsets falling",
         {2, 0, 0, 0, 14, 0, 0, 0, 12, 0, 0, 0, 'a', 'b', 'c', 'd'},
         "inconsistent mv prop toc"},
        {"last offset past the value", {1, 0, 0, 0, 40, 0, 0, 0, 'a'}, "inconsistent mv prop toc"},
    };
    for (const bad_value& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            pstread::split_multi_valued(c.bytes);
            ADD_FAILURE() << "split an inconsistent value";
        } catch (const std::length_error& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
    EXPECT_EQ(pstread::split_multi_valued({1, 0, 0, 0, 8, 0, 0, 0}),
              (std::vector<pstread::byte_buffer>{{}}));
}

// Safe side: an 8-byte reader over a value of fewer bytes fails cleanly,
// whether the value is a heap item or a subnode.
TEST_P(PropertyBagTest, EightByteReadOfAShortValueFails) {
    PropertyContextBuilder builder(GetParam());
    builder.set(0x1000, pv_binary({1, 2, 3, 4}));
    const std::uint32_t four_bytes = builder.layout().records.at(0x1000);
    const std::uint32_t short_subnode = make_nid(kNidTypeLtp, 0x700);
    builder.set_raw(0x0E06, kPtSysTime, four_bytes)
        .set_raw(0x0E07, kPtSysTime, short_subnode)
        .add_subnode({short_subnode, {1, 2, 3}, {}});
    ASSERT_EQ(builder.layout().records.at(0x1000), four_bytes);
    const property_bag bag = open_bag(GetParam(), builder);
    EXPECT_THROW(bag.value_8(0x0E06), pstread::database_corrupt);
    EXPECT_THROW(bag.value_8(0x0E07), pstread::database_corrupt);
    EXPECT_EQ(bag.read_bytes(0x0E06), (pstread::byte_buffer{1, 2, 3, 4}));
}

TEST_P(PropertyBagTest, ObjectValuesNameTheirSubnode) {
    PropertyContextBuilder builder(GetParam());
    const std::uint32_t nid = make_nid(kNidTypeLtp, 0x555);
    builder.set_object(0x3701, Subnode{nid, pattern(30), {}});
    const property_bag bag = open_bag(GetParam(), builder);
    const auto reference = bag.read_bytes(0x3701);
    ASSERT_EQ(reference.size(), 8u);
    EXPECT_EQ(pstread::load_le<std::uint32_t>(reference, 0), nid);
    EXPECT_EQ(pstread::load_le<std::uint32_t>(reference, 4), 30u);
    EXPECT_EQ(bag.get_node().lookup(nid).read_all(), pattern(30));
}

TEST_P(PropertyBagTest, ManyPropertiesBehindIndexLevels) {
    PcOptions options;
    options.bth = {.max_leaf_entries = 5, .max_index_entries = 4};
    PropertyContextBuilder builder(GetParam(), options);
    std::vector<std::uint16_t> ids;
    for (std::uint16_t id = 0x4000; id < 0x4000 + 300; ++id) {
        builder.set(id, pv_long(id));
        ids.push_back(id);
    }
    ASSERT_GE(builder.layout().index_levels, 2);
    const property_bag bag = open_bag(GetParam(), builder);
    EXPECT_EQ(bag.property_ids(), ids);
    for (const std::uint16_t id : ids) {
        EXPECT_EQ(bag.inline_value_4(id), id);
    }
}

TEST_P(PropertyBagTest, StreamsOverHeapAndSubnodeValues) {
    PropertyContextBuilder builder(GetParam(), small_heap_values());
    const auto hundred = pattern(100);
    const auto large = pattern(30000);
    builder.set(0x1000, pv_binary(hundred)).set(0x1001, pv_binary(large));
    const property_bag bag = open_bag(GetParam(), builder);

    pstread::hnid_stream_device device = bag.open_value_stream(0x1000);
    EXPECT_FALSE(device.is_node_reader());
    EXPECT_EQ(device.seek(110, std::ios_base::beg), 100);
    EXPECT_EQ(device.seek(-5, std::ios_base::beg), 0);
    EXPECT_EQ(device.seek(-10, std::ios_base::end), 90);
    EXPECT_EQ(device.seek(4, std::ios_base::cur), 94);
    char tail[16];
    EXPECT_EQ(device.read(tail, sizeof tail), 6);
    EXPECT_EQ(device.read(tail, sizeof tail), -1);

    pstread::hnid_istream heap_stream(bag.open_value_stream(0x1000));
    const std::string heap_text(std::istreambuf_iterator<char>(heap_stream), {});
    EXPECT_EQ(pstread::byte_buffer(heap_text.begin(), heap_text.end()), hundred);

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
    EXPECT_EQ(node_stream.tellg(), 13001);
    node_stream.seekg(-3, std::ios_base::end);
    EXPECT_EQ(static_cast<std::uint8_t>(node_stream.get()), large[large.size() - 3]);
    node_stream.seekg(0);
    const std::string all(std::istreambuf_iterator<char>(node_stream), {});
    EXPECT_EQ(pstread::byte_buffer(all.begin(), all.end()), large);
    EXPECT_TRUE(node_stream.eof() || node_stream.peek() == std::char_traits<char>::eof());
}

}  // namespace
