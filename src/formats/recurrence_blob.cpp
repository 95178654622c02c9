#include "formats/recurrence_blob.h"

#include <string>

#include "pstread/ndb/exceptions.h"

namespace mailwright::formats {
namespace {

using pstread::database_corrupt;

// The largest reserved block a writer of the format produces.
constexpr std::uint32_t kMaxReservedBlockSize = 65534;

std::string hex(std::uint64_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return "0x" + text;
}

// Little-endian reads over the blob. A field that does not lie inside the
// blob, and a count or length outside its bounds, throws database_corrupt
// naming the field, its value and its offset.
class BlobCursor {
public:
    explicit BlobCursor(std::span<const std::uint8_t> blob) : blob_(blob) {}

    std::uint16_t u16(const char* field) {
        return static_cast<std::uint16_t>(little_endian(2, field));
    }
    std::uint32_t u32(const char* field) {
        return static_cast<std::uint32_t>(little_endian(4, field));
    }

    std::span<const std::uint8_t> bytes(std::size_t count, const char* field) {
        require(count, field);
        const auto value = blob_.subspan(offset_, count);
        offset_ += count;
        return value;
    }

    // A count or size read from the blob, checked to be at most `limit`.
    std::uint32_t bounded_u32(const char* field, std::uint32_t limit) {
        const std::size_t at = offset_;
        const std::uint32_t value = u32(field);
        check_bound(field, value, limit, at);
        return value;
    }
    [[noreturn]] void fail(const std::string& what, std::size_t at) const {
        throw database_corrupt("recurrence pattern: " + what + " at offset " + hex(at) +
                               " of a blob of " + hex(blob_.size()) + " bytes");
    }

    std::size_t offset() const { return offset_; }

private:
    void require(std::size_t width, const char* field) const {
        if (width > blob_.size() - offset_) {
            fail(std::string(field) + " of " + hex(width) + " bytes runs past the end", offset_);
        }
    }

    void check_bound(const char* field, std::uint32_t value, std::uint32_t limit,
                     std::size_t at) const {
        if (value > limit) {
            fail(std::string(field) + " " + hex(value) + " above " + hex(limit), at);
        }
    }

    std::uint64_t little_endian(std::size_t width, const char* field) {
        require(width, field);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= static_cast<std::uint64_t>(blob_[offset_ + i]) << (8 * i);
        }
        offset_ += width;
        return value;
    }

    std::span<const std::uint8_t> blob_;
    std::size_t offset_ = 0;
};

std::vector<std::uint32_t> read_dates(BlobCursor& cursor, std::uint32_t count, const char* field) {
    std::vector<std::uint32_t> dates;
    dates.reserve(count);  // at most kMaxRecurrenceEntries
    for (std::uint32_t i = 0; i < count; ++i) {
        dates.push_back(cursor.u32(field));
    }
    return dates;
}

void skip_reserved_block(BlobCursor& cursor, const char* field) {
    const std::uint32_t size = cursor.bounded_u32(field, kMaxReservedBlockSize);
    cursor.bytes(size, field);
}

// An 8-bit string with its two lengths, the first being the second plus one.
std::string read_narrow_text(BlobCursor& cursor, const char* field) {
    const std::size_t at = cursor.offset();
    const std::uint16_t length = cursor.u16(field);
    const std::uint16_t length2 = cursor.u16(field);
    if (length != length2 + 1) {
        cursor.fail(
            std::string(field) + " lengths " + hex(length) + " and " + hex(length2) + " disagree",
            at);
    }
    const auto text = cursor.bytes(length2, field);
    return std::string(text.begin(), text.end());
}

std::u16string read_wide_text(BlobCursor& cursor, const char* field) {
    const std::uint16_t length = cursor.u16(field);
    const auto text = cursor.bytes(std::size_t{length} * 2, field);
    std::u16string wide(length, u'\0');
    for (std::size_t i = 0; i < length; ++i) {
        wide[i] = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
    }
    return wide;
}

std::optional<std::uint32_t> read_if(BlobCursor& cursor, std::uint16_t flags, std::uint16_t bit,
                                     const char* field) {
    if ((flags & bit) == 0) {
        return std::nullopt;
    }
    return cursor.u32(field);
}

ExceptionInfo read_exception_info(BlobCursor& cursor) {
    ExceptionInfo info;
    info.StartDateTime = cursor.u32("ExceptionInfo StartDateTime");
    info.EndDateTime = cursor.u32("ExceptionInfo EndDateTime");
    info.OriginalStartDate = cursor.u32("ExceptionInfo OriginalStartDate");
    info.OverrideFlags = cursor.u16("ExceptionInfo OverrideFlags");
    const std::uint16_t flags = info.OverrideFlags;
    if (flags & kOverrideSubject) {
        info.Subject = read_narrow_text(cursor, "ExceptionInfo Subject");
    }
    read_if(cursor, flags, kOverrideMeetingType, "ExceptionInfo MeetingType");
    info.ReminderDelta =
        read_if(cursor, flags, kOverrideReminderDelta, "ExceptionInfo ReminderDelta");
    info.ReminderSet = read_if(cursor, flags, kOverrideReminder, "ExceptionInfo ReminderSet");
    if (flags & kOverrideLocation) {
        info.Location = read_narrow_text(cursor, "ExceptionInfo Location");
    }
    info.BusyStatus = read_if(cursor, flags, kOverrideBusyStatus, "ExceptionInfo BusyStatus");
    read_if(cursor, flags, kOverrideAttachment, "ExceptionInfo Attachment");
    info.SubType = read_if(cursor, flags, kOverrideSubType, "ExceptionInfo SubType");
    read_if(cursor, flags, kOverrideAppointmentColor, "ExceptionInfo AppointmentColor");
    return info;
}

void read_extended_exception(BlobCursor& cursor, std::uint32_t writerVersion2,
                             ExceptionInfo& info) {
    if (writerVersion2 >= kWriterVersionWithChangeHighlight) {
        skip_reserved_block(cursor, "ChangeHighlightSize");
    }
    skip_reserved_block(cursor, "ReservedBlockEE1Size");
    const std::uint16_t flags = info.OverrideFlags;
    if ((flags & (kOverrideSubject | kOverrideLocation)) == 0) {
        return;
    }
    // StartDateTime, EndDateTime and OriginalStartDate repeat the
    // ExceptionInfo's.
    cursor.bytes(12, "ExtendedException ChangedInstanceInfo");
    if (flags & kOverrideSubject) {
        info.WideCharSubject = read_wide_text(cursor, "ExtendedException WideCharSubject");
    }
    if (flags & kOverrideLocation) {
        info.WideCharLocation = read_wide_text(cursor, "ExtendedException WideCharLocation");
    }
    skip_reserved_block(cursor, "ReservedBlockEE2Size");
}

bool is_known_frequency(std::uint16_t frequency) {
    return frequency >= kRecurFrequencyDaily && frequency <= kRecurFrequencyYearly;
}

// The later fields lie after PatternTypeSpecific, whose size depends on the
// PatternType: an unknown type leaves them nowhere to be found.
void read_pattern_type_specific(BlobCursor& cursor, AppointmentRecurrencePattern& pattern,
                                std::size_t typeOffset) {
    switch (pattern.PatternType) {
        case kPatternDay:
            break;
        case kPatternWeek:
            pattern.DayMask = cursor.u32("PatternTypeSpecific day mask");
            break;
        case kPatternMonth:
        case kPatternMonthEnd:
        case kPatternHjMonth:
        case kPatternHjMonthEnd:
            pattern.DayOfMonth = cursor.u32("PatternTypeSpecific day of month");
            break;
        case kPatternMonthNth:
        case kPatternHjMonthNth:
            pattern.DayMask = cursor.u32("PatternTypeSpecific day mask");
            pattern.N = cursor.u32("PatternTypeSpecific N");
            break;
        default:
            cursor.fail("PatternType " + hex(pattern.PatternType) + " unknown", typeOffset);
    }
}

void read_recurrence_pattern(BlobCursor& cursor, AppointmentRecurrencePattern& pattern) {
    pattern.ReaderVersion = cursor.u16("ReaderVersion");
    pattern.WriterVersion = cursor.u16("WriterVersion");
    const std::size_t frequencyOffset = cursor.offset();
    pattern.RecurFrequency = cursor.u16("RecurFrequency");
    if (!is_known_frequency(pattern.RecurFrequency)) {
        cursor.fail("RecurFrequency " + hex(pattern.RecurFrequency) + " unknown", frequencyOffset);
    }
    const std::size_t typeOffset = cursor.offset();
    pattern.PatternType = cursor.u16("PatternType");
    pattern.CalendarType = cursor.u16("CalendarType");
    pattern.FirstDateTime = cursor.u32("FirstDateTime");
    pattern.Period = cursor.u32("Period");
    pattern.SlidingFlag = cursor.u32("SlidingFlag");
    read_pattern_type_specific(cursor, pattern, typeOffset);
    pattern.EndType = cursor.u32("EndType");
    pattern.OccurrenceCount = cursor.u32("OccurrenceCount");
    pattern.FirstDOW = cursor.u32("FirstDOW");
    pattern.DeletedInstanceCount =
        cursor.bounded_u32("DeletedInstanceCount", kMaxRecurrenceEntries);
    pattern.DeletedInstanceDates =
        read_dates(cursor, pattern.DeletedInstanceCount, "DeletedInstanceDates");
    pattern.ModifiedInstanceCount =
        cursor.bounded_u32("ModifiedInstanceCount", pattern.DeletedInstanceCount);
    pattern.ModifiedInstanceDates =
        read_dates(cursor, pattern.ModifiedInstanceCount, "ModifiedInstanceDates");
    pattern.StartDate = cursor.u32("StartDate");
    pattern.EndDate = cursor.u32("EndDate");
}

void read_exceptions(BlobCursor& cursor, AppointmentRecurrencePattern& pattern) {
    std::vector<ExceptionInfo> exceptions;
    exceptions.reserve(pattern.ExceptionCount);  // at most kMaxRecurrenceEntries
    for (std::uint16_t i = 0; i < pattern.ExceptionCount; ++i) {
        exceptions.push_back(read_exception_info(cursor));
    }
    skip_reserved_block(cursor, "ReservedBlock1Size");
    for (ExceptionInfo& info : exceptions) {
        read_extended_exception(cursor, pattern.WriterVersion2, info);
    }
    pattern.Exceptions = std::move(exceptions);
}

}  // namespace

AppointmentRecurrencePattern ReadAppointmentRecurrencePattern(std::span<const std::uint8_t> blob) {
    BlobCursor cursor(blob);
    AppointmentRecurrencePattern pattern;
    read_recurrence_pattern(cursor, pattern);
    pattern.ReaderVersion2 = cursor.u32("ReaderVersion2");
    pattern.WriterVersion2 = cursor.u32("WriterVersion2");
    pattern.StartTimeOffset = cursor.u32("StartTimeOffset");
    pattern.EndTimeOffset = cursor.u32("EndTimeOffset");
    const std::size_t countOffset = cursor.offset();
    pattern.ExceptionCount = cursor.u16("ExceptionCount");
    if (pattern.ExceptionCount != pattern.ModifiedInstanceCount) {
        cursor.fail("ExceptionCount " + hex(pattern.ExceptionCount) +
                        " differs from ModifiedInstanceCount " + hex(pattern.ModifiedInstanceCount),
                    countOffset);
    }
    if (pattern.ExceptionCount != 0) {
        read_exceptions(cursor, pattern);
    }
    return pattern;
}

}  // namespace mailwright::formats
