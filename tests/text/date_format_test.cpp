#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "date_test_zone.h"
#include "text/date_format.h"
#include "text/time_zone.h"

namespace mailwright::text {
namespace {

using testing::ScopedSystemTimeZone;

DateTimeZone zone(const char* id) {
    auto found = DateTimeZone::from_id(id);
    if (!found) {
        throw std::logic_error(std::string("unknown zone in test: ") + id);
    }
    return *found;
}

struct ZonedCase {
    const char* zone;  // nullptr: no zone given
    Instant instant;
    std::string expected;
};

TEST(MailHeaderDate, FormatsInTheGivenZoneWithTheOffsetInForce) {
    const ZonedCase cases[] = {
        {nullptr, 0, "Thu, 01 Jan 1970 00:00:00 +0000"},
        {"UTC", 0, "Thu, 01 Jan 1970 00:00:00 +0000"},
        {"America/New_York", 0, "Wed, 31 Dec 1969 19:00:00 -0500"},
        {"Europe/Berlin", 0, "Thu, 01 Jan 1970 01:00:00 +0100"},
        // New York, spring forward and fall back 2024.
        {"America/New_York", 1710053999, "Sun, 10 Mar 2024 01:59:59 -0500"},
        {"America/New_York", 1710054000, "Sun, 10 Mar 2024 03:00:00 -0400"},
        {"America/New_York", 1730613599, "Sun, 03 Nov 2024 01:59:59 -0400"},
        {"America/New_York", 1730613600, "Sun, 03 Nov 2024 01:00:00 -0500"},
        // Berlin, spring forward and fall back 2024.
        {"Europe/Berlin", 1711846799, "Sun, 31 Mar 2024 01:59:59 +0100"},
        {"Europe/Berlin", 1711846800, "Sun, 31 Mar 2024 03:00:00 +0200"},
        {"Europe/Berlin", 1729990799, "Sun, 27 Oct 2024 02:59:59 +0200"},
        {"Europe/Berlin", 1729990800, "Sun, 27 Oct 2024 02:00:00 +0100"},
        // Before 1970 and at the start of the FILETIME range.
        {nullptr, -11644473600, "Mon, 01 Jan 1601 00:00:00 +0000"},
        {nullptr, 253402300799, "Fri, 31 Dec 9999 23:59:59 +0000"},
    };
    SharedDateFormatter formatter;
    for (const ZonedCase& c : cases) {
        SCOPED_TRACE(c.instant);
        if (c.zone == nullptr) {
            EXPECT_EQ(formatter.mail_header_date(c.instant), c.expected);
        } else {
            const DateTimeZone z = zone(c.zone);
            EXPECT_EQ(formatter.mail_header_date(c.instant, &z), c.expected) << c.zone;
        }
    }
}

TEST(MailHeaderDate, SystemZoneFollowsTz) {
    struct Case {
        const char* tz;
        std::string expected;
    };
    const Case cases[] = {
        {"America/New_York", "Sun, 10 Mar 2024 03:00:00 -0400"},
        {"Europe/Berlin", "Sun, 10 Mar 2024 08:00:00 +0100"},
        {"UTC", "Sun, 10 Mar 2024 07:00:00 +0000"},
    };
    SharedDateFormatter formatter;
    for (const Case& c : cases) {
        ScopedSystemTimeZone tz(c.tz);
        const DateTimeZone system = DateTimeZone::system();
        EXPECT_EQ(system.id(), c.tz);
        EXPECT_EQ(system_time_zone_name(), c.tz);
        EXPECT_EQ(formatter.mail_header_date(1710054000, &system), c.expected);
    }
}

TEST(MailHeaderDate, NamesStayEnglishWhateverTheDefaultLocale) {
    const icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("de_DE"), status);
    SharedDateFormatter formatter;
    const std::string text = formatter.mail_header_date(0);
    icu::Locale::setDefault(previous, status);
    EXPECT_EQ(text, "Thu, 01 Jan 1970 00:00:00 +0000");
}

TEST(MboxDate, FormatsAndRespectsTheMinimumCapacity) {
    SharedDateFormatter formatter;
    const DateTimeZone berlin = zone("Europe/Berlin");
    EXPECT_EQ(formatter.mbox_date(0), "Thu Jan 01 00:00:00 1970");
    EXPECT_EQ(formatter.mbox_date(1711846800, &berlin), "Sun Mar 31 03:00:00 2024");

    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(formatter.format_mbox_date(0, buffer, 24));
    EXPECT_EQ(buffer[0], '#') << "a buffer below 25 bytes is left untouched";
    ASSERT_TRUE(formatter.format_mbox_date(0, buffer, 25));
    EXPECT_STREQ(buffer, "Thu Jan 01 00:00:00 1970");
    EXPECT_FALSE(formatter.format_mbox_date(0, nullptr, 64));
}

TEST(ICalendarDate, LocalAndUtcForms) {
    SharedDateFormatter formatter;
    const DateTimeZone new_york = zone("America/New_York");
    const DateTimeZone berlin = zone("Europe/Berlin");
    struct Case {
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        {formatter.icalendar_date_time(1710054000, new_york), "20240310T030000"},
        {formatter.icalendar_date_time(1710054000, new_york, true), "20240310"},
        {formatter.icalendar_date_time(1711846799, berlin), "20240331T015959"},
        {formatter.icalendar_date_time(0, new_york, true), "19691231"},
        {formatter.icalendar_utc_date_time(1710054000), "20240310T070000Z"},
        {formatter.icalendar_utc_date_time(1710054000, true), "20240310"},
        {formatter.icalendar_utc_date_time(-1), "19691231T235959Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(VCardDate, KeepsTheStoredDayInEveryZone) {
    // A birthday of 17 May 1990 as stored by clients in different zones: at
    // UTC midnight, or at local midnight of the zone it was entered in.
    const Instant stored[] = {
        642902400,  // 00:00 UTC
        642895200,  // 00:00 Berlin (22:00 UTC the day before)
        642870000,  // 00:00 Tokyo (15:00 UTC the day before)
        642916800,  // 00:00 New York (04:00 UTC)
        642938400,  // 00:00 Honolulu (10:00 UTC)
    };
    for (const char* tz : {"America/Los_Angeles", "UTC", "Europe/Berlin", "Asia/Tokyo"}) {
        ScopedSystemTimeZone system(tz);
        SharedDateFormatter formatter;
        for (const Instant instant : stored) {
            EXPECT_EQ(formatter.vcard_date(instant), "1990-05-17") << tz << " " << instant;
        }
    }
}

TEST(VCardDate, RespectsTheMinimumCapacity) {
    SharedDateFormatter formatter;
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(formatter.format_vcard_date(642902400, buffer, 10));
    EXPECT_EQ(buffer[0], '#');
    ASSERT_TRUE(formatter.format_vcard_date(642902400, buffer, 11));
    EXPECT_STREQ(buffer, "1990-05-17");
}

TEST(DateBuffers, TextThatDoesNotFitIsNotWritten) {
    SharedDateFormatter formatter;
    const DateTimeZone utc = zone("UTC");
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    // "Thu, 01 Jan 1970 00:00:00 +0000" is 31 characters and needs 32 bytes.
    EXPECT_FALSE(formatter.format_mail_header_date(0, buffer, 31));
    EXPECT_FALSE(formatter.format_icalendar_utc_date_time(0, buffer, 16));
    EXPECT_FALSE(formatter.format_icalendar_date_time(0, buffer, 15, utc));
    EXPECT_EQ(buffer[0], '#');
    EXPECT_FALSE(formatter.format_mail_header_date(0, nullptr, 256));

    ASSERT_TRUE(formatter.format_mail_header_date(0, buffer, 32));
    EXPECT_STREQ(buffer, "Thu, 01 Jan 1970 00:00:00 +0000");
    ASSERT_TRUE(formatter.format_icalendar_utc_date_time(0, buffer, 17));
    EXPECT_STREQ(buffer, "19700101T000000Z");
    ASSERT_TRUE(formatter.format_icalendar_date_time(0, buffer, 9, utc, true));
    EXPECT_STREQ(buffer, "19700101");
}

TEST(DateBuffers, InstantsBeyondFourDigitYearsAreRefused) {
    SharedDateFormatter formatter;
    const Instant refused[] = {INT64_MIN, -62135596801, 253402300800, INT64_MAX};
    for (const Instant instant : refused) {
        EXPECT_EQ(formatter.mail_header_date(instant), "") << instant;
        EXPECT_EQ(formatter.icalendar_utc_date_time(instant), "") << instant;
        char buffer[64] = "untouched";
        EXPECT_FALSE(formatter.format_mbox_date(instant, buffer, sizeof buffer));
        EXPECT_STREQ(buffer, "untouched");
    }
    EXPECT_EQ(formatter.vcard_date(INT64_MIN), "");
    EXPECT_EQ(formatter.vcard_date(INT64_MAX), "");
    EXPECT_EQ(formatter.vcard_date(253402300799 + 43200), "");
}

TEST(DateTimeZone, LookupAndNames) {
    EXPECT_EQ(zone("Europe/Berlin").id(), "Europe/Berlin");
    EXPECT_EQ(DateTimeZone::gmt().id(), "GMT");
    EXPECT_FALSE(DateTimeZone::from_id("Not/A_Zone"));
    EXPECT_FALSE(DateTimeZone::from_id(""));
}

TEST(ThreadDateFormatter, EachThreadFormatsIndependently) {
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&results, i] {
            for (int round = 0; round < 50; ++round) {
                results[i] = thread_date_formatter().mail_header_date(86400 * 365);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const std::string& result : results) {
        EXPECT_EQ(result, "Fri, 01 Jan 1971 00:00:00 +0000");
    }
}

}  // namespace
}  // namespace mailwright::text
