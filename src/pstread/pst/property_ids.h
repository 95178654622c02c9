// Property ids ([MS-OXPROPS]) that the messaging layer, the session model and
// the writers read from stores, folders, messages, recipients and
// attachments, and the values of a few of them. Named properties (0x8000 and
// up) are not fixed: they are resolved per file through the store's named
// property map.
#pragma once

#include <cstdint>

#include "pstread/ltp/property_types.h"

namespace pstread {

// Stores and folders.
constexpr prop_id pid_tag_display_name = 0x3001;           // PidTagDisplayName
constexpr prop_id pid_tag_content_count = 0x3602;          // PidTagContentCount
constexpr prop_id pid_tag_container_class = 0x3613;        // PidTagContainerClass
constexpr prop_id pid_tag_ipm_sub_tree_entry_id = 0x35E0;  // PidTagIpmSubTreeEntryId

// Messages.
constexpr prop_id pid_tag_importance = 0x0017;                       // PidTagImportance
constexpr prop_id pid_tag_message_class = 0x001A;                    // PidTagMessageClass
constexpr prop_id pid_tag_priority = 0x0026;                         // PidTagPriority
constexpr prop_id pid_tag_subject = 0x0037;                          // PidTagSubject
constexpr prop_id pid_tag_client_submit_time = 0x0039;               // PidTagClientSubmitTime
constexpr prop_id pid_tag_sent_representing_name = 0x0042;           // PidTagSentRepresentingName
constexpr prop_id pid_tag_reply_recipient_names = 0x0050;            // PidTagReplyRecipientNames
constexpr prop_id pid_tag_sent_representing_address_type = 0x0064;   // ...AddressType
constexpr prop_id pid_tag_sent_representing_email_address = 0x0065;  // ...EmailAddress
constexpr prop_id pid_tag_transport_message_headers = 0x007D;  // PidTagTransportMessageHeaders
constexpr prop_id pid_tag_sender_name = 0x0C1A;                // PidTagSenderName
constexpr prop_id pid_tag_sender_address_type = 0x0C1E;        // PidTagSenderAddressType
constexpr prop_id pid_tag_sender_email_address = 0x0C1F;       // PidTagSenderEmailAddress
constexpr prop_id pid_tag_message_delivery_time = 0x0E06;      // PidTagMessageDeliveryTime
constexpr prop_id pid_tag_message_flags = 0x0E07;              // PidTagMessageFlags
constexpr prop_id pid_tag_message_size = 0x0E08;               // PidTagMessageSize
constexpr prop_id pid_tag_object_type = 0x0FFE;                // PidTagObjectType
constexpr prop_id pid_tag_body = 0x1000;                       // PidTagBody
constexpr prop_id pid_tag_rtf_compressed = 0x1009;             // PidTagRtfCompressed
constexpr prop_id pid_tag_body_html = 0x1013;                  // PidTagBodyHtml, PidTagHtml
constexpr prop_id pid_tag_internet_message_id = 0x1035;        // PidTagInternetMessageId
constexpr prop_id pid_tag_internet_references = 0x1039;        // PidTagInternetReferences
constexpr prop_id pid_tag_in_reply_to_id = 0x1042;             // PidTagInReplyToId
constexpr prop_id pid_tag_last_modification_time = 0x3008;     // PidTagLastModificationTime
constexpr prop_id pid_tag_internet_codepage = 0x3FDE;          // PidTagInternetCodepage
constexpr prop_id pid_tag_message_codepage = 0x3FFD;           // PidTagMessageCodepage

// Recipients (cells of the recipient table).
constexpr prop_id pid_tag_recipient_type = 0x0C15;          // PidTagRecipientType
constexpr prop_id pid_tag_address_type = 0x3002;            // PidTagAddressType
constexpr prop_id pid_tag_email_address = 0x3003;           // PidTagEmailAddress
constexpr prop_id pid_tag_smtp_address = 0x39FE;            // PidTagSmtpAddress
constexpr prop_id pid_tag_recipient_display_name = 0x5FF6;  // PidTagRecipientDisplayName
constexpr prop_id pid_tag_recipient_flags = 0x5FFD;         // PidTagRecipientFlags
constexpr prop_id pid_tag_recipient_track_status = 0x5FFF;  // PidTagRecipientTrackStatus

// Attachments.
constexpr prop_id pid_tag_attach_data_binary = 0x3701;        // PidTagAttachDataBinary
constexpr prop_id pid_tag_attach_data_object = 0x3701;        // PidTagAttachDataObject (same id)
constexpr prop_id pid_tag_attach_extension = 0x3703;          // PidTagAttachExtension
constexpr prop_id pid_tag_attach_filename = 0x3704;           // PidTagAttachFilename
constexpr prop_id pid_tag_attach_method = 0x3705;             // PidTagAttachMethod
constexpr prop_id pid_tag_attach_long_filename = 0x3707;      // PidTagAttachLongFilename
constexpr prop_id pid_tag_attach_pathname = 0x3708;           // PidTagAttachPathname
constexpr prop_id pid_tag_attach_long_pathname = 0x370D;      // PidTagAttachLongPathname
constexpr prop_id pid_tag_attach_mime_tag = 0x370E;           // PidTagAttachMimeTag
constexpr prop_id pid_tag_attach_content_id = 0x3712;         // PidTagAttachContentId
constexpr prop_id pid_tag_attach_content_location = 0x3713;   // PidTagAttachContentLocation
constexpr prop_id pid_tag_attachment_flags = 0x7FFD;          // PidTagAttachmentFlags
constexpr prop_id pid_tag_attachment_contact_photo = 0x7FFF;  // PidTagAttachmentContactPhoto

// Contacts.
constexpr prop_id pid_tag_wedding_anniversary = 0x3A41;  // PidTagWeddingAnniversary
constexpr prop_id pid_tag_birthday = 0x3A42;             // PidTagBirthday
constexpr prop_id pid_tag_gender = 0x3A4D;               // PidTagGender
constexpr prop_id pid_tag_childrens_names = 0x3A58;      // PidTagChildrensNames

// PidTagMessageFlags: the message has been read (mfRead).
constexpr std::uint32_t message_flag_read = 0x00000001;

// PidTagAttachMethod values.
constexpr std::uint32_t attach_method_by_value = 1;      // afByValue
constexpr std::uint32_t attach_method_by_reference = 2;  // afByReference
constexpr std::uint32_t attach_method_by_reference_resolve = 3;
constexpr std::uint32_t attach_method_by_reference_only = 4;  // afByReferenceOnly
constexpr std::uint32_t attach_method_embedded_message = 5;   // afEmbeddedMessage
constexpr std::uint32_t attach_method_storage = 6;            // afStorage: an OLE object

// PidTagRecipientType values.
constexpr std::uint32_t recipient_type_to = 1;   // MAPI_TO
constexpr std::uint32_t recipient_type_cc = 2;   // MAPI_CC
constexpr std::uint32_t recipient_type_bcc = 3;  // MAPI_BCC

}  // namespace pstread
