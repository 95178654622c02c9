// The named property map: lookups of numeric and string names through the
// hash buckets, the PS_MAPI shortcut, absent names, and maps whose buckets
// or GUID indexes disagree with their entry stream. Every entry of the real
// sample files' maps resolves back to itself in the corpus walk.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "pstread/ltp/name_id_map.h"
#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/ndb_file.h"
#include "support/le_bytes.h"
#include "support/named_property_map_builder.h"
#include "support/property_value.h"

namespace {

using ndbfile::Variant;
using pstread::name_id_map;
using pstread::named_prop;
using namespace pstbuild;

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
