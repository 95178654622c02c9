// Time zones for date formatting: the machine's system zone and GMT.
#pragma once

#include <unicode/timezone.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace mailwright::text {

// An immutable time zone, cheap to copy and safe to share between threads.
class DateTimeZone {
public:
    // The system time zone as last read from the machine (see
    // reload_system_time_zone).
    static DateTimeZone system();
    // GMT, the zone used when an operation is given none.
    static DateTimeZone gmt();
    // A zone by its region/city name such as "Europe/Berlin"; nothing for an
    // unknown name.
    static std::optional<DateTimeZone> from_id(std::string_view id);
    // A zone made by the caller, such as one built from stored rules.
    static DateTimeZone adopt(std::unique_ptr<icu::TimeZone> zone);

    // The zone's name, e.g. "America/New_York" or "GMT".
    std::string id() const;
    const icu::TimeZone& icu_zone() const { return *zone_; }

private:
    explicit DateTimeZone(std::shared_ptr<const icu::TimeZone> zone) : zone_(std::move(zone)) {}
    std::shared_ptr<const icu::TimeZone> zone_;
};

// Reads the system time zone from the machine again (the TZ environment
// variable, else the host setting). The zone is cached after its first use,
// so a process that changes TZ calls this afterwards.
void reload_system_time_zone();

}  // namespace mailwright::text
