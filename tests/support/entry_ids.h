// Identifiers that message store objects carry: the ENTRYID of an object of
// this store ([MS-PST] 2.4.3.2), one-off recipient entry ids and search keys
// ([MS-OXCDATA] 2.2.5.1, [MS-OXPROPS] PidTagSearchKey).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pstbuild {

using ProviderUid = std::array<std::uint8_t, 16>;

// rgbFlags (4 zero bytes), the store's provider uid (PidTagRecordKey), nid.
std::vector<std::uint8_t> store_entry_id(const ProviderUid& uid, std::uint32_t nid);

// A one-off entry id: flags, the one-off provider uid, version 0, the
// flags word (0x8000 when the strings are UTF-16LE, else 8-bit) and the
// display name, address type and address, each zero-terminated.
std::vector<std::uint8_t> one_off_entry_id(std::string_view utf8_name,
                                           std::string_view address_type, std::string_view address,
                                           bool unicode);

// "TYPE:ADDRESS" in upper case with a terminating zero, as Outlook writes
// recipient search keys.
std::vector<std::uint8_t> address_search_key(std::string_view address_type,
                                             std::string_view address);

}  // namespace pstbuild
