#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "heap_reader.h"
#include "hex_bytes.h"
#include "support/crc.h"
#include "support/le_bytes.h"
#include "support/named_property_map_builder.h"
#include "support/property_value.h"

namespace {

using namespace pstbuild;

const Guid kCustom = make_guid(0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10});

TEST(NamedPropertyMap, AssignsIdsAndFillsTheStreams) {
    NamedPropertyMapBuilder map(Variant::unicode);
    EXPECT_EQ(map.add(kPsetidAppointment, 0x820D), 0x8000);
    EXPECT_EQ(map.add(kPsPublicStrings, "Keywords"), 0x8001);
    EXPECT_EQ(map.add(kCustom, "x-custom"), 0x8002);
    EXPECT_EQ(map.add(kPsMapi, 0x0037), 0x8003);
    EXPECT_EQ(map.add(kPsetidAppointment, 0x820D), 0x8000);  // already there

    // GUID stream: PSETID_Appointment (index 3), then the custom GUID (4).
    const std::vector<std::uint8_t> guids = map.guid_stream();
    ASSERT_EQ(guids.size(), 32u);
    EXPECT_EQ(std::vector<std::uint8_t>(guids.begin(), guids.begin() + 16),
              testbytes::from_hex("02 20 06 00 00 00 00 00 C0 00 00 00 00 00 00 46"));

    // Strings: a length DWORD, UTF-16LE, padded to 4 bytes.
    const std::vector<std::uint8_t> strings = map.string_stream();
    ASSERT_EQ(strings.size(), 4u + 16 + 4 + 16);
    EXPECT_EQ(get_u32(strings, 0), 16u);
    EXPECT_EQ(get_u32(strings, 20), 16u);

    // Entries: dwPropertyID, then N | wGuid << 1, then wPropIdx.
    const std::vector<std::uint8_t> entries = map.entry_stream();
    ASSERT_EQ(entries.size(), 4u * 8);
    EXPECT_EQ(entries, testbytes::from_hex("0D 82 00 00 06 00 00 00"     // numeric, wGuid 3
                                           "00 00 00 00 05 00 01 00"     // string, wGuid 2
                                           "14 00 00 00 09 00 02 00"     // string at 20, wGuid 4
                                           "37 00 00 00 02 00 03 00"));  // numeric, PS_MAPI
}

TEST(NamedPropertyMap, RecordsSitInTheirHashBuckets) {
    NamedPropertyMapBuilder map(Variant::ansi);
    map.add(kPsetidAddress, 0x8083);
    map.add(kPsPublicStrings, "Keywords");
    // Numeric name: hash = the id; string name: CRC of the UTF-16LE name.
    const std::uint32_t numeric_bucket = (0x8083u ^ (3u << 1 | 0)) % 251;
    const std::uint32_t keywords_hash = compute_crc(utf16le("Keywords"));
    EXPECT_EQ(name_hash("Keywords"), keywords_hash);
    const std::uint32_t string_bucket = (keywords_hash ^ (2u << 1 | 1)) % 251;
    ASSERT_NE(numeric_bucket, string_bucket);
    EXPECT_EQ(map.bucket(numeric_bucket), testbytes::from_hex("83 80 00 00 06 00 00 00"));
    const std::vector<std::uint8_t> records = map.bucket(string_bucket);
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(get_u32(records, 0), keywords_hash);
    EXPECT_EQ(get_u16(records, 4), 2 << 1 | 1);
    EXPECT_EQ(get_u16(records, 6), 1);

    // The property context holds the count, the three streams and only the
    // two buckets in use.
    const PcLayout layout = map.property_context().layout();
    std::vector<std::uint16_t> ids;
    for (const auto& [id, hnid] : layout.records) {
        ids.push_back(id);
    }
    EXPECT_EQ(ids,
              (std::vector<std::uint16_t>{
                  1, 2, 3, 4,
                  static_cast<std::uint16_t>(0x1000 + std::min(numeric_bucket, string_bucket)),
                  static_cast<std::uint16_t>(0x1000 + std::max(numeric_bucket, string_bucket))}));
    EXPECT_EQ(layout.records.at(kPidNameidBucketCount), 251u);
}

TEST(NamedPropertyMap, BucketsShareHashesAcrossGuids) {
    // The same numeric id under two GUIDs: distinct records, told apart by
    // wGuid (and usually in different buckets).
    NamedPropertyMapBuilder map(Variant::unicode, 1);
    map.add(kPsetidCommon, 0x8501);
    map.add(kPsetidTask, 0x8501);
    const std::vector<std::uint8_t> only = map.bucket(0);
    EXPECT_EQ(only, testbytes::from_hex("01 85 00 00 06 00 00 00 01 85 00 00 08 00 01 00"));
    const heapread::Heap heap = heapread::parse_heap(map.build().data, Variant::unicode);
    const heapread::Bth bth = heapread::read_bth(heap, heap.root());
    ASSERT_EQ(bth.records.size(), 5u);
    EXPECT_EQ(heap.item(get_u32(bth.records[4].second, 2)), only);
}

}  // namespace
