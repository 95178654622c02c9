#include "formats/appointment_time_zone.h"

#include <unicode/simpletz.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "formats/property_reading.h"
#include "platform/system_log.h"
#include "pstread/ndb/exceptions.h"

namespace mailwright::formats {
namespace {

using pstread::database_corrupt;

// The definition format versions this reader knows ([MS-OXOCAL] 2.2.1.41).
constexpr std::uint8_t kTzDefinitionMajorVersion = 0x02;
// wFlags of a definition header.
constexpr std::uint16_t kTzDefinitionValidGuid = 0x0001;
constexpr std::uint16_t kTzDefinitionValidKeyName = 0x0002;
constexpr std::size_t kGuidSize = 16;
constexpr std::size_t kTimeZoneStructSize = 48;
constexpr std::int32_t kMillisPerMinute = 60000;
constexpr std::uint16_t kLastWeekOfMonth = 5;

// Little-endian reads over a zone description; a field past the end throws
// database_corrupt naming it and its offset.
class ZoneCursor {
public:
    ZoneCursor(std::span<const std::uint8_t> value, const char* what)
        : value_(value), what_(what) {}

    std::uint8_t u8(const char* field) { return static_cast<std::uint8_t>(read(1, field)); }
    std::uint16_t u16(const char* field) { return static_cast<std::uint16_t>(read(2, field)); }
    std::int32_t i32(const char* field) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(read(4, field)));
    }
    void skip(std::size_t count, const char* field) {
        require(count, field);
        offset_ += count;
    }
    void seek(std::size_t offset, const char* field) {
        if (offset > value_.size()) {
            fail(std::string(field) + " ends past the value", offset_);
        }
        offset_ = offset;
    }
    SystemTime system_time(const char* field) {
        SystemTime t;
        t.wYear = u16(field);
        t.wMonth = u16(field);
        t.wDayOfWeek = u16(field);
        t.wDay = u16(field);
        t.wHour = u16(field);
        t.wMinute = u16(field);
        t.wSecond = u16(field);
        t.wMilliseconds = u16(field);
        return t;
    }
    std::size_t offset() const { return offset_; }

    [[noreturn]] void fail(const std::string& why, std::size_t at) const {
        throw database_corrupt(std::string(what_) + ": " + why + " at offset " +
                               std::to_string(at) + " of a value of " +
                               std::to_string(value_.size()) + " bytes");
    }

private:
    void require(std::size_t width, const char* field) const {
        if (width > value_.size() - offset_) {
            fail(std::string(field) + " runs past the end", offset_);
        }
    }
    std::uint64_t read(std::size_t width, const char* field) {
        require(width, field);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= static_cast<std::uint64_t>(value_[offset_ + i]) << (8 * i);
        }
        offset_ += width;
        return value;
    }

    std::span<const std::uint8_t> value_;
    const char* what_;
    std::size_t offset_ = 0;
};

void read_biases_and_dates(ZoneCursor& cursor, TimeZoneRule& rule) {
    rule.lBias = cursor.i32("lBias");
    rule.lStandardBias = cursor.i32("lStandardBias");
    rule.lDaylightBias = cursor.i32("lDaylightBias");
}

DatedTimeZoneRule read_dated_rule(ZoneCursor& cursor) {
    const std::size_t start = cursor.offset();
    const std::uint8_t major = cursor.u8("TZRule major version");
    cursor.u8("TZRule minor version");
    const std::uint16_t size = cursor.u16("TZRule size");
    const std::size_t next = cursor.offset() + size;
    DatedTimeZoneRule dated;
    if (major == kTzDefinitionMajorVersion) {
        dated.wFlags = cursor.u16("TZRule flags");
        dated.wYear = cursor.system_time("TZRule stStart").wYear;
        read_biases_and_dates(cursor, dated.rule);
        dated.rule.stStandardDate = cursor.system_time("TZRule stStandardDate");
        dated.rule.stDaylightDate = cursor.system_time("TZRule stDaylightDate");
        if (cursor.offset() > next) {
            cursor.fail("TZRule size " + std::to_string(size) + " too small", start);
        }
    } else {
        dated.wFlags = 0xFFFF;  // marks a rule of a version this reader does not know
    }
    cursor.seek(next, "TZRule");
    return dated;
}

bool valid_switch(const SystemTime& t) {
    return t.wMonth >= 1 && t.wMonth <= 12 && t.wDayOfWeek <= 6 && t.wDay >= 1 &&
           t.wDay <= (t.wYear == 0 ? kLastWeekOfMonth : 31) && t.wHour < 24 && t.wMinute < 60 &&
           t.wSecond < 60 && t.wMilliseconds < 1000;
}

// A switch as ICU's SimpleTimeZone takes it: month, day-of-week-in-month
// (-1 the last) and day of week, or with a year the fixed day of the month.
struct IcuSwitch {
    std::int8_t month;
    std::int8_t dayOfWeekInMonth;
    std::int8_t dayOfWeek;
    std::int32_t time;
};

IcuSwitch icu_switch(const SystemTime& t) {
    const std::int32_t time =
        ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
    const auto month = static_cast<std::int8_t>(t.wMonth - 1);
    if (t.wYear != 0) {
        return {month, static_cast<std::int8_t>(t.wDay), 0, time};
    }
    const auto week = static_cast<std::int8_t>(t.wDay == kLastWeekOfMonth ? -1 : t.wDay);
    return {month, week, static_cast<std::int8_t>(t.wDayOfWeek + 1), time};
}

std::unique_ptr<icu::TimeZone> daylight_zone(const TimeZoneRule& rule, std::int32_t rawOffset,
                                             const icu::UnicodeString& name) {
    const std::int64_t savings =
        (std::int64_t{rule.lStandardBias} - rule.lDaylightBias) * kMillisPerMinute;
    if (!valid_switch(rule.stDaylightDate) || !valid_switch(rule.stStandardDate) || savings <= 0 ||
        savings > 24 * 60 * kMillisPerMinute) {
        return nullptr;
    }
    const IcuSwitch start = icu_switch(rule.stDaylightDate);
    const IcuSwitch end = icu_switch(rule.stStandardDate);
    UErrorCode status = U_ZERO_ERROR;
    auto zone = std::make_unique<icu::SimpleTimeZone>(
        rawOffset, name, start.month, start.dayOfWeekInMonth, start.dayOfWeek, start.time,
        end.month, end.dayOfWeekInMonth, end.dayOfWeek, end.time,
        static_cast<std::int32_t>(savings), status);
    return U_SUCCESS(status) ? std::move(zone) : nullptr;
}

std::optional<std::vector<std::uint8_t>> binary_value(const pstread::const_property_object& item,
                                                      std::uint16_t id) {
    if (id == 0 || !item.has_property(id) || item.property_type(id) != pstread::prop_type_binary) {
        return std::nullopt;
    }
    return item.read_bytes(id);
}

// A zone name from a description such as "(UTC-05:00) Eastern Time (US &
// Canada)": the text after the offset, without the characters a TZID
// parameter cannot hold unquoted.
std::string name_from_description(const std::optional<std::u16string>& description,
                                  const TimeZoneRule& rule) {
    std::string name;
    if (description) {
        icu::UnicodeString(false, description->data(), static_cast<int32_t>(description->size()))
            .toUTF8String(name);
        const std::size_t close = name.find(") ");
        if (!name.empty() && name[0] == '(' && close != std::string::npos) {
            name.erase(0, close + 2);
        }
        std::erase_if(name, [](char c) {
            return c == '"' || c == ';' || c == ':' || c == ',' ||
                   static_cast<unsigned char>(c) < 0x20;
        });
    }
    if (name.empty()) {
        const std::int32_t offset = -(rule.lBias + rule.lStandardBias);
        const std::int32_t magnitude = offset < 0 ? -offset : offset;
        char text[32];
        std::snprintf(text, sizeof text, "UTC%c%02d%02d", offset < 0 ? '-' : '+', magnitude / 60,
                      magnitude % 60);
        name = text;
    }
    return name;
}

std::optional<text::DateTimeZone> zone_from_definition_value(
    const pstread::const_property_object& item, std::uint16_t id) {
    const auto value = binary_value(item, id);
    return value ? ZoneFromDefinition(ReadTimeZoneDefinition(*value)) : std::nullopt;
}

std::optional<text::DateTimeZone> zone_from_struct_value(const pstread::const_property_object& item,
                                                         const TimeZonePropIds& ids) {
    const auto value = binary_value(item, ids.timeZoneStruct);
    if (!value) {
        return std::nullopt;
    }
    const TimeZoneRule rule = ReadTimeZoneStruct(*value);
    const auto description =
        ids.timeZoneDescription != 0 ? read_text(item, ids.timeZoneDescription) : std::nullopt;
    return ZoneFromRule(rule, name_from_description(description, rule));
}

}  // namespace

const TimeZoneRule* TimeZoneDefinition::effectiveRule() const {
    const DatedTimeZoneRule* chosen = nullptr;
    for (const DatedTimeZoneRule& dated : rules) {
        if (dated.wFlags == 0xFFFF) {
            continue;
        }
        if (dated.wFlags & kTzRuleFlagEffective) {
            return &dated.rule;
        }
        chosen = &dated;
    }
    return chosen ? &chosen->rule : nullptr;
}

TimeZoneRule ReadTimeZoneStruct(std::span<const std::uint8_t> value) {
    ZoneCursor cursor(value, "time zone structure");
    if (value.size() < kTimeZoneStructSize) {
        cursor.fail("value shorter than " + std::to_string(kTimeZoneStructSize) + " bytes", 0);
    }
    TimeZoneRule rule;
    read_biases_and_dates(cursor, rule);
    cursor.u16("wStandardYear");
    rule.stStandardDate = cursor.system_time("stStandardDate");
    cursor.u16("wDaylightYear");
    rule.stDaylightDate = cursor.system_time("stDaylightDate");
    return rule;
}

TimeZoneDefinition ReadTimeZoneDefinition(std::span<const std::uint8_t> value) {
    ZoneCursor cursor(value, "time zone definition");
    const std::uint8_t major = cursor.u8("major version");
    if (major != kTzDefinitionMajorVersion) {
        cursor.fail("major version " + std::to_string(major) + " unknown", 0);
    }
    cursor.u8("minor version");
    const std::uint16_t headerSize = cursor.u16("cbHeader");
    const std::size_t rulesAt = cursor.offset() + headerSize;
    const std::uint16_t flags = cursor.u16("flags");
    TimeZoneDefinition definition;
    if (flags & kTzDefinitionValidGuid) {
        cursor.skip(kGuidSize, "GUID");
    }
    if (flags & kTzDefinitionValidKeyName) {
        const std::size_t at = cursor.offset();
        const std::uint16_t length = cursor.u16("cchKeyName");
        if (length > kMaxTimeZoneKeyName) {
            cursor.fail("cchKeyName " + std::to_string(length) + " above 260", at);
        }
        for (std::uint16_t i = 0; i < length; ++i) {
            definition.keyName += static_cast<char16_t>(cursor.u16("KeyName"));
        }
    }
    const std::size_t countAt = cursor.offset();
    const std::uint16_t count = cursor.u16("cRules");
    if (count > kMaxTimeZoneRules) {
        cursor.fail("cRules " + std::to_string(count) + " above 1024", countAt);
    }
    if (cursor.offset() > rulesAt) {
        cursor.fail("cbHeader " + std::to_string(headerSize) + " too small", 2);
    }
    cursor.seek(rulesAt, "header");
    for (std::uint16_t i = 0; i < count; ++i) {
        definition.rules.push_back(read_dated_rule(cursor));
    }
    return definition;
}

text::DateTimeZone ZoneFromRule(const TimeZoneRule& rule, const std::string& id) {
    const icu::UnicodeString name = icu::UnicodeString::fromUTF8(id);
    const std::int64_t raw = -(std::int64_t{rule.lBias} + rule.lStandardBias) * kMillisPerMinute;
    const auto rawOffset = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(raw, -24 * 60 * kMillisPerMinute, 24 * 60 * kMillisPerMinute));
    if (auto zone = daylight_zone(rule, rawOffset, name)) {
        return text::DateTimeZone::adopt(std::move(zone));
    }
    return text::DateTimeZone::adopt(std::make_unique<icu::SimpleTimeZone>(rawOffset, name));
}

std::optional<text::DateTimeZone> ZoneFromWindowsName(std::u16string_view keyName) {
    if (keyName.empty()) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString iana;
    icu::TimeZone::getIDForWindowsID(
        icu::UnicodeString(false, keyName.data(), static_cast<int32_t>(keyName.size())), "001",
        iana, status);
    if (U_FAILURE(status) || iana.isEmpty()) {
        return std::nullopt;
    }
    std::string id;
    iana.toUTF8String(id);
    return text::DateTimeZone::from_id(id);
}

std::optional<text::DateTimeZone> ZoneFromDefinition(const TimeZoneDefinition& definition) {
    if (auto zone = ZoneFromWindowsName(definition.keyName)) {
        return zone;
    }
    const TimeZoneRule* rule = definition.effectiveRule();
    if (rule == nullptr) {
        return std::nullopt;
    }
    return ZoneFromRule(
        *rule, name_from_description(definition.keyName.empty()
                                         ? std::nullopt
                                         : std::optional<std::u16string>(definition.keyName),
                                     *rule));
}

std::optional<text::DateTimeZone> ReadAppointmentZone(const pstread::const_property_object& item,
                                                      const TimeZonePropIds& ids, bool recurring) {
    enum Source { kRecur, kStartDisplay, kStruct };
    const Source recurringOrder[] = {kRecur, kStruct, kStartDisplay};
    const Source singleOrder[] = {kStartDisplay, kStruct, kRecur};
    for (const Source source : recurring ? recurringOrder : singleOrder) {
        try {
            std::optional<text::DateTimeZone> zone;
            switch (source) {
                case kRecur:
                    zone = zone_from_definition_value(item, ids.definitionRecur);
                    break;
                case kStartDisplay:
                    zone = zone_from_definition_value(item, ids.definitionStartDisplay);
                    break;
                case kStruct:
                    zone = zone_from_struct_value(item, ids);
                    break;
            }
            if (zone) {
                return zone;
            }
        } catch (const database_corrupt& damage) {
            platform::log_line(std::string("Calendar time zone passed over: ") + damage.what());
        }
    }
    return std::nullopt;
}

}  // namespace mailwright::formats
