// Recurrence blobs from hostile bytes: the reader gives a pattern or a
// database_corrupt, and the rule and RRULE/EXDATE lines written from any
// pattern it gives, as a timed and as an all-day event, must not fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>

#include "formats/recurrence_rule.h"
#include "pstread/ndb/exceptions.h"

inline void fuzz_recurrence(const uint8_t* data, size_t size) {
    using namespace mailwright;
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
