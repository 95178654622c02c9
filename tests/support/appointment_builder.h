// Appointments and meetings for the builder: a description in wall-clock
// terms (zone, local start, recurrence pattern, deleted and moved
// occurrences, people, reminder), the message Outlook would store for it
// (named properties, the recurrence pattern blob of [MS-OXOCAL] 2.2.1.44,
// the zone definitions), and the occurrences it means, worked out by the
// builder on its own as the tests' ground truth.
//
//   Appointment weekly{.subject = "Sync", .zone = &berlin_zone(),
//                          .start = {2024, 3, 4, 10, 0}, .duration_minutes = 30};
//   weekly.recurrence = Recurrence{.pattern = RecurrencePatternKind::weekly,
//                                      .day_mask = kMonday | kThursday, .count = 12};
//   Message m = make_appointment(weekly);
//   std::vector<Occurrence> truth = occurrences(weekly);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/mailbox.h"
#include "support/time_zone_definitions.h"

namespace pstbuild {

// Day mask bits of a recurrence pattern.
inline constexpr std::uint32_t kSunday = 0x01;
inline constexpr std::uint32_t kMonday = 0x02;
inline constexpr std::uint32_t kTuesday = 0x04;
inline constexpr std::uint32_t kWednesday = 0x08;
inline constexpr std::uint32_t kThursday = 0x10;
inline constexpr std::uint32_t kFriday = 0x20;
inline constexpr std::uint32_t kSaturday = 0x40;

struct LocalTime {
    int year = 2024;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
};

enum class RecurrencePatternKind {
    daily,
    weekdays,
    weekly,
    monthly,
    monthly_nth,
    yearly,
    yearly_nth
};
enum class RecurrenceEnd { after_count, by_date, never };

struct MovedOccurrence {
    std::size_t index = 0;  // in the series before anything was deleted or moved
    int shift_minutes = 60;
    std::string subject = {};   // left as the series' when empty
    std::string location = {};  // likewise
};

struct Recurrence {
    RecurrencePatternKind pattern = RecurrencePatternKind::daily;
    int interval = 1;            // days, weeks, months or years
    std::uint32_t day_mask = 0;  // weekly and n-th weekday patterns
    int day_of_month = 1;        // monthly and yearly by date (1 to 28)
    int nth = 1;                 // n-th weekday patterns: 1 to 4, 5 = the last
    RecurrenceEnd end = RecurrenceEnd::after_count;
    int count = 10;
    LocalTime until = {};  // the date of the last occurrence for by_date
    int first_day_of_week = 0;
    std::vector<std::size_t> deleted = {};
    std::vector<MovedOccurrence> moved = {};
};

// How the zone is recorded with the item.
enum class ZoneRecord {
    definitions,  // start and recurrence definitions with the Windows key name
    zone_struct,  // only the zone structure and its description (older clients)
    none,
};

struct Attendee {
    Recipient recipient;
    int track_status = 0;  // PidTagRecipientTrackStatus: 2 tentative, 3 accepted, 4 declined
    bool organizer = false;
    bool distribution_list = false;
};

struct Appointment {
    std::string subject = "Appointment";
    const ZoneRules* zone = nullptr;  // nullptr: no zone recorded
    ZoneRecord record = ZoneRecord::definitions;
    LocalTime start = {};
    int duration_minutes = 60;
    bool all_day = false;  // start at local midnight, duration in whole days
    std::optional<Recurrence> recurrence = {};
    std::string location = {};
    std::optional<std::string> body = {};
    std::optional<int> reminder_minutes = {};
    int busy_status = 2;
    bool is_private = false;
    int importance = 1;
    std::vector<std::string> keywords = {};
    Person organizer = {"Alex Morgan", "alex.morgan@example.com"};
    std::vector<Attendee> attendees = {};
    std::vector<Attachment> attachments = {};
    bool response_requested = true;
};

// One occurrence as a calendar shows it: the start as UTC seconds, or for
// an all-day event the local date as seconds of its UTC midnight.
struct Occurrence {
    std::int64_t start = 0;
    std::string subject;
};

Message make_appointment(const Appointment& appointment);

// The item's occurrences in time order after deletions and moves; a
// never-ending series gives its first `never_limit` occurrences.
std::vector<Occurrence> occurrences(const Appointment& appointment, std::size_t never_limit = 30);

// The recurrence pattern blob of the item (its recurrence must be set).
std::vector<std::uint8_t> recurrence_blob(const Appointment& appointment);

}  // namespace pstbuild
