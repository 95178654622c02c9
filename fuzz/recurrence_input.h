// Recurrence blobs from hostile bytes: the reader gives a pattern or a
// database_corrupt, and the rule and RRULE/EXDATE lines written from any
// pattern it gives, as a timed and as an all-day event, must not fail. The
// same bytes, read as an appointment's zone definition and zone structure,
// give a database_corrupt or a zone whose VTIMEZONE can be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>

#include "formats/appointment_time_zone.h"
#include "formats/calendar_time_zones.h"
#include "formats/recurrence_rule.h"
#include "pstread/ndb/exceptions.h"

inline void fuzz_time_zones(const uint8_t* data, size_t size) {
    using namespace mailwright;
    constexpr text::Instant k2024 = 1704067200;
    try {
        const auto zone =
            formats::ZoneFromDefinition(formats::ReadTimeZoneDefinition({data, size}));
        if (zone && formats::VTimeZoneText(*zone, k2024).rfind("\r\nBEGIN:VTIMEZONE", 0) != 0) {
            std::abort();
        }
    } catch (const pstread::database_corrupt&) {
    }
    try {
        const auto zone = formats::ZoneFromRule(formats::ReadTimeZoneStruct({data, size}), "Fuzz");
        if (formats::VTimeZoneText(zone, k2024).rfind("\r\nBEGIN:VTIMEZONE", 0) != 0) {
            std::abort();
        }
    } catch (const pstread::database_corrupt&) {
    }
}

inline void fuzz_recurrence(const uint8_t* data, size_t size) {
    using namespace mailwright;
    fuzz_time_zones(data, size);
    static const auto zone = text::DateTimeZone::from_id("America/New_York");
    formats::AppointmentRecurrencePattern pattern;
    try {
        pattern = formats::ReadAppointmentRecurrencePattern(std::span(data, size));
    } catch (const pstread::database_corrupt&) {
        return;
    }
    const formats::RecurrenceRule rule = formats::MakeRecurrenceRule(pattern);
    for (const bool allDay : {false, true}) {
        std::ostringstream out;
        const auto moved =
            formats::WriteRecurrence(rule, {*zone, allDay}, out, text::thread_date_formatter());
        if (out.str().rfind("\r\nRRULE:FREQ=", 0) != 0 ||
            moved.size() > pattern.Exceptions.size()) {
            std::abort();
        }
    }
}
