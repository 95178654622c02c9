#include "text/date_format.h"

#include <unicode/locid.h>

#include <cstring>

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
};

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
    if (instant < kFirstFormattableInstant || instant > kLastFormattableInstant) {
        return {};
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
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
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
