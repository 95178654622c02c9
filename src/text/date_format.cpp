#include "text/date_format.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>

#include <cstring>
#include <string_view>

namespace mailwright::text {
namespace {

// Patterns of Unicode Technical Standard #35; quoted letters are literal.
constexpr const char* kPatterns[] = {
    "EEE, dd MMM yyyy HH:mm:ss ZZZ",  // mail header (RFC 822 date)
    "EEE MMM dd HH:mm:ss yyyy",       // MBOX "From - " line
    "yyyyMMdd'T'HHmmss",              // iCalendar local date-time
    "yyyyMMdd'T'HHmmss'Z'",           // iCalendar UTC date-time
    "yyyyMMdd",                       // iCalendar date
    "yyyy'-'MM'-'dd",                 // vCard date
    "EEEE, dd MMM yyyy hh:mm:ss a",   // the list's "sent on" column
};

// English (United States) names, by UCAL_SUNDAY - 1 and UCAL_JANUARY on.
constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void put_digits(std::string& text, int value, int digits) {
    char buffer[4];
    for (int i = digits; i-- > 0; value /= 10) {
        buffer[i] = static_cast<char>('0' + value % 10);
    }
    text.append(buffer, static_cast<std::size_t>(digits));
}

// 0001-01-01T00:00:00Z and 9999-12-31T23:59:59Z: the four-digit years every
// pattern above assumes.
constexpr Instant kFirstFormattableInstant = -62135596800;
constexpr Instant kLastFormattableInstant = 253402300799;

bool write_to_buffer(const std::string& text, char* buffer, std::size_t capacity,
                     std::size_t minimum_capacity = 1) {
    if (buffer == nullptr || capacity < minimum_capacity || text.empty() ||
        text.size() >= capacity) {
        return false;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}

}  // namespace

SharedDateFormatter::SharedDateFormatter() : gmt_(DateTimeZone::gmt()) {}

SharedDateFormatter::~SharedDateFormatter() = default;

std::string SharedDateFormatter::format(Pattern pattern, Instant instant,
                                        const icu::TimeZone& zone) {
    if (pattern != kSentOn &&
        (instant < kFirstFormattableInstant || instant > kLastFormattableInstant)) {
        return {};
    }
    std::string utf8;
    if (format_fields(pattern, instant, zone, utf8)) {
        return utf8;
    }
    auto& formatter = formats_[pattern];
    if (!formatter) {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString(kPatterns[pattern], -1, US_INV), icu::Locale("en_US"), status);
        if (U_FAILURE(status)) {
            return {};
        }
        formatter = std::move(made);
    }
    formatter->setTimeZone(zone);
    icu::UnicodeString text;
    formatter->format(static_cast<UDate>(instant) * 1000.0, text);
    utf8.clear();
    text.toUTF8String(utf8);
    return utf8;
}

// The platform formatter spends most of its time on number formatting; the
// patterns above are fixed-width digits and English names, written here
// from the same calendar's fields (Julian dates before 1582-10-15 included).
// Years outside 1 to 9999 of the common era and offsets with seconds are left
// to the formatter.
bool SharedDateFormatter::format_fields(Pattern pattern, Instant instant, const icu::TimeZone& zone,
                                        std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    if (!calendar_) {
        calendar_.reset(icu::Calendar::createInstance(icu::Locale("en_US"), status));
        if (U_FAILURE(status)) {
            calendar_.reset();
            return false;
        }
    }
    // Setting a zone copies it: the calendar keeps the last one while dates
    // come in the same zone, as they do message after message.
    if (!(calendar_->getTimeZone() == zone)) {
        calendar_->setTimeZone(zone);
    }
    calendar_->setTime(static_cast<UDate>(instant) * 1000.0, status);
    const int era = calendar_->get(UCAL_ERA, status);
    const int year = calendar_->get(UCAL_YEAR, status);
    const int month = calendar_->get(UCAL_MONTH, status);
    const int day = calendar_->get(UCAL_DATE, status);
    const int weekday = calendar_->get(UCAL_DAY_OF_WEEK, status);
    const int hour = calendar_->get(UCAL_HOUR_OF_DAY, status);
    const int minute = calendar_->get(UCAL_MINUTE, status);
    const int second = calendar_->get(UCAL_SECOND, status);
    const int offset =
        calendar_->get(UCAL_ZONE_OFFSET, status) + calendar_->get(UCAL_DST_OFFSET, status);
    if (U_FAILURE(status) || era != 1 || year < 1 || year > 9999 || month < 0 || month > 11 ||
        weekday < 1 || weekday > 7 || offset % 60000 != 0 || offset <= -86400000 ||
        offset >= 86400000) {
        return false;
    }
    const auto date = [&](const char* between) {
        put_digits(text, year, 4);
        text += between;
        put_digits(text, month + 1, 2);
        text += between;
        put_digits(text, day, 2);
    };
    const auto time = [&](const char* between, int hours) {
        put_digits(text, hours, 2);
        text += between;
        put_digits(text, minute, 2);
        text += between;
        put_digits(text, second, 2);
    };
    const std::string_view day_name = kDayNames[weekday - 1];
    switch (pattern) {
        case kMailHeader: {
            text.append(day_name.substr(0, 3)).append(", ");
            put_digits(text, day, 2);
            text.append(" ").append(kMonthNames[month]).append(" ");
            put_digits(text, year, 4);
            text += ' ';
            time(":", hour);
            const int minutes = (offset < 0 ? -offset : offset) / 60000;
            text += offset < 0 ? " -" : " +";
            put_digits(text, minutes / 60, 2);
            put_digits(text, minutes % 60, 2);
            return true;
        }
        case kMbox:
            text.append(day_name.substr(0, 3)).append(" ").append(kMonthNames[month]).append(" ");
            put_digits(text, day, 2);
            text += ' ';
            time(":", hour);
            text += ' ';
            put_digits(text, year, 4);
            return true;
        case kICalendarLocal:
        case kICalendarUtc:
            date("");
            text += 'T';
            time("", hour);
            if (pattern == kICalendarUtc) {
                text += 'Z';
            }
            return true;
        case kICalendarDate:
            date("");
            return true;
        case kVCardDate:
            date("-");
            return true;
        case kSentOn:
            text.append(day_name).append(", ");
            put_digits(text, day, 2);
            text.append(" ").append(kMonthNames[month]).append(" ");
            put_digits(text, year, 4);
            text += ' ';
            time(":", hour % 12 == 0 ? 12 : hour % 12);
            text += hour < 12 ? " AM" : " PM";
            return true;
        case kPatternCount:
            break;
    }
    return false;
}

std::string SharedDateFormatter::sent_on_date(Instant instant, const DateTimeZone& zone) {
    return format(kSentOn, instant, zone.icu_zone());
}

std::string SharedDateFormatter::mail_header_date(Instant instant, const DateTimeZone* zone) {
    return format(kMailHeader, instant, (zone != nullptr ? *zone : gmt_).icu_zone());
}

std::string SharedDateFormatter::mbox_date(Instant instant, const DateTimeZone* zone) {
    return format(kMbox, instant, (zone != nullptr ? *zone : gmt_).icu_zone());
}

std::string SharedDateFormatter::icalendar_date_time(Instant instant, const DateTimeZone& zone,
                                                     bool date_only) {
    return format(date_only ? kICalendarDate : kICalendarLocal, instant, zone.icu_zone());
}

std::string SharedDateFormatter::icalendar_utc_date_time(Instant instant, bool date_only) {
    return format(date_only ? kICalendarDate : kICalendarUtc, instant, gmt_.icu_zone());
}

std::string SharedDateFormatter::vcard_date(Instant instant) {
    return format(kVCardDate, nearest_utc_midnight(instant), gmt_.icu_zone());
}

bool SharedDateFormatter::format_mail_header_date(Instant instant, char* buffer,
                                                  std::size_t capacity, const DateTimeZone* zone) {
    return write_to_buffer(mail_header_date(instant, zone), buffer, capacity);
}

bool SharedDateFormatter::format_mbox_date(Instant instant, char* buffer, std::size_t capacity,
                                           const DateTimeZone* zone) {
    if (buffer == nullptr || capacity < kMboxDateMinimumCapacity) {
        return false;
    }
    return write_to_buffer(mbox_date(instant, zone), buffer, capacity);
}

bool SharedDateFormatter::format_icalendar_date_time(Instant instant, char* buffer,
                                                     std::size_t capacity, const DateTimeZone& zone,
                                                     bool date_only) {
    return write_to_buffer(icalendar_date_time(instant, zone, date_only), buffer, capacity);
}

bool SharedDateFormatter::format_icalendar_utc_date_time(Instant instant, char* buffer,
                                                         std::size_t capacity, bool date_only) {
    return write_to_buffer(icalendar_utc_date_time(instant, date_only), buffer, capacity);
}

bool SharedDateFormatter::format_vcard_date(Instant instant, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity < kVCardDateMinimumCapacity) {
        return false;
    }
    return write_to_buffer(vcard_date(instant), buffer, capacity);
}

SharedDateFormatter& thread_date_formatter() {
    thread_local SharedDateFormatter formatter;
    return formatter;
}

}  // namespace mailwright::text
