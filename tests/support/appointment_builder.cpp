#include "support/appointment_builder.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "support/property_value.h"

namespace pstbuild {
namespace {

constexpr std::int64_t kDay = 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDays1601To1970 = 134774;
constexpr std::uint32_t kNeverEndDate = 0x5AE980DF;
constexpr std::size_t kMaxSeriesDays = 200 * 366;

// Named properties of appointments ([MS-OXPROPS]).
constexpr std::uint32_t kLidSequence = 0x8201;
constexpr std::uint32_t kLidBusyStatus = 0x8205;
constexpr std::uint32_t kLidLocation = 0x8208;
constexpr std::uint32_t kLidStartWhole = 0x820D;
constexpr std::uint32_t kLidEndWhole = 0x820E;
constexpr std::uint32_t kLidSubType = 0x8215;
constexpr std::uint32_t kLidRecur = 0x8216;
constexpr std::uint32_t kLidRecurring = 0x8223;
constexpr std::uint32_t kLidTimeZoneStruct = 0x8233;
constexpr std::uint32_t kLidTimeZoneDescription = 0x8234;
constexpr std::uint32_t kLidTzDefStartDisplay = 0x825E;
constexpr std::uint32_t kLidTzDefRecur = 0x8260;
constexpr std::uint32_t kLidReminderDelta = 0x8501;
constexpr std::uint32_t kLidReminderSet = 0x8503;
constexpr std::uint32_t kLidPrivate = 0x8506;

struct Blob {
    std::vector<std::uint8_t> bytes;
    Blob& u16(std::uint32_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    Blob& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
};

std::int64_t local_day(const LocalTime& t) {
    return days_from_civil(t.year, t.month, t.day);
}

std::uint32_t minutes_1601(std::int64_t local_seconds) {
    return static_cast<std::uint32_t>(local_seconds / 60 + kDays1601To1970 * 1440);
}

int start_minute_of_day(const Appointment& appointment) {
    return appointment.all_day ? 0 : appointment.start.hour * 60 + appointment.start.minute;
}

int duration_minutes(const Appointment& appointment) {
    return appointment.all_day ? std::max(1, appointment.duration_minutes / 1440) * 1440
                               : appointment.duration_minutes;
}

// The days of the month with a weekday in `mask`; the n-th of them (5 = the
// last) is the pattern's day.
bool is_nth_weekday(std::int64_t day, std::uint32_t mask, int nth) {
    int year = 0, month = 0, d = 0;
    civil_from_days(day, year, month, d);
    std::vector<std::int64_t> matching;
    for (std::int64_t x = days_from_civil(year, month, 1);; ++x) {
        int y2 = 0, m2 = 0, d2 = 0;
        civil_from_days(x, y2, m2, d2);
        if (m2 != month) {
            break;
        }
        if (mask & (1u << weekday_of(x))) {
            matching.push_back(x);
        }
    }
    if (matching.empty()) {
        return false;
    }
    const std::size_t pick = nth >= 5 ? matching.size() - 1 : static_cast<std::size_t>(nth - 1);
    return pick < matching.size() && matching[pick] == day;
}

bool on_pattern(const Recurrence& r, std::int64_t first, std::int64_t day) {
    int fy = 0, fm = 0, fd = 0, y = 0, m = 0, d = 0;
    civil_from_days(first, fy, fm, fd);
    civil_from_days(day, y, m, d);
    const int months = (y - fy) * 12 + (m - fm);
    const int weekday = weekday_of(day);
    switch (r.pattern) {
        case RecurrencePatternKind::daily:
            return (day - first) % r.interval == 0;
        case RecurrencePatternKind::weekdays:
            return weekday >= 1 && weekday <= 5;
        case RecurrencePatternKind::weekly: {
            const std::int64_t week_start =
                first - (weekday_of(first) - r.first_day_of_week + 7) % 7;
            return (r.day_mask & (1u << weekday)) && ((day - week_start) / 7) % r.interval == 0;
        }
        case RecurrencePatternKind::monthly:
            return d == r.day_of_month && months % r.interval == 0;
        case RecurrencePatternKind::monthly_nth:
            return months % r.interval == 0 && is_nth_weekday(day, r.day_mask, r.nth);
        case RecurrencePatternKind::yearly:
            return m == fm && d == r.day_of_month && (y - fy) % r.interval == 0;
        case RecurrencePatternKind::yearly_nth:
            return m == fm && (y - fy) % r.interval == 0 && is_nth_weekday(day, r.day_mask, r.nth);
    }
    return false;
}

// The local days of the series before deletions and moves.
std::vector<std::int64_t> series_days(const Appointment& appointment, std::size_t never_limit) {
    const Recurrence& r = *appointment.recurrence;
    const std::int64_t first = local_day(appointment.start);
    const std::int64_t last = local_day(r.until);
    std::vector<std::int64_t> days;
    for (std::int64_t day = first; day < first + static_cast<std::int64_t>(kMaxSeriesDays); ++day) {
        if (r.end == RecurrenceEnd::by_date && day > last) {
            break;
        }
        if (on_pattern(r, first, day)) {
            days.push_back(day);
        }
        const std::size_t limit = r.end == RecurrenceEnd::after_count ? std::size_t(r.count)
                                  : r.end == RecurrenceEnd::never     ? never_limit
                                                                      : kMaxSeriesDays;
        if (days.size() >= limit) {
            break;
        }
    }
    if (days.empty() || days.front() != first) {
        throw std::logic_error("the appointment's start is not an occurrence of its pattern");
    }
    return days;
}

std::int64_t local_start_seconds(const Appointment& appointment, std::int64_t day) {
    return day * kDay + start_minute_of_day(appointment) * 60;
}

const MovedOccurrence* moved_at(const Recurrence& r, std::size_t index) {
    for (const MovedOccurrence& moved : r.moved) {
        if (moved.index == index) {
            return &moved;
        }
    }
    return nullptr;
}

std::int64_t to_utc(const Appointment& appointment, std::int64_t local_seconds) {
    return appointment.zone ? local_to_utc(*appointment.zone, local_seconds) : local_seconds;
}

std::string eight_bit(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    }
    return out;
}

void put_narrow(Blob& blob, const std::string& text) {
    const std::string bytes = eight_bit(text);
    blob.u16(static_cast<std::uint32_t>(bytes.size() + 1))
        .u16(static_cast<std::uint32_t>(bytes.size()));
    blob.bytes.insert(blob.bytes.end(), bytes.begin(), bytes.end());
}

void put_wide(Blob& blob, const std::string& text) {
    const std::vector<std::uint8_t> wide = utf16le(text);
    blob.u16(static_cast<std::uint32_t>(wide.size() / 2));
    blob.bytes.insert(blob.bytes.end(), wide.begin(), wide.end());
}

struct PatternFields {
    std::uint16_t frequency = 0;
    std::uint16_t type = 0;
    std::uint32_t period = 0;
    std::uint32_t first_date_time = 0;
};

// FirstDateTime of month-based patterns: the minutes of the months from
// 1601-01 to the first month, taken modulo the period.
std::uint32_t months_offset_minutes(const LocalTime& start, int period_months) {
    const int offset = ((start.year - 1601) * 12 + (start.month - 1)) % period_months;
    const std::int64_t days =
        days_from_civil(1601 + offset / 12, offset % 12 + 1, 1) - days_from_civil(1601, 1, 1);
    return static_cast<std::uint32_t>(days * 1440);
}

PatternFields pattern_fields(const Appointment& appointment) {
    const Recurrence& r = *appointment.recurrence;
    const std::uint32_t start_minutes = minutes_1601(local_day(appointment.start) * kDay);
    switch (r.pattern) {
        case RecurrencePatternKind::daily: {
            const auto period = static_cast<std::uint32_t>(r.interval * 1440);
            return {0x200A, 0x0000, period, start_minutes % period};
        }
        case RecurrencePatternKind::weekdays:
            return {0x200A, 0x0001, 1, 0};
        case RecurrencePatternKind::weekly: {
            const auto period = static_cast<std::uint32_t>(r.interval);
            return {0x200B, 0x0001, period, start_minutes % (period * 10080)};
        }
        case RecurrencePatternKind::monthly:
        case RecurrencePatternKind::monthly_nth:
            return {
                0x200C,
                r.pattern == RecurrencePatternKind::monthly ? std::uint16_t(2) : std::uint16_t(3),
                static_cast<std::uint32_t>(r.interval),
                months_offset_minutes(appointment.start, r.interval)};
        case RecurrencePatternKind::yearly:
        case RecurrencePatternKind::yearly_nth:
            return {
                0x200D,
                r.pattern == RecurrencePatternKind::yearly ? std::uint16_t(2) : std::uint16_t(3),
                static_cast<std::uint32_t>(12 * r.interval),
                months_offset_minutes(appointment.start, 12 * r.interval)};
    }
    return {};
}

struct Exception {
    std::int64_t new_local = 0;
    std::int64_t original_local = 0;
    const MovedOccurrence* moved = nullptr;
};

void put_exceptions(Blob& blob, const Appointment& appointment,
                    const std::vector<Exception>& list) {
    const int duration = duration_minutes(appointment);
    for (const Exception& e : list) {
        blob.u32(minutes_1601(e.new_local)).u32(minutes_1601(e.new_local) + duration);
        blob.u32(minutes_1601(e.original_local));
        const std::uint16_t flags =
            (e.moved->subject.empty() ? 0 : 0x0001) | (e.moved->location.empty() ? 0 : 0x0010);
        blob.u16(flags);
        if (!e.moved->subject.empty()) {
            put_narrow(blob, e.moved->subject);
        }
        if (!e.moved->location.empty()) {
            put_narrow(blob, e.moved->location);
        }
    }
    blob.u32(0);  // ReservedBlock1Size
    for (const Exception& e : list) {
        blob.u32(4).u32(0);  // ChangeHighlight
        blob.u32(0);         // ReservedBlockEE1Size
        if (e.moved->subject.empty() && e.moved->location.empty()) {
            continue;
        }
        blob.u32(minutes_1601(e.new_local)).u32(minutes_1601(e.new_local) + duration);
        blob.u32(minutes_1601(e.original_local));
        if (!e.moved->subject.empty()) {
            put_wide(blob, e.moved->subject);
        }
        if (!e.moved->location.empty()) {
            put_wide(blob, e.moved->location);
        }
        blob.u32(0);  // ReservedBlockEE2Size
    }
    blob.u32(0);  // ReservedBlock2Size
}

ExtraProperty named(std::uint32_t lid, PropertyValue value, const Guid& set = kPsetidAppointment) {
    return ExtraProperty::of_named(PropertyName{set, lid, {}}, std::move(value));
}

void add_zone(const Appointment& appointment, Message& m) {
    if (!appointment.zone || appointment.record == ZoneRecord::none) {
        return;
    }
    if (appointment.record == ZoneRecord::definitions) {
        m.extra.push_back(named(kLidTzDefStartDisplay,
                                pv_binary(time_zone_definition(*appointment.zone, 0x0002))));
        if (appointment.recurrence) {
            m.extra.push_back(
                named(kLidTzDefRecur, pv_binary(time_zone_definition(*appointment.zone, 0x0003))));
        }
        return;
    }
    m.extra.push_back(named(kLidTimeZoneStruct, pv_binary(time_zone_struct(*appointment.zone))));
    m.extra.push_back(
        ExtraProperty::of_named_text(PropertyName{kPsetidAppointment, kLidTimeZoneDescription, {}},
                                     appointment.zone->description));
}

Recipient attendee_row(const Attendee& attendee) {
    Recipient row = attendee.recipient;
    row.extra.push_back(ExtraProperty::of(0x5FFF, pv_long(attendee.track_status)));
    row.extra.push_back(ExtraProperty::of(0x5FFD, pv_long(attendee.organizer ? 0x3 : 0x1)));
    if (attendee.distribution_list) {
        row.extra.push_back(ExtraProperty::of(0x0FFE, pv_long(8)));
    }
    return row;
}

// Each moved occurrence as Outlook keeps it besides the pattern: a hidden
// attachment flagged as an exception, holding the occurrence as a message.
void add_exception_attachments(const Appointment& appointment, Message& m) {
    for (const MovedOccurrence& moved : appointment.recurrence->moved) {
        auto occurrence = std::make_shared<Message>();
        occurrence->message_class = "IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}";
        occurrence->subject = moved.subject.empty() ? appointment.subject : moved.subject;
        Attachment attachment;
        attachment.display_name = occurrence->subject;
        attachment.embedded = std::move(occurrence);
        attachment.flags = 0x2;  // afException
        attachment.hidden = true;
        m.attachments.push_back(std::move(attachment));
    }
}

}  // namespace

std::vector<std::uint8_t> recurrence_blob(const Appointment& appointment) {
    const Recurrence& r = *appointment.recurrence;
    const std::vector<std::int64_t> days = series_days(appointment, 10);
    const PatternFields fields = pattern_fields(appointment);
    Blob blob;
    blob.u16(0x3004).u16(0x3004).u16(fields.frequency).u16(fields.type).u16(0);
    blob.u32(fields.first_date_time).u32(fields.period).u32(0);
    switch (r.pattern) {
        case RecurrencePatternKind::weekdays:
            blob.u32(kMonday | kTuesday | kWednesday | kThursday | kFriday);
            break;
        case RecurrencePatternKind::weekly:
            blob.u32(r.day_mask);
            break;
        case RecurrencePatternKind::monthly:
        case RecurrencePatternKind::yearly:
            blob.u32(static_cast<std::uint32_t>(r.day_of_month));
            break;
        case RecurrencePatternKind::monthly_nth:
        case RecurrencePatternKind::yearly_nth:
            blob.u32(r.day_mask).u32(static_cast<std::uint32_t>(r.nth));
            break;
        case RecurrencePatternKind::daily:
            break;
    }
    const std::uint32_t end_type = r.end == RecurrenceEnd::after_count ? 0x2022
                                   : r.end == RecurrenceEnd::by_date   ? 0x2021
                                                                       : 0x2023;
    blob.u32(end_type).u32(r.end == RecurrenceEnd::never ? 10
                                                         : static_cast<std::uint32_t>(days.size()));
    blob.u32(static_cast<std::uint32_t>(r.first_day_of_week));

    std::vector<Exception> exceptions;
    std::vector<std::uint32_t> deleted;
    for (std::size_t i = 0; i < days.size(); ++i) {
        const MovedOccurrence* moved = moved_at(r, i);
        const bool gone = std::find(r.deleted.begin(), r.deleted.end(), i) != r.deleted.end();
        if (moved || gone) {
            deleted.push_back(minutes_1601(days[i] * kDay));
        }
        if (moved) {
            const std::int64_t original = local_start_seconds(appointment, days[i]);
            exceptions.push_back({original + moved->shift_minutes * 60, original, moved});
        }
    }
    std::sort(exceptions.begin(), exceptions.end(),
              [](const Exception& a, const Exception& b) { return a.new_local < b.new_local; });
    blob.u32(static_cast<std::uint32_t>(deleted.size()));
    for (const std::uint32_t date : deleted) {
        blob.u32(date);
    }
    blob.u32(static_cast<std::uint32_t>(exceptions.size()));
    for (const Exception& e : exceptions) {
        const std::int64_t day =
            e.new_local >= 0 ? e.new_local / kDay : (e.new_local - kDay + 1) / kDay;
        blob.u32(minutes_1601(day * kDay));
    }
    blob.u32(minutes_1601(days.front() * kDay));
    blob.u32(r.end == RecurrenceEnd::never ? kNeverEndDate : minutes_1601(days.back() * kDay));
    blob.u32(0x3006).u32(0x3009);
    const int start_minute = start_minute_of_day(appointment);
    blob.u32(static_cast<std::uint32_t>(start_minute))
        .u32(static_cast<std::uint32_t>(start_minute + duration_minutes(appointment)));
    blob.u16(static_cast<std::uint32_t>(exceptions.size()));
    put_exceptions(blob, appointment, exceptions);
    return blob.bytes;
}

std::vector<Occurrence> occurrences(const Appointment& appointment, std::size_t never_limit) {
    std::vector<Occurrence> list;
    const auto shown = [&](std::int64_t local) {
        return appointment.all_day ? (local >= 0 ? local / kDay : (local - kDay + 1) / kDay) * kDay
                                   : to_utc(appointment, local);
    };
    if (!appointment.recurrence) {
        list.push_back({shown(local_start_seconds(appointment, local_day(appointment.start))),
                        appointment.subject});
        return list;
    }
    const Recurrence& r = *appointment.recurrence;
    const std::vector<std::int64_t> days = series_days(appointment, never_limit);
    for (std::size_t i = 0; i < days.size(); ++i) {
        if (std::find(r.deleted.begin(), r.deleted.end(), i) != r.deleted.end()) {
            continue;
        }
        const std::int64_t local = local_start_seconds(appointment, days[i]);
        const MovedOccurrence* moved = moved_at(r, i);
        if (moved) {
            list.push_back({shown(local + moved->shift_minutes * 60),
                            moved->subject.empty() ? appointment.subject : moved->subject});
        } else {
            list.push_back({shown(local), appointment.subject});
        }
    }
    std::sort(list.begin(), list.end(),
              [](const Occurrence& a, const Occurrence& b) { return a.start < b.start; });
    return list;
}

Message make_appointment(const Appointment& appointment) {
    Message m;
    m.message_class = "IPM.Appointment";
    m.subject = appointment.subject;
    m.sender = appointment.organizer;
    const std::int64_t local_start = local_start_seconds(appointment, local_day(appointment.start));
    const std::int64_t start = to_utc(appointment, local_start);
    const std::int64_t end = to_utc(appointment, local_start + duration_minutes(appointment) * 60);
    m.creation_time = filetime_from_unix(start - 7 * kDay);
    m.modification_time = filetime_from_unix(start - 6 * kDay);
    m.delivery_time = m.creation_time;
    m.importance = appointment.importance;
    m.body = appointment.body;
    m.attachments = appointment.attachments;
    for (const Attendee& attendee : appointment.attendees) {
        m.recipients.push_back(attendee_row(attendee));
    }
    m.extra = {
        named(kLidStartWhole, pv_systime(filetime_from_unix(start))),
        named(kLidEndWhole, pv_systime(filetime_from_unix(end))),
        named(kLidBusyStatus, pv_long(appointment.busy_status)),
        named(kLidSubType, pv_bool(appointment.all_day)),
        named(kLidSequence, pv_long(0)),
        named(kLidRecurring, pv_bool(appointment.recurrence.has_value())),
        named(kLidPrivate, pv_bool(appointment.is_private), kPsetidCommon),
        named(kLidReminderSet, pv_bool(appointment.reminder_minutes.has_value()), kPsetidCommon),
        ExtraProperty::of(0x0063, pv_bool(appointment.response_requested)),
    };
    if (!appointment.location.empty()) {
        m.extra.push_back(ExtraProperty::of_named_text(
            PropertyName{kPsetidAppointment, kLidLocation, {}}, appointment.location));
    }
    if (appointment.reminder_minutes) {
        m.extra.push_back(
            named(kLidReminderDelta, pv_long(*appointment.reminder_minutes), kPsetidCommon));
    }
    if (!appointment.keywords.empty()) {
        m.extra.push_back(ExtraProperty::of_named(PropertyName{kPsPublicStrings, 0, "Keywords"},
                                                  pv_mv_unicode(appointment.keywords)));
    }
    if (appointment.recurrence) {
        m.extra.push_back(named(kLidRecur, pv_binary(recurrence_blob(appointment))));
        add_exception_attachments(appointment, m);
    }
    add_zone(appointment, m);
    return m;
}

}  // namespace pstbuild
