// The calendar's stored blobs. Recurrence lines from the format's published
// example patterns, written in a zone of their own. Zones read from stored zone
// descriptions: the published example zone structure, a definition whose
// rule makes a zone of its own (key names that map to IANA zones are held by
// the calendar golden file), and compact VTIMEZONEs. Hostile or damaged
// blobs of both kinds must stay harmless.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "formats/appointment_time_zone.h"
#include "formats/calendar_time_zones.h"
#include "formats/recurrence_rule.h"
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

// Expects `read` to find the blob corrupt, naming `message`.
template <typename Read>
void expect_corrupt(const Read& read, const char* message) {
    try {
        read();
        ADD_FAILURE() << "no fault for " << message;
    } catch (const pstread::database_corrupt& fault) {
        EXPECT_NE(std::string(fault.what()).find(message), std::string::npos) << fault.what();
    }
}

// The published examples, byte for byte. Daily every 3 days, 8:00-8:30,
// 2011-04-07 to 2011-05-04, 4/19 and 4/22 deleted.
std::vector<std::uint8_t> daily_example() {
    return from_hex(
        "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1"
        "DC0C80D2DC0C00000000207EDC0C0016DD0C0630000009300000E0010000FE010000000000000000"
        "00000000");
}

// Weekly Mon/Thu/Fri 10:00-10:30, 12 times; 2007-04-16 moved to 11:00 with
// its own subject and location.
std::vector<std::uint8_t> weekly_example() {
    return from_hex(
        "043004300B2001000000C0210000010000000000000032000000222000000C000000000000000100"
        "0000A096BC0C01000000A096BC0C8020BC0C20ADBC0C063000000930000058020000760200000100"
        "3499BC0C5299BC0CF898BC0C11002200210053696D706C6520526563757272656E63652077697468"
        "20657863657074696F6E730800070033342F34313431000000000400000000000000000000003499"
        "BC0C5299BC0CF898BC0C2100530069006D0070006C00650020005200650063007500720072006500"
        "6E006300650020007700690074006800200065007800630065007000740069006F006E0073000700"
        "330034002F0034003100340031000000000000000000");
}

std::string written(const std::vector<std::uint8_t>& blob, const char* zone, bool allDay,
                    std::vector<ModifiedOccurrence>* moved = nullptr) {
    std::ostringstream out;
    auto occurrences = WriteRecurrence(blob, {*text::DateTimeZone::from_id(zone), allDay}, out,
                                       text::thread_date_formatter());
    if (moved && occurrences)
        *moved = *occurrences;
    return out.str();
}

TEST(WriteRecurrence, ExamplePatternsGiveRulesInTheirOwnZone) {
    EXPECT_EQ(written(daily_example(), "America/New_York", false),
              "\r\nRRULE:FREQ=DAILY;INTERVAL=3;UNTIL=20110504T120000Z;WKST=SU"
              "\r\nEXDATE;TZID=America/New_York:20110419T080000"
              "\r\nEXDATE;TZID=America/New_York:20110422T080000");
    EXPECT_EQ(written(daily_example(), "Asia/Kolkata", false),
              "\r\nRRULE:FREQ=DAILY;INTERVAL=3;UNTIL=20110504T023000Z;WKST=SU"
              "\r\nEXDATE;TZID=Asia/Kolkata:20110419T080000"
              "\r\nEXDATE;TZID=Asia/Kolkata:20110422T080000");
    EXPECT_EQ(written(daily_example(), "Europe/Berlin", true),
              "\r\nRRULE:FREQ=DAILY;INTERVAL=3;UNTIL=20110504;WKST=SU"
              "\r\nEXDATE;VALUE=DATE:20110419\r\nEXDATE;VALUE=DATE:20110422");

    std::vector<ModifiedOccurrence> moved;
    EXPECT_EQ(written(weekly_example(), "Europe/Berlin", false, &moved),
              "\r\nRRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO,TH,FR;COUNT=12;WKST=SU"
              "\r\nEXDATE;TZID=Europe/Berlin:20070416T100000");
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].start, 1176714000);  // 2007-04-16 11:00 CEST
    EXPECT_EQ(moved[0].end - moved[0].start, 1800);
    EXPECT_EQ(moved[0].exception.WideCharSubject, u"Simple Recurrence with exceptions");
    EXPECT_EQ(moved[0].exception.Location, "34/4141");

    // The other pattern kinds are written from the builder's calendar (golden
    // file) and expanded by real consumers; the month's last day is not there.
    // Monthly, PatternType MonthEnd (4), day 31, never ending.
    const auto month_end = from_hex(
        "043004300C20040000000000000001000000000000001F000000232000000A00000001000000000000000000"
        "00000000000000000000063000000930000000000000000000000000");
    EXPECT_EQ(written(month_end, "UTC", false),
              "\r\nRRULE:FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=-1;WKST=MO");
}

TEST(ReadAppointmentRecurrencePattern, FaultsNameTheFieldAndOffset) {
    struct Case {
        std::size_t at;
        std::vector<std::uint8_t> bytes;
        const char* message;
    } cases[] = {
        {0x04, {0x00}, "RecurFrequency 0x2000 unknown at offset 0x4"},
        {0x06, {0x05}, "PatternType 0x5 unknown at offset 0x6"},
        {0x27, {0x02}, "DeletedInstanceCount 0x201 above 0x1F3 at offset 0x26"},
        {0x2E, {0x02}, "ModifiedInstanceCount 0x2 above 0x1 at offset 0x2E"},
        {0x4E, {0x02}, "ExceptionCount 0x2 differs from ModifiedInstanceCount 0x1 at offset 0x4E"},
        {0x5E, {0xFF}, "ExceptionInfo Subject lengths 0xFF and 0x21 disagree at offset 0x5E"},
        {0x5E, {0xFF, 0xFF, 0xFE, 0xFF}, "ExceptionInfo Subject of 0xFFFE bytes runs past the end"},
        {0x90, {0x01}, "ReservedBlock1Size 0x10000 above 0xFFFE at offset 0x8E"},
        {0xAA, {0xFF}, "ExtendedException WideCharSubject of 0x1FE bytes runs past the end"},
    };
    for (const Case& c : cases) {
        auto blob = weekly_example();
        std::copy(c.bytes.begin(), c.bytes.end(), blob.begin() + c.at);
        expect_corrupt([&] { ReadAppointmentRecurrencePattern(blob); }, c.message);
    }
    // Every cut before the last ExtendedException's end is a fault.
    const auto full = weekly_example();
    for (std::size_t size = 0; size + 4 < full.size(); ++size) {
        const std::span<const std::uint8_t> part(full.data(), size);
        EXPECT_THROW(ReadAppointmentRecurrencePattern(part), pstread::database_corrupt) << size;
    }
    EXPECT_NO_THROW(ReadAppointmentRecurrencePattern({full.data(), full.size() - 4}));
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
    // The published example: UTC-8, daylight from the second Sunday of
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
        expect_corrupt([&] { ReadTimeZoneDefinition(bytes); }, c.message);
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
