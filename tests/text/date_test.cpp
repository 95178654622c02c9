// PST time values turned into instants, and instants formatted for mail
// headers, MBOX separators, iCalendar and vCard.
#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "text/date_format.h"
#include "text/time_conversion.h"
#include "text/time_zone.h"

namespace mailwright::text {
namespace {

// Sets TZ for one scope and makes the system time zone follow it.
struct ScopedSystemTimeZone {
    std::optional<std::string> previous;

    explicit ScopedSystemTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            previous = old;
        }
        setenv("TZ", tz, 1);
        reload_system_time_zone();
    }
    ~ScopedSystemTimeZone() {
        previous ? setenv("TZ", previous->c_str(), 1) : unsetenv("TZ");
        reload_system_time_zone();
    }
};

TEST(TimeConversion, FiletimesMinutesAndOleDates) {
    const std::pair<std::uint64_t, Instant> filetimes[] = {
        {0, -11644473600},
        {kFiletimeUnixEpoch + 9999999, 0},
        {kFiletimeUnixEpoch - 15000000, -1},  // 1.5 s earlier: toward zero
        {0xFFFFFFFFFFFFFFFFULL, 1833029933770},
    };
    for (const auto& [filetime, instant] : filetimes) {
        EXPECT_EQ(filetime_to_instant(filetime), instant) << filetime;
    }
    // 4500-12-31 23:59, the "no end date" of recurrences.
    EXPECT_EQ(minutes_to_instant(0x5AE980DF), 79870665540);
    EXPECT_EQ(minutes_to_instant(0xFFFFFFFF), 4294967295LL * 60 - 11644473600);

    const Instant ole_epoch = -2209161600;  // 1899-12-30 00:00 UTC
    const std::pair<double, Instant> ole_dates[] = {
        {45292.75, 1704132000},              // 2024-01-01 18:00
        {-1.25, ole_epoch - 86400 + 21600},  // the fraction counts forward
        {-0.5, ole_epoch + 43200},
        {25569.0 + 0.6 / 86400, 1},  // nearest second
        {-657434.0, -59011459200},   // 0100-01-01, the first OLE day
        {2958465.0 + 86399.0 / 86400, 253402300799},
    };
    for (const auto& [days, instant] : ole_dates) {
        EXPECT_EQ(ole_date_to_instant(days), std::optional<Instant>(instant)) << days;
    }
    for (const double days :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -657435.0, 2958466.0, 1e300}) {
        EXPECT_FALSE(ole_date_to_instant(days).has_value()) << days;
    }
}

TEST(TimeConversion, NearestUtcMidnightRoundsHalfADayEitherWay) {
    // Ties go to the later midnight; instants beyond any calendar stay.
    const std::pair<Instant, Instant> cases[] = {
        {43199, 0},       {43200, 86400},         {-43200, 0},
        {-43201, -86400}, {INT64_MIN, INT64_MIN}, {INT64_MAX, INT64_MAX}};
    for (const auto& [instant, midnight] : cases) {
        EXPECT_EQ(nearest_utc_midnight(instant), midnight) << instant;
    }
}

TEST(DateFormat, MailHeaderDatesUseTheOffsetInForce) {
    SharedDateFormatter formatter;
    const auto new_york = DateTimeZone::from_id("America/New_York");
    EXPECT_EQ(formatter.mail_header_date(1710053999, &*new_york),
              "Sun, 10 Mar 2024 01:59:59 -0500");
    EXPECT_EQ(formatter.mail_header_date(1710054000, &*new_york),
              "Sun, 10 Mar 2024 03:00:00 -0400");
    EXPECT_EQ(formatter.mail_header_date(253402300799), "Fri, 31 Dec 9999 23:59:59 +0000");
    ScopedSystemTimeZone tz("Europe/Berlin");
    const DateTimeZone system = DateTimeZone::system();
    EXPECT_EQ(system.id(), "Europe/Berlin");
    EXPECT_EQ(formatter.mail_header_date(1710054000, &system), "Sun, 10 Mar 2024 08:00:00 +0100");
}

TEST(DateFormat, NamesStayEnglishWhateverTheDefaultLocale) {
    const icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("de_DE"), status);
    SharedDateFormatter formatter;
    const std::string text = formatter.mail_header_date(0);
    icu::Locale::setDefault(previous, status);
    EXPECT_EQ(text, "Thu, 01 Jan 1970 00:00:00 +0000");
}

TEST(DateFormat, VCardDatesKeepTheStoredDayInEveryZone) {
    // 17 May 1990 stored at midnight UTC, Berlin, Tokyo, New York and Honolulu.
    const Instant stored[] = {642902400, 642895200, 642870000, 642916800, 642938400};
    for (const char* tz : {"America/Los_Angeles", "Asia/Tokyo"}) {
        ScopedSystemTimeZone system(tz);
        SharedDateFormatter formatter;
        for (const Instant instant : stored) {
            EXPECT_EQ(formatter.vcard_date(instant), "1990-05-17") << tz << " " << instant;
        }
    }
}

TEST(DateFormat, YearsBeyondFourDigitsWriteNothing) {
    SharedDateFormatter formatter;
    for (const Instant instant :
         {Instant{INT64_MIN}, Instant{-62135596801}, Instant{253402300800}, Instant{INT64_MAX}}) {
        EXPECT_EQ(formatter.mail_header_date(instant), "") << instant;
        EXPECT_EQ(formatter.mbox_date(instant), "") << instant;
        EXPECT_EQ(formatter.icalendar_utc_date_time(instant), "") << instant;
    }
    for (const Instant instant : {Instant{INT64_MIN}, Instant{INT64_MAX}, Instant{253402343999}}) {
        EXPECT_EQ(formatter.vcard_date(instant), "") << instant;
    }
    // An instant before 1970 rounds down, not toward zero.
    EXPECT_EQ(formatter.icalendar_utc_date_time(-1), "19691231T235959Z");
}

}  // namespace
}  // namespace mailwright::text
