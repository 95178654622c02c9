// Formatting of instants for mail headers, MBOX separators, iCalendar and
// vCard, with English (United States) day and month names.
#pragma once

#include <unicode/smpdtfmt.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "text/time_conversion.h"
#include "text/time_zone.h"

namespace mailwright::text {

// Minimum buffer sizes of the buffer forms; a smaller buffer is left untouched.
inline constexpr std::size_t kMboxDateMinimumCapacity = 25;
inline constexpr std::size_t kVCardDateMinimumCapacity = 11;

// One formatter for a whole export run, used from one thread at a time. Each
// operation sets the pattern and zone it needs. Dates before 1582-10-15 are
// shown in the Julian calendar, as the platform formatter does. The string
// forms return an empty string for an instant before 0001-01-01 or after
// 9999-12-31 (UTC, proleptic Gregorian), where years no longer have the four
// digits that mail, iCalendar and vCard dates are read with; the buffer
// forms then return false and leave the buffer untouched, as they do when the
// text and its terminating zero do not fit.
class SharedDateFormatter {
public:
    SharedDateFormatter();
    ~SharedDateFormatter();
    SharedDateFormatter(const SharedDateFormatter&) = delete;
    SharedDateFormatter& operator=(const SharedDateFormatter&) = delete;

    // "EEE, dd MMM yyyy HH:mm:ss ZZZ" in the zone, GMT when none is given.
    std::string mail_header_date(Instant instant, const DateTimeZone* zone = nullptr);
    // "EEE MMM dd HH:mm:ss yyyy" in the zone, GMT when none is given.
    std::string mbox_date(Instant instant, const DateTimeZone* zone = nullptr);
    // "yyyyMMdd'T'HHmmss" (or "yyyyMMdd" for a date) in the zone.
    std::string icalendar_date_time(Instant instant, const DateTimeZone& zone,
                                    bool date_only = false);
    // "yyyyMMdd'T'HHmmss'Z'" (or "yyyyMMdd" for a date) in GMT.
    std::string icalendar_utc_date_time(Instant instant, bool date_only = false);
    // "yyyy'-'MM'-'dd" of the calendar date the instant stands for: the instant
    // is rounded to the nearest UTC midnight, so a birthday stored as midnight
    // in any zone from UTC-12 to UTC+12 keeps its day wherever it is converted.
    std::string vcard_date(Instant instant);

    // "EEEE, dd MMM yyyy hh:mm:ss a" in the zone, for any instant the
    // calendar holds (no four-digit limit).
    std::string sent_on_date(Instant instant, const DateTimeZone& zone);

    // Buffer forms: write a zero-terminated text; false when nothing was written.
    bool format_mail_header_date(Instant instant, char* buffer, std::size_t capacity,
                                 const DateTimeZone* zone = nullptr);
    bool format_mbox_date(Instant instant, char* buffer, std::size_t capacity,
                          const DateTimeZone* zone = nullptr);
    bool format_icalendar_date_time(Instant instant, char* buffer, std::size_t capacity,
                                    const DateTimeZone& zone, bool date_only = false);
    bool format_icalendar_utc_date_time(Instant instant, char* buffer, std::size_t capacity,
                                        bool date_only = false);
    bool format_vcard_date(Instant instant, char* buffer, std::size_t capacity);

private:
    enum Pattern {
        kMailHeader,
        kMbox,
        kICalendarLocal,
        kICalendarUtc,
        kICalendarDate,
        kVCardDate,
        kSentOn,
        kPatternCount
    };

    std::string format(Pattern pattern, Instant instant, const icu::TimeZone& zone);
    // The text written from the calendar's fields; false where only the
    // platform formatter's own rules apply (see the .cpp).
    bool format_fields(Pattern pattern, Instant instant, const icu::TimeZone& zone,
                       std::string& text);

    std::array<std::unique_ptr<icu::SimpleDateFormat>, kPatternCount> formats_;
    std::unique_ptr<icu::Calendar> calendar_;
    DateTimeZone gmt_;
};

// A formatter owned by the calling thread, for callers that have no run-wide one.
SharedDateFormatter& thread_date_formatter();

}  // namespace mailwright::text
