// The time zone an appointment was scheduled in, read from its stored zone
// descriptions: a time zone definition ([MS-OXOCAL] 2.2.1.41, the persisted
// TZDEFINITION: a Windows zone key name and dated rules) or the older zone
// structure of a recurring series ([MS-OXOCAL] 2.2.1.39, a TZREG: biases and
// the yearly switch dates).
//
//   AppointmentZone zone = ReadAppointmentZone(message, ids);
//   // zone.zone is "America/New_York" for a definition keyed
//   // "Eastern Standard Time"; nothing when the item records none.
//
// A key name is mapped to its IANA zone through ICU's Windows zone table;
// a zone without a usable key name is built from its stored rule, so its
// switches are the ones the item was written with.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pstread/ltp/const_property_object.h"
#include "text/time_zone.h"

namespace mailwright::formats {

// SYSTEMTIME ([MS-DTYP] 2.3.13) as a switch date of a zone rule: wMonth 0
// means the zone has no daylight saving time; with wYear 0, wDay is the
// week of the month (5 = the last) of wDayOfWeek (0 = Sunday).
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// The offsets and switches of a zone: UTC = local + lBias + lStandardBias
// (or lDaylightBias during daylight saving time), in minutes.
struct TimeZoneRule {
    std::int32_t lBias = 0;
    std::int32_t lStandardBias = 0;
    std::int32_t lDaylightBias = 0;
    SystemTime stStandardDate;
    SystemTime stDaylightDate;
};

// TZRULE flags of a definition's rules.
inline constexpr std::uint16_t kTzRuleFlagRecurCurrent = 0x0001;
inline constexpr std::uint16_t kTzRuleFlagEffective = 0x0002;
// The most rules a definition holds.
inline constexpr std::uint16_t kMaxTimeZoneRules = 1024;
// The longest key name (MAX_PATH).
inline constexpr std::uint16_t kMaxTimeZoneKeyName = 260;

struct DatedTimeZoneRule {
    std::uint16_t wFlags = 0;
    std::uint16_t wYear = 0;
    TimeZoneRule rule;
};

struct TimeZoneDefinition {
    std::u16string keyName;
    std::vector<DatedTimeZoneRule> rules;
    // The rule flagged effective, else the last one; null without rules.
    const TimeZoneRule* effectiveRule() const;
};

// The zone structure of a recurring series (48 bytes). Throws
// pstread::database_corrupt for a value shorter than that.
TimeZoneRule ReadTimeZoneStruct(std::span<const std::uint8_t> value);

// A time zone definition. Throws pstread::database_corrupt naming the field
// and offset for a field past the end, an unknown major version, a key name
// above 260 characters or more than 1024 rules. Rules of an unknown major
// version are passed over by their size.
TimeZoneDefinition ReadTimeZoneDefinition(std::span<const std::uint8_t> value);

// The zone a rule describes, named `id`.
text::DateTimeZone ZoneFromRule(const TimeZoneRule& rule, const std::string& id);

// The IANA zone of a Windows zone key name ("W. Europe Standard Time" gives
// "Europe/Berlin"); nothing for a name ICU does not know.
std::optional<text::DateTimeZone> ZoneFromWindowsName(std::u16string_view keyName);

// The zone of a definition: its key name's IANA zone, else its effective
// rule; nothing for a definition without either.
std::optional<text::DateTimeZone> ZoneFromDefinition(const TimeZoneDefinition& definition);

// The property ids of an item's zone descriptions in its store (0 when the
// store does not use the name).
struct TimeZonePropIds {
    std::uint16_t definitionStartDisplay = 0;  // PidLidAppointmentTimeZoneDefinitionStartDisplay
    std::uint16_t definitionRecur = 0;         // PidLidAppointmentTimeZoneDefinitionRecur
    std::uint16_t timeZoneStruct = 0;          // PidLidTimeZoneStruct
    std::uint16_t timeZoneDescription = 0;     // PidLidTimeZoneDescription
};

// The zone the item records. A recurring series' times belong to its
// recurrence zone (the recurrence definition, else the zone structure),
// a single item's to the zone of its start (the start definition, else the
// zone structure); the other sources follow when those are missing. A
// damaged description is logged and passed over. Nothing when the item
// records no usable zone.
std::optional<text::DateTimeZone> ReadAppointmentZone(const pstread::const_property_object& item,
                                                      const TimeZonePropIds& ids, bool recurring);

}  // namespace mailwright::formats
