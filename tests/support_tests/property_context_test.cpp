#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "hex_bytes.h"
#include "support/le_bytes.h"
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

}  // namespace
