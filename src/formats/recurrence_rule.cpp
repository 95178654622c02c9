#include "formats/recurrence_rule.h"

#include <unicode/timezone.h>

#include <array>
#include <chrono>

#include "platform/system_log.h"

namespace mailwright::formats {
namespace {

constexpr std::uint32_t kMinutesPerDay = 1440;
constexpr std::uint32_t kMonthsPerYear = 12;
constexpr std::array<WeekdayName, 7> kDayNames = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
constexpr std::array<std::uint32_t, 12> kMonthDays = {31, 28, 31, 30, 31, 30,
                                                      31, 31, 30, 31, 30, 31};
// MonthNth's N: 1 to 4 count from the start of the month, 5 is the last.
constexpr std::array<std::int32_t, 5> kSetPositions = {1, 2, 3, 4, -1};

std::vector<WeekdayName> days_of_mask(std::uint32_t mask) {
    std::vector<WeekdayName> days;
    for (std::size_t bit = 0; bit < kDayNames.size(); ++bit) {
        if (mask & (1u << bit)) {
            days.push_back(kDayNames[bit]);
        }
    }
    return days;
}

// The month in which day `minutes / 1440` of a non-leap year falls.
std::uint32_t month_of_year_minutes(std::uint32_t minutes) {
    const std::uint32_t day = minutes / kMinutesPerDay;
    std::uint32_t total = 0;
    std::uint32_t month = 0;
    while (month < kMonthsPerYear && total <= day) {
        total += kMonthDays[month++];
    }
    return month;
}

// The month (1 to 12) of a local time in minutes since 1601.
std::uint32_t month_of_local_minutes(std::uint32_t minutes) {
    using namespace std::chrono;
    const sys_days day = sys_days{year{1601} / January / 1} + days{minutes / kMinutesPerDay};
    return static_cast<unsigned>(year_month_day{day}.month());
}

bool is_monthly_pattern(std::uint16_t type) {
    return type == kPatternMonth || type == kPatternMonthNth || type == kPatternMonthEnd;
}

void set_frequency(const AppointmentRecurrencePattern& pattern, RecurrenceRule& rule) {
    switch (pattern.RecurFrequency) {
        case kRecurFrequencyDaily:
            rule.frequency = "DAILY";
            if (pattern.PatternType == kPatternDay) {
                rule.interval = pattern.Period / kMinutesPerDay;
            } else if (pattern.PatternType != kPatternWeek) {
                platform::log_line("Recurrance Pattern Error Interval - DAILY");
            }
            break;
        case kRecurFrequencyWeekly:
            rule.frequency = "WEEKLY";
            rule.interval = pattern.Period;
            break;
        case kRecurFrequencyMonthly:
            rule.frequency = "MONTHLY";
            if (is_monthly_pattern(pattern.PatternType)) {
                rule.interval = pattern.Period;
            } else {
                platform::log_line("Recurrance Pattern Error Interval - MONTHLY.");
            }
            break;
        case kRecurFrequencyYearly:
            rule.frequency = "YEARLY";
            if (is_monthly_pattern(pattern.PatternType)) {
                rule.interval = pattern.Period / kMonthsPerYear;
            } else {
                platform::log_line("Recurrance Pattern Error Interval - YEARLY");
            }
            // The month of the series' first day; FirstDateTime names it
            // only for a period of one year.
            rule.byMonth = pattern.StartDate != 0 ? month_of_local_minutes(pattern.StartDate)
                                                  : month_of_year_minutes(pattern.FirstDateTime);
            break;
        default:
            break;
    }
}

void set_days(const AppointmentRecurrencePattern& pattern, RecurrenceRule& rule) {
    switch (pattern.PatternType) {
        case kPatternDay:
            break;
        case kPatternWeek:
            rule.byDay = days_of_mask(pattern.DayMask);
            break;
        case kPatternMonth:
            rule.byMonthDay = static_cast<std::int32_t>(pattern.DayOfMonth);
            break;
        case kPatternMonthEnd:
            // The last day of every month, whatever its length.
            rule.byMonthDay = -1;
            break;
        case kPatternMonthNth:
            rule.byDay = days_of_mask(pattern.DayMask);
            if (pattern.N >= 1 && pattern.N <= kSetPositions.size()) {
                rule.bySetPos = kSetPositions[pattern.N - 1];
            }
            break;
        default:
            platform::log_line("Recurrance Pattern Error.");
            break;
    }
}

void set_end(const AppointmentRecurrencePattern& pattern, RecurrenceRule& rule) {
    if (pattern.EndType == kEndAfterCount) {
        rule.count = pattern.OccurrenceCount;
    } else if (pattern.EndType == kEndAfterDate) {
        rule.until = pattern.EndDate + pattern.StartTimeOffset;
    }
    if (pattern.FirstDOW < kDayNames.size()) {
        rule.weekStart = kDayNames[pattern.FirstDOW];
    }
}

void append_number(std::string& line, const char* name, std::int64_t value) {
    line += name;
    line += std::to_string(value);
}

void append_days(std::string& line, const std::vector<WeekdayName>& days) {
    line += ";BYDAY=";
    for (std::size_t i = 0; i < days.size(); ++i) {
        line += (i == 0 ? "" : ",");
        line += days[i];
    }
}

// A wall-clock time as iCalendar text: a date for all-day events.
std::string local_text(std::uint32_t minutes, bool allDay, text::SharedDateFormatter& formatter) {
    return formatter.icalendar_date_time(text::minutes_to_instant(minutes),
                                         text::DateTimeZone::gmt(), allDay);
}

std::string rrule_line(const RecurrenceRule& rule, const RecurrenceZone& zone,
                       text::SharedDateFormatter& formatter) {
    std::string line = "\r\nRRULE:FREQ=" + rule.frequency;
    if (rule.interval)
        append_number(line, ";INTERVAL=", *rule.interval);
    if (rule.byMonth)
        append_number(line, ";BYMONTH=", *rule.byMonth);
    if (rule.byMonthDay)
        append_number(line, ";BYMONTHDAY=", *rule.byMonthDay);
    if (!rule.byDay.empty())
        append_days(line, rule.byDay);
    if (rule.bySetPos)
        append_number(line, ";BYSETPOS=", *rule.bySetPos);
    if (rule.count)
        append_number(line, ";COUNT=", *rule.count);
    if (rule.until) {
        // UNTIL has DTSTART's value type; a date-time one is given in UTC.
        line += ";UNTIL=";
        line +=
            zone.allDay
                ? local_text(*rule.until, true, formatter)
                : formatter.icalendar_utc_date_time(LocalMinutesToInstant(*rule.until, zone.zone));
    }
    if (rule.weekStart) {
        line += ";WKST=";
        line += *rule.weekStart;
    }
    return line;
}

std::string exdate_line(std::uint32_t originalStart, const RecurrenceZone& zone,
                        text::SharedDateFormatter& formatter) {
    if (zone.allDay) {
        return "\r\nEXDATE;VALUE=DATE:" + local_text(originalStart, true, formatter);
    }
    return "\r\nEXDATE;TZID=" + zone.zone.id() + ":" + local_text(originalStart, false, formatter);
}

}  // namespace

RecurrenceRule MakeRecurrenceRule(const AppointmentRecurrencePattern& pattern) {
    RecurrenceRule rule;
    set_frequency(pattern, rule);
    set_days(pattern, rule);
    set_end(pattern, rule);
    for (const std::uint32_t date : pattern.DeletedInstanceDates) {
        if (date != 0) {
            rule.deletedStarts.push_back(date + pattern.StartTimeOffset);
        }
    }
    for (const ExceptionInfo& info : pattern.Exceptions) {
        if (info.StartDateTime != 0) {
            rule.modified.push_back(info);
        }
    }
    return rule;
}

text::Instant LocalMinutesToInstant(std::uint32_t minutes, const text::DateTimeZone& zone) {
    const text::Instant asIfUtc = text::minutes_to_instant(minutes);
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t raw = 0;
    std::int32_t dst = 0;
    zone.icu_zone().getOffset(static_cast<UDate>(asIfUtc) * 1000.0, true, raw, dst, status);
    if (U_FAILURE(status)) {
        return asIfUtc;
    }
    return asIfUtc - (raw + dst) / 1000;
}

std::vector<ModifiedOccurrence> WriteRecurrence(const RecurrenceRule& rule,
                                                const RecurrenceZone& zone, std::ostream& out,
                                                text::SharedDateFormatter& formatter) {
    out << rrule_line(rule, zone, formatter);
    for (const std::uint32_t start : rule.deletedStarts) {
        out << exdate_line(start, zone, formatter);
    }
    std::vector<ModifiedOccurrence> occurrences;
    for (const ExceptionInfo& info : rule.modified) {
        occurrences.push_back({LocalMinutesToInstant(info.StartDateTime, zone.zone),
                               LocalMinutesToInstant(info.EndDateTime, zone.zone), info});
    }
    return occurrences;
}

std::optional<std::vector<ModifiedOccurrence>> WriteRecurrence(
    std::span<const std::uint8_t> blob, const RecurrenceZone& zone, std::ostream& out,
    text::SharedDateFormatter& formatter) {
    if (blob.empty()) {
        platform::log_line("Calendar event does not have recurrance pattern.");
        return std::nullopt;
    }
    return WriteRecurrence(MakeRecurrenceRule(ReadAppointmentRecurrencePattern(blob)), zone, out,
                           formatter);
}

}  // namespace mailwright::formats
