// The property ids the iCalendar writer reads, resolved once per store:
// plain tags, and named properties through the store's named property map
// (0 when the store does not use the name).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "formats/appointment_time_zone.h"
#include "pstread/pst/pst.h"

namespace mailwright::formats {

// Indexes into CalendarPropIds::namedPropIds.
enum CalendarProp : std::size_t {
    kCalSenderName,            // PidTagSenderName
    kCalSenderAddressType,     // PidTagSenderAddressType
    kCalSenderEmailAddress,    // PidTagSenderEmailAddress
    kCalSubject,               // PidTagSubject
    kCalHasAttachments,        // PidTagHasAttachments
    kCalResponseRequested,     // PidTagResponseRequested
    kCalCreationTime,          // PidTagCreationTime
    kCalLastModificationTime,  // PidTagLastModificationTime
    kCalStartWhole,            // PidLidAppointmentStartWhole
    kCalEndWhole,              // PidLidAppointmentEndWhole
    kCalLocation,              // PidLidLocation
    kCalPrivate,               // PidLidPrivate
    kCalReminderSet,           // PidLidReminderSet
    kCalReminderDelta,         // PidLidReminderDelta
    kCalDuration,              // PidLidAppointmentDuration
    kCalRecurring,             // PidLidRecurring
    kCalKeywords,              // "Keywords" of PS_PUBLIC_STRINGS
    kCalBusyStatus,            // PidLidBusyStatus
    kCalImportance,            // PidTagImportance
    kCalSequence,              // PidLidAppointmentSequence
    kCalRecur,                 // PidLidAppointmentRecur
    kCalTimeZoneDescription,   // PidLidTimeZoneDescription
    kCalTimeZoneStruct,        // PidLidTimeZoneStruct
    kCalSubType,               // PidLidAppointmentSubType (all-day)
    kCalPropCount
};

struct CalendarPropIds {
    std::array<std::uint16_t, kCalPropCount> namedPropIds{};
    TimeZonePropIds zones;
    // The store's PidTagRecordKey, which makes event UIDs unique per store.
    std::vector<std::uint8_t> storeKey;

    std::uint16_t operator[](CalendarProp prop) const { return namedPropIds[prop]; }
};

CalendarPropIds ResolveCalendarPropIds(pstread::pst& store);

}  // namespace mailwright::formats
