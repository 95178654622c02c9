// The named properties a vCard is written from, resolved once per store
// through its named property map.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "pstread/pst/pst.h"

namespace mailwright::formats {

// Places in ContactNamedPropIds.
enum ContactNamedProp : std::size_t {
    kPostalAddressId,  // PSETID_Address 0x8022
    kHomeAddress,      // 0x801A
    kWorkAddress,      // 0x801B
    kOtherAddress,     // 0x801C
    kWorkAddressCity,
    kWorkAddressCountry,
    kWorkAddressStreet,
    kWorkAddressPostalCode,
    kWorkAddressState,
    kWorkAddressPostOfficeBox,
    kEmail1OriginalDisplayName,
    kEmail2OriginalDisplayName,
    kEmail3OriginalDisplayName,
    kInstantMessagingAddress,  // resolved, not written
    kAddressLid800E,           // resolved, not written
    kEmail1DisplayName,        // resolved, not written
    kEmail1AddressType,
    kEmail1EmailAddress,
    kEmail2DisplayName,  // resolved, not written
    kEmail2AddressType,
    kEmail2EmailAddress,
    kEmail3DisplayName,  // resolved, not written
    kEmail3AddressType,
    kEmail3EmailAddress,
    kKeywords,  // PS_PUBLIC_STRINGS "Keywords"
    kBilling,   // PSETID_Common 0x8535
    kContactNamedPropCount
};

// Property ids in ContactNamedProp order; 0 for a name the store does not
// use (no property has id 0).
using ContactNamedPropIds = std::array<std::uint16_t, kContactNamedPropCount>;

ContactNamedPropIds ResolveContactNamedPropIds(pstread::pst& store);

// The member lists of contact groups (PSETID_Address 0x8055 and 0x8054).
struct GroupNamedPropIds {
    std::uint16_t members = 0;
    std::uint16_t oneOffMembers = 0;
};

GroupNamedPropIds ResolveGroupNamedPropIds(pstread::pst& store);

}  // namespace mailwright::formats
