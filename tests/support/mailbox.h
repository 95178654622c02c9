// A description of a whole mailbox, which MailboxWriter turns into a PST
// file: the store, its folder tree, and the messages with their recipients
// and attachments. Text is given as UTF-8 and written in the file's string
// form (UTF-16LE in Unicode files, the mailbox code page in ANSI files).
//
//   Mailbox box = standard_mailbox("Personal Folders");
//   Folder& inbox = box.top().add_folder("Inbox", "IPF.Note");
//   Message& m = inbox.messages.emplace_back();
//   m.subject = "Hello";
//   m.recipients.push_back(make_recipient("Ann", "ann@example.com"));
//   std::vector<std::uint8_t> file = build_mailbox(box);
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/entry_ids.h"
#include "support/guid.h"
#include "support/property_value.h"

namespace pstbuild {

// FILETIME: 100-nanosecond units since 1601-01-01 UTC.
using FileTime = std::uint64_t;
inline constexpr FileTime kFileTimeUnixEpoch = 116444736000000000ull;
constexpr FileTime filetime_from_unix(std::int64_t seconds) {
    return kFileTimeUnixEpoch + static_cast<std::uint64_t>(seconds) * 10000000ull;
}

// The name of a named property: a property set and a number or a string.
struct PropertyName {
    Guid guid = {};
    std::uint32_t id = 0;
    std::string name = {};  // a string name when not empty
};

// A property the description adds to (or replaces in) what the writer
// derives. A text value is written as PT_UNICODE or PT_STRING8 as the file
// requires; any other value is written as given.
struct ExtraProperty {
    std::uint16_t id = 0;                    // ignored for a named property
    std::optional<PropertyName> named = {};  // resolved through the name-to-id map
    PropertyValue value = {};
    std::optional<std::string> text = {};
    // A multi-valued text value: PT_MV_UNICODE or PT_MV_STRING8 as the file
    // requires.
    std::optional<std::vector<std::string>> texts = {};

    static ExtraProperty of(std::uint16_t id, PropertyValue value);
    static ExtraProperty of_text(std::uint16_t id, std::string utf8);
    static ExtraProperty of_texts(std::uint16_t id, std::vector<std::string> utf8);
    static ExtraProperty of_named(PropertyName name, PropertyValue value);
    static ExtraProperty of_named_text(PropertyName name, std::string utf8);
    static ExtraProperty of_named_texts(PropertyName name, std::vector<std::string> utf8);
};

// PidTagRecipientType.
enum class RecipientType : std::int32_t { to = 1, cc = 2, bcc = 3 };

struct Recipient {
    std::string name = {};
    std::string email = {};
    RecipientType type = RecipientType::to;
    std::string address_type = "SMTP";
    bool write_smtp_address = true;  // PidTagSmtpAddress cell
    std::vector<ExtraProperty> extra = {};
};

Recipient make_recipient(std::string name, std::string email,
                         RecipientType type = RecipientType::to);

struct Person {
    std::string name = {};
    std::string email = {};
    std::string address_type = "SMTP";
};

// Compressed RTF bodies are written in either form of [MS-OXRTFCP].
enum class RtfForm { compressed, uncompressed };

// PidTagAttachMethod values.
inline constexpr std::int32_t kAttachByValue = 1;
inline constexpr std::int32_t kAttachByReference = 2;
inline constexpr std::int32_t kAttachEmbeddedMessage = 5;
inline constexpr std::int32_t kAttachOle = 6;

struct Message;

struct Attachment {
    std::string filename = {};      // PidTagAttachLongFilename and PidTagAttachFilename
    std::string display_name = {};  // PidTagDisplayName; the file name when empty
    std::string mime_type = {};     // PidTagAttachMimeTag, left out when empty
    std::string content_id = {};    // PidTagAttachContentId, left out when empty
    std::string content_location = {};
    // PidTagAttachDataBinary of a by-value attachment; the object storage
    // (PidTagAttachDataObject) of an OLE one (method 6).
    std::vector<std::uint8_t> data = {};
    // An embedded message (attach method 5) instead of data.
    std::shared_ptr<const Message> embedded = {};
    std::optional<std::int32_t> method = {};  // default: 5 with an embedded message, else 1
    std::uint32_t flags = 0;                  // PidTagAttachmentFlags, left out when 0
    bool hidden = false;                      // PidTagAttachmentHidden
    bool contact_photo = false;               // PidTagAttachmentContactPhoto
    std::vector<ExtraProperty> extra = {};
};

// PidTagMessageFlags bits ([MS-OXCMSG] 2.2.1.6).
inline constexpr std::int32_t kMessageFlagRead = 0x01;
inline constexpr std::int32_t kMessageFlagUnsent = 0x08;
inline constexpr std::int32_t kMessageFlagHasAttach = 0x10;

struct Message {
    std::string message_class = "IPM.Note";
    std::string subject = {};
    // Written before the subject with the U+0001 marker ("Re: " gives
    // U+0001 U+0005 "Re: " + subject); the normalized subject is the rest.
    std::string subject_prefix = {};
    // Write the marker even without a prefix (U+0001 U+0001 + subject), as
    // some clients do.
    bool subject_marker = false;
    Person sender = {};                            // also the sent-representing ("From") person
    std::optional<Person> sent_representing = {};  // when the "From" differs
    FileTime submit_time = 0;                      // PidTagClientSubmitTime, left out when 0
    FileTime delivery_time = 0;                    // PidTagMessageDeliveryTime, left out when 0
    // Write the delivery time as PT_APPTIME (days since 1899-12-30) instead
    // of PT_SYSTIME, as some old files do.
    bool delivery_time_as_apptime = false;
    FileTime creation_time = 0;      // defaults to the delivery or submit time
    FileTime modification_time = 0;  // likewise
    bool read = true;
    std::int32_t extra_flags = 0;                  // other PidTagMessageFlags bits
    std::optional<std::int32_t> importance = {};   // PidTagImportance, 1 (normal) when unset
    std::optional<std::int32_t> priority = {};     // PidTagPriority, left out when unset
    std::optional<std::int32_t> sensitivity = {};  // PidTagSensitivity, 0 when unset
    // PidTagInternetCodepage; HTML bodies are stored in it (UTF-8 when
    // unset), and in ANSI files the plain body too.
    std::optional<std::uint32_t> internet_code_page = {};
    std::optional<std::string> body = {};  // PidTagBody
    std::optional<std::string> html = {};  // PidTagHtml (PT_BINARY)
    std::optional<std::string> rtf = {};   // RTF source, stored as PidTagRtfCompressed
    RtfForm rtf_form = RtfForm::compressed;
    std::string transport_headers = {};  // PidTagTransportMessageHeaders, left out when empty
    std::string internet_message_id = {};
    std::string in_reply_to = {};
    std::string references = {};
    std::vector<Recipient> recipients = {};
    std::vector<Attachment> attachments = {};
    std::vector<ExtraProperty> extra = {};  // applied last: they replace derived values
    std::vector<std::uint16_t> omit = {};   // derived properties to leave out
    // Properties that depend on the node id the message gets (entry ids of
    // its neighbours in the folder, which get consecutive node ids), applied
    // after `extra`.
    std::function<std::vector<ExtraProperty>(std::uint32_t nid)> extra_for_nid = {};
};

// Folder roles the message store points at (PidTagIpmSubTreeEntryId, ...).
enum class FolderRole { none, ipm_subtree, wastebasket, finder };

struct Folder {
    std::string name = {};
    std::string container_class = {};  // PidTagContainerClass, left out when empty
    FolderRole role = FolderRole::none;
    std::vector<Message> messages = {};
    // Messages made on demand, after `messages`: generate(i) for i in
    // [0, generated_count). Keeps memory flat for large mailboxes.
    std::size_t generated_count = 0;
    std::function<Message(std::size_t)> generate = {};
    std::vector<Message> associated = {};  // folder associated information
    std::vector<Folder> children = {};
    // A search folder: written as a search folder node (type 0x03) with its
    // own contents table, listed in the parent's hierarchy table.
    bool search_folder = false;
    // Hierarchy rows naming existing nodes (for example an ancestor), for
    // tests of readers that must not follow them without end.
    std::vector<std::uint32_t> extra_hierarchy_rows = {};
    std::vector<ExtraProperty> extra = {};
    std::vector<std::uint16_t> omit = {};  // derived properties to leave out

    Folder& add_folder(std::string folder_name, std::string folder_class = "IPF.Note");
    std::size_t message_count() const { return messages.size() + generated_count; }
};

struct Mailbox {
    std::string display_name = "Personal Folders";  // PidTagDisplayName of the store
    ProviderUid record_key = {0x4D, 0x57, 0x5B, 0x9E, 0x21, 0x07, 0x4C, 0x3A,
                              0x8E, 0x61, 0x0D, 0x2B, 0x93, 0xF4, 0x10, 0x6C};
    // Code page of 8-bit strings and bodies in ANSI files.
    unsigned code_page = 1252;
    std::uint32_t password_crc = 0;  // PidTagPstPassword
    Folder root = {};                // the root folder, node 0x122
    std::vector<ExtraProperty> store_extra = {};

    // The folder with the IPM subtree role; throws std::logic_error without.
    Folder& top();
};

// A mailbox laid out as Outlook creates one: the root folder holds "Top of
// Personal Folders" (the IPM subtree, with "Deleted Items") and "Search Root".
Mailbox standard_mailbox(std::string display_name = "Personal Folders");

}  // namespace pstbuild
