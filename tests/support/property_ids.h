// Property ids the mailbox writer stores ([MS-OXPROPS] names).
#pragma once

#include <cstdint>

namespace pstbuild::pid {

// Message store ([MS-PST] 2.4.3.1).
inline constexpr std::uint16_t kReplVersionHistory = 0x0E34;
inline constexpr std::uint16_t kReplFlags = 0x0E38;
inline constexpr std::uint16_t kRecordKey = 0x0FF9;
inline constexpr std::uint16_t kValidFolderMask = 0x35DF;
inline constexpr std::uint16_t kIpmSubTreeEntryId = 0x35E0;
inline constexpr std::uint16_t kIpmWastebasketEntryId = 0x35E3;
inline constexpr std::uint16_t kFinderEntryId = 0x35E7;
inline constexpr std::uint16_t kPstPassword = 0x67FF;

// Folders ([MS-PST] 2.4.4.1.1).
inline constexpr std::uint16_t kDisplayName = 0x3001;
inline constexpr std::uint16_t kComment = 0x3004;
inline constexpr std::uint16_t kContentCount = 0x3602;
inline constexpr std::uint16_t kContentUnreadCount = 0x3603;
inline constexpr std::uint16_t kSubfolders = 0x360A;
inline constexpr std::uint16_t kContainerClass = 0x3613;
inline constexpr std::uint16_t kPstHiddenCount = 0x6635;
inline constexpr std::uint16_t kPstHiddenUnread = 0x6636;

// Messages.
inline constexpr std::uint16_t kImportance = 0x0017;
inline constexpr std::uint16_t kMessageClass = 0x001A;
inline constexpr std::uint16_t kPriority = 0x0026;
inline constexpr std::uint16_t kSensitivity = 0x0036;
inline constexpr std::uint16_t kSubject = 0x0037;
inline constexpr std::uint16_t kClientSubmitTime = 0x0039;
inline constexpr std::uint16_t kSubjectPrefix = 0x003D;
inline constexpr std::uint16_t kSentRepresentingName = 0x0042;
inline constexpr std::uint16_t kSentRepresentingAddressType = 0x0064;
inline constexpr std::uint16_t kSentRepresentingEmailAddress = 0x0065;
inline constexpr std::uint16_t kConversationTopic = 0x0070;
inline constexpr std::uint16_t kTransportMessageHeaders = 0x007D;
inline constexpr std::uint16_t kSenderName = 0x0C1A;
inline constexpr std::uint16_t kSenderAddressType = 0x0C1E;
inline constexpr std::uint16_t kSenderEmailAddress = 0x0C1F;
inline constexpr std::uint16_t kDisplayBcc = 0x0E02;
inline constexpr std::uint16_t kDisplayCc = 0x0E03;
inline constexpr std::uint16_t kDisplayTo = 0x0E04;
inline constexpr std::uint16_t kMessageDeliveryTime = 0x0E06;
inline constexpr std::uint16_t kMessageFlags = 0x0E07;
inline constexpr std::uint16_t kMessageSize = 0x0E08;
inline constexpr std::uint16_t kMessageStatus = 0x0E17;
inline constexpr std::uint16_t kHasAttachments = 0x0E1B;
inline constexpr std::uint16_t kNormalizedSubject = 0x0E1D;
inline constexpr std::uint16_t kRtfInSync = 0x0E1F;
inline constexpr std::uint16_t kBody = 0x1000;
inline constexpr std::uint16_t kRtfCompressed = 0x1009;
inline constexpr std::uint16_t kHtml = 0x1013;
inline constexpr std::uint16_t kInternetMessageId = 0x1035;
inline constexpr std::uint16_t kInternetReferences = 0x1039;
inline constexpr std::uint16_t kInReplyToId = 0x1042;
inline constexpr std::uint16_t kCreationTime = 0x3007;
inline constexpr std::uint16_t kLastModificationTime = 0x3008;
inline constexpr std::uint16_t kSearchKey = 0x300B;
inline constexpr std::uint16_t kInternetCodepage = 0x3FDE;
inline constexpr std::uint16_t kMessageCodepage = 0x3FFD;
inline constexpr std::uint16_t kSenderSmtpAddress = 0x5D01;
inline constexpr std::uint16_t kSentRepresentingSmtpAddress = 0x5D02;

// Recipients.
inline constexpr std::uint16_t kRecipientType = 0x0C15;
inline constexpr std::uint16_t kResponsibility = 0x0E0F;
inline constexpr std::uint16_t kObjectType = 0x0FFE;
inline constexpr std::uint16_t kEntryId = 0x0FFF;
inline constexpr std::uint16_t kAddressType = 0x3002;
inline constexpr std::uint16_t kEmailAddress = 0x3003;
inline constexpr std::uint16_t kDisplayType = 0x3900;
inline constexpr std::uint16_t kSmtpAddress = 0x39FE;
inline constexpr std::uint16_t kTransmittableDisplayName = 0x3A20;
inline constexpr std::uint16_t kSendRichInfo = 0x3A40;
inline constexpr std::uint16_t kRecipientDisplayName = 0x5FF6;
inline constexpr std::uint16_t kRecipientFlags = 0x5FFD;
inline constexpr std::uint16_t kRecipientTrackStatus = 0x5FFF;

// Attachments.
inline constexpr std::uint16_t kAttachSize = 0x0E20;
inline constexpr std::uint16_t kAttachDataBinary = 0x3701;  // PidTagAttachDataObject too
inline constexpr std::uint16_t kAttachExtension = 0x3703;
inline constexpr std::uint16_t kAttachFilename = 0x3704;
inline constexpr std::uint16_t kAttachMethod = 0x3705;
inline constexpr std::uint16_t kAttachLongFilename = 0x3707;
inline constexpr std::uint16_t kRenderingPosition = 0x370B;
inline constexpr std::uint16_t kAttachMimeTag = 0x370E;
inline constexpr std::uint16_t kAttachContentId = 0x3712;
inline constexpr std::uint16_t kAttachContentLocation = 0x3713;
inline constexpr std::uint16_t kAttachmentFlags = 0x7FFD;
inline constexpr std::uint16_t kAttachmentHidden = 0x7FFE;
inline constexpr std::uint16_t kAttachmentContactPhoto = 0x7FFF;

// PidTagObjectType values.
inline constexpr std::int32_t kObjectTypeMailUser = 6;
inline constexpr std::int32_t kObjectTypeAttachment = 7;

}  // namespace pstbuild::pid
