// Time zones as Outlook stores them with an appointment, for the builder:
// the Windows rules of a few zones, their persisted forms (a time zone
// definition with the Windows key name, [MS-OXOCAL] 2.2.1.41, and the
// 48-byte zone structure of a recurring series, 2.2.1.39), and the
// conversion of a wall-clock time to UTC under those rules. The conversion
// is the builder's own, so the tests check the reader's zone handling
// against an independent one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pstbuild {

// A yearly switch: the `week`-th (5 = last) `weekday` (0 = Sunday) of
// `month` at `hour`:`minute` local time.
struct ZoneSwitch {
    int month = 0;
    int week = 0;
    int weekday = 0;
    int hour = 0;
    int minute = 0;
};

struct ZoneRules {
    std::string windows_name;  // the definition's key name
    std::string description;   // PidLidTimeZoneDescription
    std::string iana_name;     // the zone a reader should find
    int bias = 0;              // UTC = local + bias (+ daylight_bias in summer), minutes
    int daylight_bias = 0;
    std::optional<ZoneSwitch> to_daylight = {};
    std::optional<ZoneSwitch> to_standard = {};
};

const ZoneRules& new_york_zone();
const ZoneRules& berlin_zone();
const ZoneRules& kolkata_zone();

// TZRULE flags of the one rule a definition holds: 0x0002 (effective) in a
// start definition, 0x0003 in a recurrence definition.
std::vector<std::uint8_t> time_zone_definition(const ZoneRules& zone, std::uint16_t rule_flags);
std::vector<std::uint8_t> time_zone_struct(const ZoneRules& zone);

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t days_from_civil(int year, int month, int day);
void civil_from_days(std::int64_t days, int& year, int& month, int& day);
// 0 = Sunday.
int weekday_of(std::int64_t days);

// Seconds since 1970 (UTC) of a local wall-clock time given as seconds
// since 1970 as if it were UTC.
std::int64_t local_to_utc(const ZoneRules& zone, std::int64_t local_seconds);

}  // namespace pstbuild
