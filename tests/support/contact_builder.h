// Contacts and contact groups as a PST stores them: the description of a
// contact with every property the vCard writer reads, turned into a
// message (IPM.Contact) of the mailbox description; and a group
// (IPM.DistList) whose member lists hold wrapped entry ids of contacts of
// the same folder and one-off entry ids of plain addresses.
//
//   Contact ann;
//   ann.surname = "Lee";
//   ann.emails.push_back({"ann@example.com"});
//   folder.messages.push_back(contact_message(ann));
//   folder.messages.push_back(group_message("Team", {{"Ann Lee", "ann@example.com", 0}},
//                                           1, box.record_key));
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/entry_ids.h"
#include "support/mailbox.h"

namespace pstbuild {

struct ContactAddress {
    std::string po_box = {};
    std::string street = {};
    std::string city = {};
    std::string state = {};
    std::string postal_code = {};
    std::string country = {};
    std::string label = {};  // the whole address as one text
};

struct ContactEmail {
    std::string address = {};
    std::string address_type = "SMTP";
    std::string original_display_name = {};  // left out when empty
};

// PidLidPostalAddressId values.
enum class PostalAddress : std::int32_t { none = 0, home = 1, work = 2, other = 3 };

struct Contact {
    std::string file_as = {};       // the subject: the name the card shows
    std::string display_name = {};  // PidTagDisplayName, left out when empty
    std::string surname = {};
    std::string given_name = {};
    std::string middle_name = {};
    std::string prefix = {};
    std::string generation = {};
    std::string nickname = {};
    ContactAddress home = {};
    ContactAddress work = {};
    ContactAddress other = {};
    PostalAddress postal_address = PostalAddress::none;
    std::string company = {};
    std::string department = {};
    std::string title = {};
    std::string profession = {};
    std::optional<FileTime> birthday = {};
    std::optional<FileTime> anniversary = {};
    // Telephone numbers by property tag id (PidTagBusinessTelephoneNumber
    // 0x3A08, PidTagMobileTelephoneNumber 0x3A1C, ...).
    std::vector<std::pair<std::uint16_t, std::string>> phones = {};
    std::string personal_home_page = {};
    std::string business_home_page = {};
    std::vector<ContactEmail> emails = {};  // up to three slots
    std::optional<std::vector<std::string>> categories = {};
    // Further text details by property tag id (PidTagHobbies 0x3A43,
    // PidTagAssistant 0x3A30, PidTagAccount 0x3A00, ...).
    std::vector<std::pair<std::uint16_t, std::string>> details = {};
    std::vector<std::string> children = {};
    std::optional<std::int16_t> gender = {};  // PidTagGender: 1 female, 2 male
    std::string billing = {};                 // PidLidBilling
    std::optional<std::string> notes = {};    // PidTagBody
    std::optional<std::vector<std::uint8_t>> photo = {};
    std::vector<ExtraProperty> extra = {};
};

Message contact_message(const Contact& contact);

// A member of a group: a contact of the same folder (its index there) or a
// plain address.
struct GroupMember {
    std::string name = {};
    std::string email = {};
    std::optional<std::size_t> contact_index = {};
};

// A group that is message `own_index` of its folder, in a store with
// `record_key`.
Message group_message(std::string name, std::vector<GroupMember> members, std::size_t own_index,
                      const ProviderUid& record_key);

// A wrapped entry id of a contact ([MS-OXOCNTC] WrappedEntryId): flags, the
// wrapping provider, the type byte 0xC3 and the contact's store entry id.
std::vector<std::uint8_t> wrapped_contact_entry_id(const ProviderUid& record_key,
                                                   std::uint32_t nid);

}  // namespace pstbuild
