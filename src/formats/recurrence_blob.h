// The recurrence of a recurring appointment as stored in its
// PidLidAppointmentRecur value: an AppointmentRecurrencePattern
// ([MS-OXOCAL] 2.2.1.44.5) holding a RecurrencePattern (2.2.1.44.1) and one
// ExceptionInfo (2.2.1.44.2) and ExtendedException (2.2.1.44.4) per modified
// occurrence. Field names are the standard's.
//
// The reader is a bounded cursor: every field is checked to lie inside the
// blob, and every count and length against its limit before anything is read
// for it, so any bytes give a pattern or a database_corrupt naming the bad
// field, its value and its offset, in time linear in the blob's size. Bytes
// after the last ExtendedException (ReservedBlock2) are not read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mailwright::formats {

// RecurFrequency values.
inline constexpr std::uint16_t kRecurFrequencyDaily = 0x200A;
inline constexpr std::uint16_t kRecurFrequencyWeekly = 0x200B;
inline constexpr std::uint16_t kRecurFrequencyMonthly = 0x200C;
inline constexpr std::uint16_t kRecurFrequencyYearly = 0x200D;

// PatternType values.
inline constexpr std::uint16_t kPatternDay = 0x0000;
inline constexpr std::uint16_t kPatternWeek = 0x0001;
inline constexpr std::uint16_t kPatternMonth = 0x0002;
inline constexpr std::uint16_t kPatternMonthNth = 0x0003;
inline constexpr std::uint16_t kPatternMonthEnd = 0x0004;
inline constexpr std::uint16_t kPatternHjMonth = 0x000A;
inline constexpr std::uint16_t kPatternHjMonthNth = 0x000B;
inline constexpr std::uint16_t kPatternHjMonthEnd = 0x000C;

// EndType values.
inline constexpr std::uint32_t kEndAfterDate = 0x2021;
inline constexpr std::uint32_t kEndAfterCount = 0x2022;
inline constexpr std::uint32_t kEndNever = 0x2023;

// OverrideFlags bits of an ExceptionInfo.
inline constexpr std::uint16_t kOverrideSubject = 0x0001;
inline constexpr std::uint16_t kOverrideMeetingType = 0x0002;
inline constexpr std::uint16_t kOverrideReminderDelta = 0x0004;
inline constexpr std::uint16_t kOverrideReminder = 0x0008;
inline constexpr std::uint16_t kOverrideLocation = 0x0010;
inline constexpr std::uint16_t kOverrideBusyStatus = 0x0020;
inline constexpr std::uint16_t kOverrideAttachment = 0x0040;
inline constexpr std::uint16_t kOverrideSubType = 0x0080;
inline constexpr std::uint16_t kOverrideAppointmentColor = 0x0100;

// The most deleted dates (and so modified dates and exceptions) a pattern
// holds.
inline constexpr std::uint32_t kMaxRecurrenceEntries = 499;
// WriterVersion2 from which ExtendedException entries carry ChangeHighlight.
inline constexpr std::uint32_t kWriterVersionWithChangeHighlight = 0x3009;

struct ExceptionInfo {
    std::uint32_t StartDateTime = 0;  // local minutes since 1601
    std::uint32_t EndDateTime = 0;
    std::uint32_t OriginalStartDate = 0;
    std::uint16_t OverrideFlags = 0;
    // The exception's own values, present when OverrideFlags says so. The
    // subject and location prefer the ExtendedException's UTF-16 text; the
    // 8-bit text of the ExceptionInfo is kept as read (its code page is the
    // store's).
    std::optional<std::u16string> WideCharSubject;
    std::optional<std::string> Subject;
    std::optional<std::u16string> WideCharLocation;
    std::optional<std::string> Location;
    std::optional<std::uint32_t> ReminderDelta;
    std::optional<std::uint32_t> ReminderSet;
    std::optional<std::uint32_t> BusyStatus;
    std::optional<std::uint32_t> SubType;
};

struct AppointmentRecurrencePattern {
    // RecurrencePattern
    std::uint16_t ReaderVersion = 0;
    std::uint16_t WriterVersion = 0;
    std::uint16_t RecurFrequency = 0;
    std::uint16_t PatternType = 0;
    std::uint16_t CalendarType = 0;
    std::uint32_t FirstDateTime = 0;
    std::uint32_t Period = 0;
    std::uint32_t SlidingFlag = 0;
    // PatternTypeSpecific: the day mask (Week, MonthNth) or the day of the
    // month (Month, MonthEnd), and N of MonthNth (5 = the last).
    std::uint32_t DayMask = 0;
    std::uint32_t DayOfMonth = 0;
    std::uint32_t N = 0;
    std::uint32_t EndType = 0;
    std::uint32_t OccurrenceCount = 0;
    std::uint32_t FirstDOW = 0;
    std::uint32_t DeletedInstanceCount = 0;
    std::vector<std::uint32_t> DeletedInstanceDates;  // local midnights
    std::uint32_t ModifiedInstanceCount = 0;
    std::vector<std::uint32_t> ModifiedInstanceDates;
    std::uint32_t StartDate = 0;
    std::uint32_t EndDate = 0;
    // AppointmentRecurrencePattern
    std::uint32_t ReaderVersion2 = 0;
    std::uint32_t WriterVersion2 = 0;
    std::uint32_t StartTimeOffset = 0;  // minutes after midnight
    std::uint32_t EndTimeOffset = 0;
    std::uint16_t ExceptionCount = 0;
    // As many as ModifiedInstanceCount, which ExceptionCount must equal.
    std::vector<ExceptionInfo> Exceptions;
};

// Throws pstread::database_corrupt for a field past the end of the blob, an
// unknown RecurFrequency or PatternType (the later fields cannot be found),
// DeletedInstanceCount above 499, ModifiedInstanceCount above it,
// ExceptionCount other than ModifiedInstanceCount, 8-bit text whose two
// lengths disagree and a reserved block above 65534 bytes.
AppointmentRecurrencePattern ReadAppointmentRecurrencePattern(std::span<const std::uint8_t> blob);

}  // namespace mailwright::formats
