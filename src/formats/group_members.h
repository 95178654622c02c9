// The members of a contact group (an IPM.DistList item): its member list
// holds one entry id per member, either a wrapped entry id that names a
// contact or group of a store, or a one-off entry id that carries a name and
// an address; the parallel one-off list gives every member's name and
// address. Entry ids are read through bounds-checked offsets; one that does
// not fit its layout yields no member data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "text/code_page_table.h"

namespace mailwright::formats {

// One member as its entry ids describe it (text in UTF-8).
struct GroupMember {
    // The node id of the item a wrapped entry id names in this store.
    std::optional<std::uint32_t> nid;
    std::string name;
    std::string addressType;
    std::string address;
};

// A wrapped entry id of a message in the store with `recordKey`: the node
// id of that message, or nothing for any other entry id.
std::optional<std::uint32_t> WrappedMessageNid(std::span<const std::uint8_t> entryId,
                                               std::span<const std::uint8_t> recordKey);

// A one-off entry id's name, address type and address; 8-bit strings are
// read in `eightBitRow`. Nothing for any other entry id or one whose strings
// run past its end.
std::optional<GroupMember> ReadOneOffEntryId(std::span<const std::uint8_t> entryId,
                                             const text::TextEncodingItem& eightBitRow);

// The members, in list order, from the member list and the one-off list
// (either may be empty): member i takes the node id of members[i] and the
// name and address of oneOffs[i], or of members[i] when that is a one-off.
// A member of which neither entry id can be read is left out.
std::vector<GroupMember> ReadGroupMembers(const std::vector<std::vector<std::uint8_t>>& members,
                                          const std::vector<std::vector<std::uint8_t>>& oneOffs,
                                          std::span<const std::uint8_t> recordKey,
                                          const text::TextEncodingItem& eightBitRow);

}  // namespace mailwright::formats
