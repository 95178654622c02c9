// Turns one PST message into an RFC 5322/MIME message on an output stream:
// an EML file (CR LF line ends) or one message of an MBOX mailbox (LF line
// ends, a "From - " separator line and ">From" quoting of body lines).
//
// The MIME structure follows what the message holds: a plain body, an HTML
// body (or HTML made from its RTF body, whose pictures become attachments),
// inline attachments with content IDs, ordinary attachments and embedded
// messages. Signed (multipart/signed) and opaque (S/MIME or PGP encrypted)
// messages are written in their own form. The header block is the message's
// stored Internet headers when they are usable, else one made from its
// properties.
//
//   MIMEMailWriter writer(true, true, session.isUnicodePST(),
//                         session.pstDefaultCodePage());  // MBOX mode
//   writer.setContentTypePropId(ResolveContentTypePropId(session.pstSession()));
//   std::ostringstream text;
//   writer.writeMessage(text, &message.getMessage());
//
// A writer is made once per output run and used for message after message,
// from one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "formats/item_identity.h"
#include "model/item_code_page.h"
#include "pstread/pst/attachment.h"
#include "pstread/pst/message.h"
#include "pstread/pst/pst.h"
#include "text/code_page_table.h"
#include "text/date_format.h"
#include "text/rtf_picture.h"
#include "text/time_zone.h"

namespace mailwright::formats {

// The kinds of content a message's MIME structure is made of.
enum StructureFlag : std::uint32_t {
    kPlainOnly = 1,
    kHtmlOnly = 2,
    kRelated = 4,
    kMixed = 8,
    kAlternative = 16,
};

// How deep messages attached to messages are written. A message nested
// deeper is written as an empty message/rfc822 part (and a line in the
// system log), so a hostile chain of embedded messages costs neither stack
// nor time without end. Below the messaging layer's own limit.
inline constexpr unsigned kMaxEmbeddedMessageDepth = 32;

// Boundary prefixes; the first 16 hexadecimal digits of the message's
// identity follow.
inline constexpr std::size_t kBoundaryIdentityDigits = 16;
inline constexpr std::string_view kMixedBoundaryPrefix = "----=_NEXTPART_MIXED_";
inline constexpr std::string_view kRelatedBoundaryPrefix = "----=_NEXTPART_RELATED_";
inline constexpr std::string_view kAlternativeBoundaryPrefix = "----=_NEXTPART_ALTERNATE_";

class MIMEMailWriter {
public:
    // EML files: (false, false, ...); MBOX files: (true, true, ...).
    // `defaultCodePage` is the PST's code page for 8-bit text,
    // `unicodeStore` whether the PST is a Unicode file.
    MIMEMailWriter(bool writeFromLine, bool useLF, bool unicodeStore,
                   std::uint32_t defaultCodePage);
    virtual ~MIMEMailWriter() = default;

    MIMEMailWriter(const MIMEMailWriter&) = delete;
    MIMEMailWriter& operator=(const MIMEMailWriter&) = delete;

    // Writes the message; -1 when no message is given, 0 otherwise. Failures
    // of reading or converting throw, leaving what was written in `out`.
    virtual int writeMessage(std::ostream& out, pstread::message* message);
    // The same with a text written before the subject; a message written with
    // a prefix always gets the synthesized header block.
    virtual int writeMessage(std::ostream& out, pstread::message* message,
                             std::optional<std::u16string_view> subjectPrefix);

    // The store's property id of the named property "content-type" of
    // PS_INTERNET_HEADERS (0 when the store has none): the Content-Type of an
    // opaque message.
    std::uint16_t contentTypePropId() const { return m_contentTypePropId; }
    void setContentTypePropId(std::uint16_t id) { m_contentTypePropId = id; }

    // Whether a message's 8-bit strings are decoded with the code page the
    // message records (model::ItemCodePages) before the writer's own: true
    // unless the user gave the code page. False until set.
    void setFollowItemCodePages(bool follow) { m_itemCodePages.followItems = follow; }

    bool useLF() const { return m_useLF; }
    bool writeFromLine() const { return m_writeFromLine; }
    std::string_view eol() const { return m_eol; }

    // What the last message written lost: one line for each attachment,
    // attached message or body that could not be read completely. Such a
    // message is still written, with what could be read.
    const std::vector<std::string>& losses() const { return m_losses; }

    // The last message's identity and structure.
    const ItemIdentity& messageIdentity() const { return m_identity; }
    std::uint32_t structureFlags() const { return m_structureFlags; }
    std::uint32_t topLevelKind() const { return m_topLevelKind; }

    // The record key of the messages' store (StoreRecordKey), which with a
    // message's node id makes its identity: boundaries and the Message-ID of
    // a message without one come from it, so the same file always gives the
    // same text. Empty until set.
    void setStoreKey(std::vector<std::uint8_t> key) { m_storeKey = std::move(key); }
    // The zone dates are written in: the system time zone when the writer
    // is made.
    const text::DateTimeZone& systemTimeZone() const { return m_systemTimeZone; }
    void setSystemTimeZone(text::DateTimeZone zone) { m_systemTimeZone = std::move(zone); }
    // The formatter of the export run; the calling thread's own one when
    // none is set. Not owned.
    void setDateFormatter(text::SharedDateFormatter* formatter) { m_formatter = formatter; }
    // Makes the iCalendar text of a meeting message for its iTIP method
    // (MeetingMethod); the text is written as the message's text/calendar
    // part. Without one, meeting messages are written as plain mail.
    using MeetingCalendarMaker =
        std::function<std::string(pstread::message& message, std::string_view method)>;
    void setMeetingCalendarMaker(MeetingCalendarMaker maker) {
        m_meetingCalendar = std::move(maker);
    }

private:
    struct AttachmentEntry;

    text::SharedDateFormatter& formatter();
    void takeIdentity(const pstread::message& message);
    std::string boundary(StructureFlag kind) const;
    void openPart(std::ostream& out, StructureFlag kind);
    void closePart(std::ostream& out, StructureFlag kind, bool topLevel);

    void writeSeparatorLine(std::ostream& out, const pstread::message& message);
    void writeHeaderBlock(std::ostream& out, const pstread::message& message,
                          std::optional<std::u16string_view> subjectPrefix);

    void writeOrdinary(std::ostream& out, pstread::message& message,
                       std::optional<std::u16string_view> subjectPrefix);
    void writeSigned(std::ostream& out, pstread::message& message,
                     std::optional<std::u16string_view> subjectPrefix);
    void writeOpaque(std::ostream& out, pstread::message& message,
                     std::optional<std::u16string_view> subjectPrefix);

    std::vector<AttachmentEntry> readAttachments(const pstread::message& message);
    void makeHtmlFromRtf(const pstread::message& message);
    void writeTopLevelContentHeader(std::ostream& out);
    void writePlainBody(std::ostream& out, const pstread::message& message);
    void writeHtmlBody(std::ostream& out, const pstread::message& message);
    void writeAttachments(std::ostream& out, std::vector<AttachmentEntry>& entries);
    // `label` names the attached message in loss lines.
    void writeEmbeddedMessagePart(std::ostream& out, const pstread::attachment& attachment,
                                  const std::string& label);
    void writeRtfPictures(std::ostream& out);
    // The text/calendar part of a meeting message, when it has one.
    std::optional<std::string> meetingCalendar(pstread::message& message);
    void writeMeetingPart(std::ostream& out, const std::string& calendar);
    void closeTopLevel(std::ostream& out);

    void planBodies(const pstread::message& message);
    // Records the current exception as the loss of `what`.
    void recordLoss(const std::string& what);

    std::uint16_t m_contentTypePropId = 0;
    MeetingCalendarMaker m_meetingCalendar;
    std::string m_meetingMethod;
    text::DateTimeZone m_systemTimeZone;
    bool m_useLF = false;
    bool m_writeFromLine = false;
    std::string m_eol;
    std::uint32_t m_topLevelKind = kPlainOnly;
    std::uint32_t m_structureFlags = 0;
    std::vector<std::uint8_t> m_storeKey;
    ItemIdentity m_identity;
    // The identity of the message that holds this writer's message as an
    // attachment; nothing for a writer of a folder's messages.
    std::optional<ItemIdentity> m_holder;
    std::uint32_t m_plainCodePage = 0;
    std::uint32_t m_htmlCodePage = 0;
    bool m_unicodeStore = false;
    std::string m_rtfHtml;
    std::vector<text::RtfPicture> m_rtfPictures;
    std::vector<std::string> m_losses;

    // The default code page's row (or the session's fallback row when that
    // has none or no converter), and whether messages' own code pages count.
    model::ItemCodePages m_itemCodePages;
    // The row that decodes the 8-bit text of the message being written: its
    // own code page's, or the default one.
    const text::TextEncodingItem* m_defaultRow = nullptr;
    // Per message: the plain body's stored and written code pages, the HTML
    // body's stored code page (when it is converted) and its label.
    const text::TextEncodingItem* m_plainSource = nullptr;
    const text::TextEncodingItem* m_plainTarget = nullptr;
    // The plain body in m_plainTarget, when it was converted whole while it
    // was checked for losses: written as it is instead of read again.
    std::string m_plainConverted;
    bool m_plainIsConverted = false;
    const text::TextEncodingItem* m_htmlSource = nullptr;
    const text::TextEncodingItem* m_htmlLabel = nullptr;

    // How many messages hold the one this writer writes (0 for a message of
    // a folder).
    unsigned m_depth = 0;
    text::SharedDateFormatter* m_formatter = nullptr;
};

// The property id `contentTypePropId` takes for a store: the named property
// "content-type" of PS_INTERNET_HEADERS through the store's named property
// map, or 0 when the map has no such entry or cannot be read. Resolve it
// once per store.
std::uint16_t ResolveContentTypePropId(pstread::pst& store);

}  // namespace mailwright::formats
