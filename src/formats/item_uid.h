// The UID of a contact (or group) in its vCard: a name-based (version 5)
// UUID made from the item's entry id, that is the store's record key and the
// item's node id. Converting the same PST again gives every contact the same
// UID, so an address book matches the new cards with the old ones, and a
// group names its members by the UIDs their own cards carry.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pstread/pst/pst.h"

namespace mailwright::formats {

using StoreRecordKey = std::array<std::uint8_t, 16>;

// PidTagRecordKey of the store; all zero when the store has none of 16 bytes.
StoreRecordKey ReadStoreRecordKey(pstread::pst& store);

// The UUID text (36 characters, upper-case hexadecimal digits) of the item
// with node id `nid` in the store with `recordKey`.
std::string ItemUID(const StoreRecordKey& recordKey, std::uint32_t nid);

}  // namespace mailwright::formats
