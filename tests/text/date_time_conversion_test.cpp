#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "text/time_conversion.h"

namespace mailwright::text {
namespace {

TEST(FiletimeToInstant, EdgesAndRoundingTowardZero) {
    struct Case {
        std::uint64_t filetime;
        Instant instant;
    };
    const Case cases[] = {
        {0, -11644473600},                                        // 1601-01-01
        {kFiletimeUnixEpoch, 0},                                  // 1970-01-01
        {0x019DB1DED53E8000ULL, 0},                               // the same epoch in hex
        {kFiletimeUnixEpoch + 9999999, 0},                        // under a second later
        {kFiletimeUnixEpoch - 9999999, 0},                        // under a second earlier
        {kFiletimeUnixEpoch - 10000000, -1},                      // one second earlier
        {kFiletimeUnixEpoch - 15000000, -1},                      // 1.5 s earlier: toward zero
        {kFiletimeUnixEpoch + 17040672000000000ULL, 1704067200},  // 2024-01-01
        {0x7FFFFFFFFFFFFFFFULL, 910692730085},                    // far future
        {0xFFFFFFFFFFFFFFFFULL, 1833029933770},                   // largest value
    };
    for (const Case& c : cases) {
        EXPECT_EQ(filetime_to_instant(c.filetime), c.instant) << c.filetime;
    }
}

TEST(MinutesToInstant, IsFiletimeOfMinutesTimesSixHundredMillion) {
    struct Case {
        std::uint32_t minutes;
        Instant instant;
    };
    const Case cases[] = {
        {0, -11644473600},
        {1, -11644473540},
        {0x5AE980DF, 79870665540},  // 4500-12-31 23:59, "no end date" of recurrences
        {0xFFFFFFFF, 4294967295LL * 60 - 11644473600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(minutes_to_instant(c.minutes), c.instant) << c.minutes;
        EXPECT_EQ(minutes_to_instant(c.minutes),
                  filetime_to_instant(std::uint64_t{c.minutes} * 600000000ULL));
    }
}

TEST(OleDateToInstant, DaysSince1899WithTimeOfDayFraction) {
    struct Case {
        double days;
        Instant instant;
    };
    const Instant ole_epoch = -2209161600;  // 1899-12-30 00:00 UTC
    const Case cases[] = {
        {0.0, ole_epoch},
        {25569.0, 0},
        {45292.75, 1704132000},              // 2024-01-01 18:00
        {1.5, ole_epoch + 86400 + 43200},    // 1899-12-31 12:00
        {-1.25, ole_epoch - 86400 + 21600},  // 1899-12-29 06:00: fraction counts forward
        {-0.5, ole_epoch + 43200},           // same moment as 0.5
        {25569.0 + 0.4 / 86400, 0},          // rounds to the nearest second
        {25569.0 + 0.6 / 86400, 1},
        {-657434.0, -59011459200},                    // 0100-01-01, first OLE day
        {2958465.0 + 86399.0 / 86400, 253402300799},  // 9999-12-31 23:59:59
    };
    for (const Case& c : cases) {
        const auto instant = ole_date_to_instant(c.days);
        ASSERT_TRUE(instant.has_value()) << c.days;
        EXPECT_EQ(*instant, c.instant) << c.days;
    }
}

TEST(OleDateToInstant, RefusesValuesOutsideTheOleRange) {
    const double refused[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              -657435.0,
                              2958466.0,
                              1e300,
                              -1e300};
    for (const double days : refused) {
        EXPECT_FALSE(ole_date_to_instant(days).has_value()) << days;
    }
}

TEST(NearestUtcMidnight, RoundsHalfADayEitherWay) {
    struct Case {
        Instant instant;
        Instant midnight;
    };
    const Case cases[] = {
        {0, 0},
        {43199, 0},
        {43200, 86400},  // ties go to the later midnight
        {-1, 0},
        {-43200, 0},
        {-43201, -86400},
        {642895200, 642902400},  // 22:00 UTC the day before
        {642938400, 642902400},  // 10:00 UTC the same day
        {INT64_MIN, INT64_MIN},  // beyond any calendar: unchanged, no overflow
        {INT64_MAX, INT64_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nearest_utc_midnight(c.instant), c.midnight) << c.instant;
    }
}

}  // namespace
}  // namespace mailwright::text
