// Conversions of stored time values to instants.
//
// An instant is a count of seconds since 1970-01-01 00:00 UTC, signed so that
// earlier times are negative.
#pragma once

#include <cstdint>
#include <optional>

namespace mailwright::text {

using Instant = std::int64_t;

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01 (0x019DB1DED53E8000).
inline constexpr std::uint64_t kFiletimeUnixEpoch = 116444736000000000ULL;
// FILETIME ticks per second.
inline constexpr std::uint64_t kFiletimeTicksPerSecond = 10000000ULL;
// FILETIME ticks per minute, for minute counts since 1601.
inline constexpr std::uint64_t kFiletimeTicksPerMinute = 600000000ULL;
// Days from the OLE automation epoch 1899-12-30 to 1970-01-01.
inline constexpr std::int64_t kOleDateUnixEpochDays = 25569;

// A PT_SYSTIME value (FILETIME: 100 ns since 1601-01-01 UTC) as an instant,
// rounded toward zero. Every 64-bit value converts without overflow.
Instant filetime_to_instant(std::uint64_t filetime);

// A count of minutes since 1601-01-01 UTC (recurrence patterns) as an instant.
Instant minutes_to_instant(std::uint32_t minutes);

// A PT_APPTIME value (OLE automation date: days since 1899-12-30 00:00 as a
// double, the fraction giving the time of day even for negative days) as an
// instant rounded to the nearest second. Nothing for NaN, infinities and
// values outside the OLE range of years 100 to 9999.
std::optional<Instant> ole_date_to_instant(double days);

// The UTC midnight nearest to the instant (ties go to the later midnight).
// Instants more than 2^62 seconds from 1970 are returned unchanged.
Instant nearest_utc_midnight(Instant instant);

}  // namespace mailwright::text
