// Property sets of named properties ([MS-OXPROPS] 1.3.2): the GUIDs that,
// with a numeric id or a name, identify a named property.
#pragma once

#include "pstread/ltp/guid.h"

namespace pstread {

inline constexpr std::array<std::uint8_t, 8> mapi_guid_tail = {0xC0, 0, 0, 0, 0, 0, 0, 0x46};

inline constexpr guid ps_none{};
inline constexpr guid ps_mapi{0x00020328, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid ps_public_strings{0x00020329, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid ps_internet_headers{0x00020386, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_common{0x00062008, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_address{0x00062004, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_appointment{0x00062002, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_meeting{
    0x6ED8DA90, 0x450B, 0x101B, {0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05}};
inline constexpr guid psetid_log{0x0006200A, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_messaging{
    0x41F28F13, 0x83F4, 0x4114, {0xA5, 0x84, 0xEE, 0xDB, 0x5A, 0x6B, 0x0B, 0xFF}};
inline constexpr guid psetid_note{0x0006200E, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_post_rss{0x00062041, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_task{0x00062003, 0x0000, 0x0000, mapi_guid_tail};
inline constexpr guid psetid_unified_messaging{
    0x4442858E, 0xA9E3, 0x4E80, {0xB9, 0x00, 0x31, 0x7A, 0x21, 0x0C, 0xC1, 0x5B}};
inline constexpr guid psetid_air_sync{
    0x71035549, 0x0739, 0x4DCB, {0x91, 0x63, 0x00, 0xF0, 0x58, 0x0D, 0xBB, 0xDF}};
inline constexpr guid psetid_sharing{0x00062040, 0x0000, 0x0000, mapi_guid_tail};

// The name of a well-known property set ("PSETID_Appointment"), or null.
inline const char* property_set_name(const guid& g) {
    struct entry {
        const guid* set;
        const char* name;
    };
    static constexpr entry known[] = {
        {&ps_mapi, "PS_MAPI"},
        {&ps_public_strings, "PS_PUBLIC_STRINGS"},
        {&ps_internet_headers, "PS_INTERNET_HEADERS"},
        {&psetid_common, "PSETID_Common"},
        {&psetid_address, "PSETID_Address"},
        {&psetid_appointment, "PSETID_Appointment"},
        {&psetid_meeting, "PSETID_Meeting"},
        {&psetid_log, "PSETID_Log"},
        {&psetid_messaging, "PSETID_Messaging"},
        {&psetid_note, "PSETID_Note"},
        {&psetid_post_rss, "PSETID_PostRss"},
        {&psetid_task, "PSETID_Task"},
        {&psetid_unified_messaging, "PSETID_UnifiedMessaging"},
        {&psetid_air_sync, "PSETID_AirSync"},
        {&psetid_sharing, "PSETID_Sharing"},
    };
    for (const entry& e : known) {
        if (*e.set == g) {
            return e.name;
        }
    }
    return nullptr;
}

}  // namespace pstread
