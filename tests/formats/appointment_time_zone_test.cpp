// Zones read from stored zone descriptions: the published example zone
// structure, a definition whose rule makes a zone of its own (key names that
// map to IANA zones are held by the calendar golden file), damaged
// descriptions, and compact VTIMEZONEs.
#include <gtest/gtest.h>

#include "formats/appointment_time_zone.h"
#include "formats/calendar_time_zones.h"
#include "pstread/ndb/exceptions.h"
#include "support/time_zone_definitions.h"

namespace mailwright::formats {
namespace {

std::vector<std::uint8_t> from_hex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// UTC offset in hours of the zone at an instant.
double offset_hours(const text::DateTimeZone& zone, text::Instant at) {
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t raw = 0, dst = 0;
    zone.icu_zone().getOffset(static_cast<UDate>(at) * 1000.0, false, raw, dst, status);
    return (raw + dst) / 3600000.0;
}

constexpr text::Instant kJuly2024 = 1721044800;  // 2024-07-15 12:00 UTC
constexpr text::Instant kMarch9 = 1710000000;    // 2024-03-09 16:00 UTC, before US DST
constexpr text::Instant kMarch11 = 1710172800;   // 2024-03-11 16:00 UTC, after it

TEST(AppointmentTimeZone, StoredZonesGiveTheirOffsets) {
    // The standard's example: UTC-8, daylight from the second Sunday of
    // March to the first Sunday of November.
    const auto example = ZoneFromRule(
        ReadTimeZoneStruct(from_hex("E001000000000000C4FFFFFF000000000B0000000100020000000000000000"
                                    "0000000300000002000200000000000000")),
        "Pacific");
    struct Case {
        std::optional<text::DateTimeZone> zone;
        const char* id;
        text::Instant at;
        double hours;
    } cases[] = {
        {example, "Pacific", kMarch9, -8},
        {example, "Pacific", kMarch11, -7},
        // A key name ICU does not know: the zone is built from the rule.
        {ZoneFromDefinition(ReadTimeZoneDefinition(pstbuild::time_zone_definition(
             {"Nowhere Standard Time", "", "", -60, -60, pstbuild::ZoneSwitch{3, 5, 0, 2, 0},
              pstbuild::ZoneSwitch{10, 5, 0, 3, 0}},
             2))),
         "Nowhere Standard Time", kJuly2024, 2},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.zone) << c.id;
        EXPECT_EQ(c.zone->id(), c.id);
        EXPECT_EQ(offset_hours(*c.zone, c.at), c.hours) << c.id;
    }
}

TEST(AppointmentTimeZone, DamagedDescriptionsAreCorrupt) {
    const auto good = pstbuild::time_zone_definition(pstbuild::new_york_zone(), 2);
    struct Case {
        std::size_t at;
        std::uint8_t value;
        const char* message;
    } cases[] = {
        {0, 0x03, "major version 3 unknown"},
        {7, 0x02, "cchKeyName 533 above 260"},
        {2, 0x02, "cbHeader 2 too small"},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        bytes[c.at] = c.value;
        try {
            ReadTimeZoneDefinition(bytes);
            ADD_FAILURE() << c.message;
        } catch (const pstread::database_corrupt& fault) {
            EXPECT_NE(std::string(fault.what()).find(c.message), std::string::npos) << fault.what();
        }
    }
    for (std::size_t size = 0; size < good.size(); ++size) {
        EXPECT_THROW(ReadTimeZoneDefinition({good.data(), size}), pstread::database_corrupt)
            << size;
    }
    EXPECT_THROW(ReadTimeZoneStruct(std::vector<std::uint8_t>(47)), pstread::database_corrupt);
}

TEST(AppointmentTimeZone, VTimeZoneCoversTheYearsInUse) {
    const std::string text =
        VTimeZoneText(*text::DateTimeZone::from_id("America/New_York"), kMarch9);
    EXPECT_EQ(text.rfind("\r\nBEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("DTSTART:20230312T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("DTSTART:19"), std::string::npos) << text;
    EXPECT_EQ(text.find("X-TZINFO"), std::string::npos);
}

}  // namespace
}  // namespace mailwright::formats
