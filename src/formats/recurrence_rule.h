// A recurring appointment's recurrence as iCalendar sees it, made from its
// stored pattern (recurrence_blob.h), and the RRULE and EXDATE lines written
// from it.
//
//   RecurrenceRule rule = MakeRecurrenceRule(ReadAppointmentRecurrencePattern(blob));
//   std::vector<ModifiedOccurrence> moved =
//       WriteRecurrence(rule, RecurrenceZone{zone, allDay}, out);
//
// The times of a stored pattern are wall-clock times of the appointment's own
// time zone; they are turned into instants in that zone, never in the zone
// of the machine that runs the conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "formats/recurrence_blob.h"
#include "text/date_format.h"
#include "text/time_conversion.h"
#include "text/time_zone.h"

namespace mailwright::formats {

// One BYDAY entry: a two-letter day name.
using WeekdayName = const char*;

struct RecurrenceRule {
    std::string frequency;  // "DAILY", "WEEKLY", "MONTHLY", "YEARLY", or empty
    std::optional<std::uint32_t> interval;
    std::optional<std::uint32_t> byMonth;
    std::optional<std::int32_t> byMonthDay;
    std::vector<WeekdayName> byDay;
    std::optional<std::int32_t> bySetPos;
    std::optional<std::uint32_t> count;
    // Local minutes since 1601 of the last occurrence's start.
    std::optional<std::uint32_t> until;
    std::optional<WeekdayName> weekStart;
    // Local minutes since 1601 of the original starts of deleted occurrences
    // (moved ones included: they are written as events of their own).
    std::vector<std::uint32_t> deletedStarts;
    std::vector<ExceptionInfo> modified;
};

// The zone the pattern's wall-clock times belong to, and whether the
// appointment is an all-day one (its dates are then written as dates).
struct RecurrenceZone {
    text::DateTimeZone zone;
    bool allDay = false;
};

// One modified occurrence: its instants and what the exception changes.
struct ModifiedOccurrence {
    text::Instant start = 0;
    text::Instant end = 0;
    ExceptionInfo exception;
};

// The rule of a stored pattern. Parts that do not fit the frequency are
// logged with the messages the converter has always used and left out.
RecurrenceRule MakeRecurrenceRule(const AppointmentRecurrencePattern& pattern);

// Writes "\r\nRRULE:..." and one "\r\nEXDATE..." line per deleted
// occurrence (with DTSTART's value type and zone) and returns the modified
// occurrences. An empty blob logs and writes nothing; a damaged one throws
// pstread::database_corrupt before anything is written.
std::vector<ModifiedOccurrence> WriteRecurrence(const RecurrenceRule& rule,
                                                const RecurrenceZone& zone, std::ostream& out,
                                                text::SharedDateFormatter& formatter);
std::optional<std::vector<ModifiedOccurrence>> WriteRecurrence(
    std::span<const std::uint8_t> blob, const RecurrenceZone& zone, std::ostream& out,
    text::SharedDateFormatter& formatter);

// The instant of a wall-clock time (local minutes since 1601) in `zone`.
text::Instant LocalMinutesToInstant(std::uint32_t minutes, const text::DateTimeZone& zone);

}  // namespace mailwright::formats
