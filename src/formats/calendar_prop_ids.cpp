#include "formats/calendar_prop_ids.h"

#include <exception>

#include "formats/item_identity.h"
#include "pstread/ltp/property_sets.h"

namespace mailwright::formats {
namespace {

// LIDs of PSETID_Appointment and PSETID_Common ([MS-OXPROPS]).
constexpr std::int64_t kLidStartWhole = 0x820D;
constexpr std::int64_t kLidEndWhole = 0x820E;
constexpr std::int64_t kLidLocation = 0x8208;
constexpr std::int64_t kLidPrivate = 0x8506;
constexpr std::int64_t kLidReminderSet = 0x8503;
constexpr std::int64_t kLidReminderDelta = 0x8501;
constexpr std::int64_t kLidDuration = 0x8213;
constexpr std::int64_t kLidRecurring = 0x8223;
constexpr std::int64_t kLidBusyStatus = 0x8205;
constexpr std::int64_t kLidSequence = 0x8201;
constexpr std::int64_t kLidRecur = 0x8216;
constexpr std::int64_t kLidTimeZoneDescription = 0x8234;
constexpr std::int64_t kLidTimeZoneStruct = 0x8233;
constexpr std::int64_t kLidSubType = 0x8215;
constexpr std::int64_t kLidTzDefStartDisplay = 0x825E;
constexpr std::int64_t kLidTzDefRecur = 0x8260;

std::uint16_t lookup(pstread::pst& store, const pstread::guid& set, std::int64_t lid) {
    try {
        return store.lookup_prop_id(set, lid);
    } catch (const std::exception&) {
        return 0;
    }
}

std::uint16_t lookup(pstread::pst& store, const pstread::guid& set, const std::u32string& name) {
    try {
        return store.lookup_prop_id(set, name);
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

CalendarPropIds ResolveCalendarPropIds(pstread::pst& store) {
    using namespace pstread;
    CalendarPropIds ids;
    auto& n = ids.namedPropIds;
    n[kCalSenderName] = 0x0C1A;
    n[kCalSenderAddressType] = 0x0C1E;
    n[kCalSenderEmailAddress] = 0x0C1F;
    n[kCalSubject] = 0x0037;
    n[kCalHasAttachments] = 0x0E1B;
    n[kCalResponseRequested] = 0x0063;
    n[kCalCreationTime] = 0x3007;
    n[kCalLastModificationTime] = 0x3008;
    n[kCalImportance] = 0x0017;
    n[kCalStartWhole] = lookup(store, psetid_appointment, kLidStartWhole);
    n[kCalEndWhole] = lookup(store, psetid_appointment, kLidEndWhole);
    n[kCalLocation] = lookup(store, psetid_appointment, kLidLocation);
    n[kCalPrivate] = lookup(store, psetid_common, kLidPrivate);
    n[kCalReminderSet] = lookup(store, psetid_common, kLidReminderSet);
    n[kCalReminderDelta] = lookup(store, psetid_common, kLidReminderDelta);
    n[kCalDuration] = lookup(store, psetid_appointment, kLidDuration);
    n[kCalRecurring] = lookup(store, psetid_appointment, kLidRecurring);
    n[kCalKeywords] = lookup(store, ps_public_strings, U"Keywords");
    n[kCalBusyStatus] = lookup(store, psetid_appointment, kLidBusyStatus);
    n[kCalSequence] = lookup(store, psetid_appointment, kLidSequence);
    n[kCalRecur] = lookup(store, psetid_appointment, kLidRecur);
    n[kCalTimeZoneDescription] = lookup(store, psetid_appointment, kLidTimeZoneDescription);
    n[kCalTimeZoneStruct] = lookup(store, psetid_appointment, kLidTimeZoneStruct);
    n[kCalSubType] = lookup(store, psetid_appointment, kLidSubType);
    ids.zones.definitionStartDisplay = lookup(store, psetid_appointment, kLidTzDefStartDisplay);
    ids.zones.definitionRecur = lookup(store, psetid_appointment, kLidTzDefRecur);
    ids.zones.timeZoneStruct = n[kCalTimeZoneStruct];
    ids.zones.timeZoneDescription = n[kCalTimeZoneDescription];
    ids.storeKey = StoreRecordKey(store);
    return ids;
}

}  // namespace mailwright::formats
