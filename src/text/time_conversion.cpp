#include "text/time_conversion.h"

#include <cmath>
#include <cstdint>

namespace mailwright::text {
namespace {

constexpr Instant kSecondsPerDay = 86400;
// The OLE automation date range: days above -657435 (0099-12-31; any fraction
// of day -657434 is on 0100-01-01) and below 2958466 (10000-01-01).
constexpr double kOleDateDayBeforeRange = -657435.0;
constexpr double kOleDateDayAfterRange = 2958466.0;
// Beyond this distance from 1970 no calendar applies; rounding is skipped
// there so that it cannot overflow.
constexpr Instant kRoundingLimit = INT64_MAX / 2;

Instant floor_divide(Instant value, Instant divisor) {
    const Instant quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

Instant filetime_to_instant(std::uint64_t filetime) {
    if (filetime >= kFiletimeUnixEpoch) {
        return static_cast<Instant>((filetime - kFiletimeUnixEpoch) / kFiletimeTicksPerSecond);
    }
    return -static_cast<Instant>((kFiletimeUnixEpoch - filetime) / kFiletimeTicksPerSecond);
}

Instant minutes_to_instant(std::uint32_t minutes) {
    // minutes * 600,000,000 ticks cannot overflow 64 bits for 32-bit counts.
    return filetime_to_instant(static_cast<std::uint64_t>(minutes) * kFiletimeTicksPerMinute);
}

std::optional<Instant> ole_date_to_instant(double days) {
    if (!std::isfinite(days) || days <= kOleDateDayBeforeRange || days >= kOleDateDayAfterRange) {
        return std::nullopt;
    }
    const double whole_days = std::trunc(days);
    const double time_of_day = std::fabs(days - whole_days);
    const auto day = static_cast<Instant>(whole_days);
    const auto seconds = static_cast<Instant>(std::llround(time_of_day * kSecondsPerDay));
    return (day - kOleDateUnixEpochDays) * kSecondsPerDay + seconds;
}

Instant nearest_utc_midnight(Instant instant) {
    if (instant > kRoundingLimit || instant < -kRoundingLimit) {
        return instant;
    }
    return floor_divide(instant + kSecondsPerDay / 2, kSecondsPerDay) * kSecondsPerDay;
}

}  // namespace mailwright::text
