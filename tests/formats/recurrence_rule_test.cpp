// Recurrence lines from the example patterns of the standard, written in a
// zone of their own, and hostile blobs that must stay harmless.
#include <gtest/gtest.h>

#include <sstream>

#include "formats/recurrence_rule.h"

namespace mailwright::formats {
namespace {

// Little-endian field writer for readable fixtures.
struct Blob {
    std::vector<std::uint8_t> bytes;
    Blob& u16(std::uint16_t v) { return put(v, 2); }
    Blob& u32(std::uint32_t v) { return put(v, 4); }
    Blob& text(std::string_view s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Blob& wide(std::string_view s) {
        for (char c : s)
            u16(static_cast<std::uint8_t>(c));
        return *this;
    }
    Blob& put(std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i)
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
};

// Daily every 3 days, 8:00-8:30, 2011-04-07 to 2011-05-04, 4/19 and 4/22 deleted.
Blob daily_example() {
    Blob b;
    b.u16(0x3004).u16(0x3004).u16(0x200A).u16(0).u16(0);  // versions, Daily, Day, Gregorian
    b.u32(1440).u32(4320).u32(0);                         // FirstDateTime, Period, SlidingFlag
    b.u32(0x2021).u32(10).u32(0);                         // EndType by date, count, FirstDOW
    b.u32(2).u32(215794080).u32(215798400);               // deleted dates
    b.u32(0).u32(215776800).u32(215815680);               // modified, StartDate, EndDate
    b.u32(0x3006).u32(0x3009).u32(480).u32(510).u16(0);   // version2, offsets, ExceptionCount
    b.u32(0).u32(0);                                      // reserved blocks
    return b;
}

// Weekly Mon/Thu/Fri 10:00-10:30, 12 times; 2007-04-16 moved to 11:00 with
// its own subject and location.
Blob weekly_example() {
    Blob b;
    b.u16(0x3004).u16(0x3004).u16(0x200B).u16(1).u16(0);
    b.u32(8640).u32(1).u32(0).u32(0x32);  // ..., day mask M|Th|F
    b.u32(0x2022).u32(12).u32(0);
    b.u32(1).u32(213685920).u32(1).u32(213685920);  // deleted, modified
    b.u32(213655680).u32(213691680);
    b.u32(0x3006).u32(0x3009).u32(600).u32(630).u16(1);
    b.u32(213686580).u32(213686610).u32(213686520).u16(0x11);  // ExceptionInfo
    b.u16(34).u16(33).text("Simple Recurrence with exceptions");
    b.u16(8).u16(7).text("34/4141");
    b.u32(0);                // ReservedBlock1
    b.u32(4).u32(0).u32(0);  // ChangeHighlight, EE1
    b.u32(213686580).u32(213686610).u32(213686520);
    b.u16(33).wide("Simple Recurrence with exceptions").u16(7).wide("34/4141");
    b.u32(0).u32(0);
    return b;
}

std::string written(const Blob& blob, const char* zone, bool allDay,
                    std::vector<ModifiedOccurrence>* moved = nullptr) {
    std::ostringstream out;
    auto occurrences = WriteRecurrence(blob.bytes, {*text::DateTimeZone::from_id(zone), allDay},
                                       out, text::thread_date_formatter());
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
}

TEST(WriteRecurrence, PatternKindsGiveTheirParts) {
    struct Case {
        std::uint16_t frequency, type;
        std::uint32_t firstDateTime, period, specific, n;
        const char* rule;
    } cases[] = {
        {0x200A, 0, 0, 2880, 0, 0, "FREQ=DAILY;INTERVAL=2"},
        {0x200A, 1, 0, 0, 0x3E, 0, "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR"},
        {0x200C, 2, 0, 2, 15, 0, "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=15"},
        {0x200C, 4, 0, 1, 31, 0, "FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=-1"},
        {0x200C, 3, 0, 1, 0x20, 5, "FREQ=MONTHLY;INTERVAL=1;BYDAY=FR;BYSETPOS=-1"},
        {0x200D, 3, 86400, 12, 0x04, 2, "FREQ=YEARLY;INTERVAL=1;BYMONTH=3;BYDAY=TU;BYSETPOS=2"},
        {0x200D, 2, 0, 12, 7, 0, "FREQ=YEARLY;INTERVAL=1;BYMONTH=1;BYMONTHDAY=7"},
    };
    for (const Case& c : cases) {
        Blob b;
        b.u16(0x3004).u16(0x3004).u16(c.frequency).u16(c.type).u16(0);
        b.u32(c.firstDateTime).u32(c.period).u32(0);
        if (c.type == 1 || c.type == 2 || c.type == 4)
            b.u32(c.specific);
        if (c.type == 3)
            b.u32(c.specific).u32(c.n);
        b.u32(0x2023).u32(10).u32(1).u32(0).u32(0).u32(0).u32(0);
        EXPECT_EQ(written(b, "UTC", false), "\r\nRRULE:" + std::string(c.rule) + ";WKST=MO")
            << c.rule;
    }
}

TEST(WriteRecurrence, HostileBlobsStayBounded) {
    Blob counts = weekly_example();
    counts.bytes[0x4E] = 2;  // ExceptionCount no longer equals ModifiedInstanceCount
    std::vector<ModifiedOccurrence> moved;
    written(counts, "UTC", false, &moved);
    EXPECT_TRUE(moved.empty());

    Blob huge = weekly_example();
    huge.bytes[0x5E] = 0xFF;  // SubjectLength runs past the blob
    huge.bytes[0x60] = 0xFE;
    huge.bytes[0x61] = 0xFF;
    written(huge, "UTC", false, &moved);

    const Blob full = weekly_example();
    for (std::size_t size = 0; size < full.bytes.size(); ++size) {
        const std::span<const std::uint8_t> part(full.bytes.data(), size);
        ReadAppointmentRecurrencePattern(part);
    }
    EXPECT_EQ(written(Blob{{0x04, 0x30}}, "UTC", false), "\r\nRRULE:FREQ=;WKST=SU");
}

}  // namespace
}  // namespace mailwright::formats
