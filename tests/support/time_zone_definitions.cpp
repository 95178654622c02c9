#include "support/time_zone_definitions.h"

#include "support/property_value.h"

namespace pstbuild {
namespace {

void put_u16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}

// SYSTEMTIME of a switch; all zero for none.
void put_switch(std::vector<std::uint8_t>& out, const std::optional<ZoneSwitch>& s) {
    const ZoneSwitch z = s.value_or(ZoneSwitch{});
    for (const int field : {0, z.month, z.weekday, z.week, z.hour, z.minute, 0, 0}) {
        put_u16(out, static_cast<std::uint32_t>(field));
    }
}

void put_biases(std::vector<std::uint8_t>& out, const ZoneRules& zone) {
    put_u32(out, static_cast<std::uint32_t>(zone.bias));
    put_u32(out, 0);
    put_u32(out, static_cast<std::uint32_t>(zone.to_daylight ? zone.daylight_bias : 0));
}

// Days since 1970 of the switch's day in `year`.
std::int64_t switch_day(const ZoneSwitch& s, int year) {
    const std::int64_t first = days_from_civil(year, s.month, 1);
    std::int64_t day = first + (s.weekday - weekday_of(first) + 7) % 7 + 7 * (s.week - 1);
    int y = 0, m = 0, d = 0;
    civil_from_days(day, y, m, d);
    while (m != s.month) {  // a fifth week that the month does not have: the last
        day -= 7;
        civil_from_days(day, y, m, d);
    }
    return day;
}

std::int64_t switch_local_seconds(const ZoneSwitch& s, int year) {
    return switch_day(s, year) * 86400 + s.hour * 3600 + s.minute * 60;
}

}  // namespace

const ZoneRules& new_york_zone() {
    static const ZoneRules zone{"Eastern Standard Time",
                                "(UTC-05:00) Eastern Time (US & Canada)",
                                "America/New_York",
                                300,
                                -60,
                                ZoneSwitch{3, 2, 0, 2, 0},
                                ZoneSwitch{11, 1, 0, 2, 0}};
    return zone;
}

const ZoneRules& berlin_zone() {
    static const ZoneRules zone{"W. Europe Standard Time",
                                "(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna",
                                "Europe/Berlin",
                                -60,
                                -60,
                                ZoneSwitch{3, 5, 0, 2, 0},
                                ZoneSwitch{10, 5, 0, 3, 0}};
    return zone;
}

const ZoneRules& kolkata_zone() {
    static const ZoneRules zone{"India Standard Time",
                                "(UTC+05:30) Chennai, Kolkata, Mumbai, New Delhi",
                                "Asia/Calcutta",
                                -330,
                                0,
                                std::nullopt,
                                std::nullopt};
    return zone;
}

std::vector<std::uint8_t> time_zone_definition(const ZoneRules& zone, std::uint16_t rule_flags) {
    const std::vector<std::uint8_t> key = utf16le(zone.windows_name);
    std::vector<std::uint8_t> out = {0x02, 0x01};
    put_u16(out, static_cast<std::uint32_t>(2 + 2 + key.size() + 2));  // cbHeader
    put_u16(out, 0x0002);                                              // a key name follows
    put_u16(out, static_cast<std::uint32_t>(key.size() / 2));
    out.insert(out.end(), key.begin(), key.end());
    put_u16(out, 1);  // cRules
    out.insert(out.end(), {0x02, 0x01});
    put_u16(out, 62);  // bytes of the rule after this field
    put_u16(out, rule_flags);
    for (const int field : {2000, 1, 0, 1, 0, 0, 0, 0}) {  // stStart: 2000-01-01
        put_u16(out, static_cast<std::uint32_t>(field));
    }
    put_biases(out, zone);
    put_switch(out, zone.to_daylight ? zone.to_standard : std::nullopt);
    put_switch(out, zone.to_daylight);
    return out;
}

std::vector<std::uint8_t> time_zone_struct(const ZoneRules& zone) {
    std::vector<std::uint8_t> out;
    put_biases(out, zone);
    put_u16(out, 0);
    put_switch(out, zone.to_daylight ? zone.to_standard : std::nullopt);
    put_u16(out, 0);
    put_switch(out, zone.to_daylight);
    return out;
}

std::int64_t days_from_civil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int doe = static_cast<int>(days - era * 146097);
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(yoe + era * 400) + (month <= 2 ? 1 : 0);
}

int weekday_of(std::int64_t days) {
    return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

std::int64_t local_to_utc(const ZoneRules& zone, std::int64_t local_seconds) {
    std::int64_t offset_minutes = zone.bias;
    if (zone.to_daylight && zone.to_standard) {
        const std::int64_t day =
            local_seconds >= 0 ? local_seconds / 86400 : (local_seconds - 86399) / 86400;
        int year = 0, month = 0, d = 0;
        civil_from_days(day, year, month, d);
        const std::int64_t begin = switch_local_seconds(*zone.to_daylight, year);
        const std::int64_t end = switch_local_seconds(*zone.to_standard, year);
        const bool summer = begin < end ? local_seconds >= begin && local_seconds < end
                                        : local_seconds >= begin || local_seconds < end;
        if (summer) {
            offset_minutes += zone.daylight_bias;
        }
    }
    return local_seconds + offset_minutes * 60;
}

}  // namespace pstbuild
