// The ordinary path of the MIME writer: a message's structure worked out
// from its bodies and attachments, then written part by part.
#include <exception>
#include <string>

#include "formats/attachment_parts.h"
#include "formats/body_code_pages.h"
#include "formats/body_copy.h"
#include "formats/body_filter.h"
#include "formats/meeting_calendar.h"
#include "formats/mime_mail_writer.h"
#include "formats/property_reading.h"
#include "platform/current_exception_reason.h"
#include "platform/system_log.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/pst/property_ids.h"
#include "text/rtf_decompress.h"
#include "text/rtf_picture_extract.h"
#include "text/rtf_to_html.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {

using text::TextEncodingItem;

namespace {

// PidTagAttachmentFlags: the attachment is not shown with the message's RTF
// body (afInvisibleInRtf, [MS-OXCMSG] 2.2.2.18); such attachments are left
// out.
constexpr std::uint32_t kAttachmentInvisibleInRtf = 0x2;
// Bodies are written as they are stored or converted, 8-bit text with line
// ends of the output file.
constexpr std::string_view kEightBitEncoding = "Content-Transfer-Encoding: 8bit";
// Code page of the HTML made from an RTF body.
constexpr std::uint32_t kUtf8CodePage = 65001;
// How much of an HTML body is looked at to tell UTF-16/UTF-32 text (which
// holds zero bytes) from 8-bit text.
constexpr std::size_t kWideSniffBytes = 4096;

// Whether a stored value holds a zero byte near its start, as UTF-16 and
// UTF-32 text does and 8-bit text does not.
bool looksWide(pstread::hnid_stream_device device) {
    std::string start(kWideSniffBytes, '\0');
    const std::streamsize count =
        device.read(start.data(), static_cast<std::streamsize>(start.size()));
    if (count <= 0) {
        return false;
    }
    start.resize(static_cast<std::size_t>(count));
    return start.find('\0') != std::string::npos;
}

bool isReference(std::uint32_t method) {
    return method == pstread::attach_method_by_reference ||
           method == pstread::attach_method_by_reference_resolve ||
           method == pstread::attach_method_by_reference_only;
}

// How a loss line names an attachment: its name, else its number.
std::string attachmentLabel(const std::u16string& name, std::size_t number,
                            const char* kind = "attachment") {
    return name.empty() ? kind + (" " + std::to_string(number))
                        : kind + (" \"" + text::utf16_to_utf8(name) + '"');
}

// The name an attachment is shown by: its long file name, its short one or
// its display name.
std::u16string attachmentName(const pstread::property_bag& bag) {
    for (const pstread::prop_id id :
         {pstread::pid_tag_attach_long_filename, pstread::pid_tag_attach_filename,
          pstread::pid_tag_display_name}) {
        std::u16string name = read_text_or_empty(bag, id);
        if (!name.empty()) {
            return name;
        }
    }
    return {};
}

}  // namespace

struct MIMEMailWriter::AttachmentEntry {
    std::optional<pstread::attachment> attachment;  // nothing when it could not be opened
    bool hidden = false;
    std::u16string contentId;
    std::uint32_t method = 0;
    std::u16string name;
    std::size_t number = 0;  // from 1, in table order
};

void MIMEMailWriter::recordLoss(const std::string& what) {
    m_losses.push_back(what + ": " + platform::CurrentExceptionReason());
    platform::log_line("Incomplete message " + m_identity.hex(16) + ": " + m_losses.back());
}

std::vector<MIMEMailWriter::AttachmentEntry> MIMEMailWriter::readAttachments(
    const pstread::message& message) {
    std::vector<AttachmentEntry> entries;
    if (message.get_attachment_count() == 0) {
        return entries;
    }
    std::size_t number = 0;
    for (auto it = message.attachment_begin(); it != message.attachment_end(); ++it) {
        AttachmentEntry entry;
        entry.number = ++number;
        try {
            entry.attachment.emplace(*it);
            const pstread::property_bag& bag = entry.attachment->get_property_bag();
            const auto flags = read_integer(bag, pstread::pid_tag_attachment_flags);
            entry.hidden = flags && (*flags & kAttachmentInvisibleInRtf) != 0;
            entry.contentId = read_text_or_empty(bag, pstread::pid_tag_attach_content_id);
            entry.method = read_integer(bag, pstread::pid_tag_attach_method).value_or(0);
            entry.name = attachmentName(bag);
        } catch (const pstread::work_limit_reached&) {
            throw;  // the whole message is given up
        } catch (const std::exception&) {
            // Written as an empty part of the mixed structure, and reported.
            recordLoss(attachmentLabel(entry.name, entry.number) + " could not be read");
            entry = AttachmentEntry{};
            entry.number = number;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

void MIMEMailWriter::makeHtmlFromRtf(const pstread::message& message) {
    m_rtfHtml.clear();
    m_rtfPictures.clear();
    try {
        const pstread::byte_buffer compressed =
            message.get_property_bag().read_bytes(pstread::pid_tag_rtf_compressed);
        const text::DecompressedRtf rtf = text::DecompressRtf(compressed);
        std::vector<text::RtfPicture> pictures;
        const std::vector<std::uint8_t> marked =
            text::ExtractRtfPictures(rtf.rtf, rtf.pictures, pictures);
        std::optional<std::string> html = text::RtfToHtml(marked);
        if (html && !html->empty()) {
            m_rtfHtml = std::move(*html);
            m_rtfPictures = std::move(pictures);
        }
    } catch (const std::exception&) {
        // Written as if the message had no RTF body, and reported.
        recordLoss("RTF body could not be read");
        m_rtfHtml.clear();
        m_rtfPictures.clear();
    }
}

void MIMEMailWriter::planBodies(const pstread::message& message) {
    const pstread::property_bag& bag = message.get_property_bag();
    const TextEncodingItem* plain = text::GetCodePageInfo(m_plainCodePage);
    const TextEncodingItem* html =
        m_htmlCodePage == m_plainCodePage ? plain : text::GetCodePageInfo(m_htmlCodePage);

    const bool unicodeBody = bag.has_property(pstread::pid_tag_body) &&
                             bag.property_type(pstread::pid_tag_body) == pstread::prop_type_unicode;
    const BodyRows rows =
        ChoosePlainBodyRows(plain, html, *m_defaultRow, m_unicodeStore, unicodeBody);
    m_plainSource = rows.source;
    m_plainTarget = rows.target;
    m_plainIsConverted = false;
    // A body converted into a code page that lacks some of its characters
    // would lose them: such a body is written as UTF-8 instead. A body of
    // ordinary length is converted once, here, and kept for writing.
    if (bag.has_property(pstread::pid_tag_body) && m_plainSource != m_plainTarget &&
        m_plainTarget->codePage != kUtf8CodePage) {
        try {
            pstread::hnid_istream body(message.open_body_stream());
            body.exceptions(std::ios::badbit);
            const bool keep = body.device().size() <= kConvertedBodyBytes;
            if (ConvertsWithoutLoss(body, *m_plainSource, *m_plainTarget,
                                    keep ? &m_plainConverted : nullptr)) {
                m_plainIsConverted = keep;
            } else {
                m_plainTarget = &text::Utf8Row();
            }
        } catch (const std::exception&) {
            // A body that cannot be read through is written as far as it
            // goes (and reported then), in the code page that loses nothing.
            m_plainTarget = &text::Utf8Row();
        }
    }

    m_htmlSource = nullptr;
    if (!m_rtfHtml.empty()) {
        m_htmlLabel = &text::Utf8Row();
        return;
    }
    // A code page without a row of the table has no label: such HTML is
    // labelled with the PST's code page, as an unlabelled part would be read
    // as US-ASCII.
    m_htmlLabel = m_htmlCodePage != 0 && html != nullptr ? html : m_defaultRow;
    if (!bag.has_property(pstread::pid_tag_body_html)) {
        return;
    }
    if (bag.property_type(pstread::pid_tag_body_html) == pstread::prop_type_unicode) {
        m_htmlSource = &text::Utf16LeRow();
        m_htmlLabel = &text::Utf8Row();
    } else if (m_htmlLabel != nullptr && IsWideUnicodeCodePage(m_htmlLabel->codePage)) {
        // UTF-16 or UTF-32 HTML cannot travel in an 8bit part: it is
        // converted to UTF-8. HTML that is not in fact wide is left as it is.
        try {
            if (looksWide(message.open_html_body_stream())) {
                m_htmlSource = m_htmlLabel;
            }
        } catch (const std::exception&) {
            // Reported when the body is written.
        }
        m_htmlLabel = &text::Utf8Row();
    }
}

void MIMEMailWriter::writeOrdinary(std::ostream& out, pstread::message& message,
                                   std::optional<std::u16string_view> subjectPrefix) {
    const pstread::property_bag& bag = message.get_property_bag();
    m_plainCodePage = 0;
    m_htmlCodePage = 0;
    if (const auto codePage = read_integer(bag, pstread::pid_tag_internet_codepage)) {
        m_plainCodePage = *codePage;
        m_htmlCodePage = *codePage;
    }
    m_structureFlags = 0;
    m_rtfHtml.clear();
    m_rtfPictures.clear();

    std::vector<AttachmentEntry> attachments = readAttachments(message);
    const std::optional<std::string> meeting = meetingCalendar(message);
    if (meeting) {
        m_structureFlags |= kMixed;
    }
    for (const AttachmentEntry& entry : attachments) {
        if (!entry.hidden) {
            m_structureFlags |= entry.contentId.empty() ? kMixed : kRelated;
        }
    }
    bool hasHtml = bag.has_property(pstread::pid_tag_body_html);
    if (!hasHtml && bag.has_property(pstread::pid_tag_rtf_compressed)) {
        makeHtmlFromRtf(message);
        if (!m_rtfHtml.empty()) {
            hasHtml = true;
            m_htmlCodePage = kUtf8CodePage;
            if (!m_rtfPictures.empty()) {
                m_structureFlags |= kMixed;
            }
        }
    }
    const bool hasPlain = bag.has_property(pstread::pid_tag_body);
    if (hasPlain && hasHtml) {
        m_structureFlags |= kAlternative;
    } else if (hasHtml) {
        m_structureFlags |= kHtmlOnly;
    } else if (hasPlain) {
        m_structureFlags |= kPlainOnly;
    }
    m_topLevelKind = kPlainOnly;
    for (const StructureFlag kind : {kMixed, kRelated, kAlternative, kHtmlOnly}) {
        if ((m_structureFlags & kind) != 0) {
            m_topLevelKind = kind;
            break;
        }
    }
    planBodies(message);

    writeHeaderBlock(out, message, subjectPrefix);
    writeTopLevelContentHeader(out);
    if (hasPlain) {
        writePlainBody(out, message);
    }
    if (hasHtml) {
        writeHtmlBody(out, message);
    }
    if ((m_structureFlags & kAlternative) != 0 && m_topLevelKind != kAlternative) {
        closePart(out, kAlternative, false);
    }
    if (!attachments.empty()) {
        writeAttachments(out, attachments);
    }
    if (meeting) {
        writeMeetingPart(out, *meeting);
    }
    writeRtfPictures(out);
    closeTopLevel(out);
}

void MIMEMailWriter::writeTopLevelContentHeader(std::ostream& out) {
    const auto multipartHeader = [&](const char* subtype, StructureFlag kind) {
        out << "Content-Type: multipart/" << subtype << ';' << m_eol << " boundary=\""
            << boundary(kind) << '"' << m_eol;
    };
    switch (m_topLevelKind) {
        case kMixed:
            multipartHeader("mixed", kMixed);
            break;
        case kRelated:
            multipartHeader("related", kRelated);
            break;
        case kAlternative:
            multipartHeader("alternative", kAlternative);
            break;
        case kHtmlOnly:
            out << "Content-Type: text/html;charset=\"" << m_htmlLabel->charsetName << '"' << m_eol
                << kEightBitEncoding << m_eol << m_eol;
            return;
        default:
            out << "Content-Type: text/plain;charset=\"" << m_plainTarget->charsetName << '"'
                << m_eol << kEightBitEncoding << m_eol << m_eol;
            return;
    }
    out << m_eol << "This is a multi-part message in MIME 1.0 format" << m_eol << m_eol;
    if (m_topLevelKind == kMixed || m_topLevelKind == kRelated) {
        out << "--" << boundary(static_cast<StructureFlag>(m_topLevelKind)) << m_eol;
    }
    if (m_topLevelKind == kMixed && (m_structureFlags & kRelated) != 0) {
        multipartHeader("related", kRelated);
        out << m_eol << "--" << boundary(kRelated) << m_eol;
    }
    if ((m_topLevelKind == kMixed || m_topLevelKind == kRelated) &&
        (m_structureFlags & kAlternative) != 0) {
        multipartHeader("alternative", kAlternative);
        out << "Content-Disposition: inline;" << m_eol;
    }
}

void MIMEMailWriter::writePlainBody(std::ostream& out, const pstread::message& message) {
    if ((m_structureFlags & kAlternative) != 0) {
        openPart(out, kAlternative);
    }
    if (m_topLevelKind != kPlainOnly) {
        out << "Content-Type: text/plain;charset=\"" << m_plainTarget->charsetName << '"' << m_eol
            << kEightBitEncoding << m_eol << m_eol;
    }
    if (m_plainIsConverted) {
        if (m_useLF) {
            BodyFilter(out).write(m_plainConverted, true);
        } else {
            out.write(m_plainConverted.data(),
                      static_cast<std::streamsize>(m_plainConverted.size()));
        }
        out << m_eol;
        return;
    }
    try {
        pstread::hnid_istream body(message.open_body_stream());
        body.exceptions(std::ios::badbit);
        if (m_useLF) {
            BodyFilter filter(out);
            CopyBody(body, out, m_plainSource, m_plainTarget, &filter);
        } else {
            CopyBody(body, out, m_plainSource, m_plainTarget, nullptr);
        }
    } catch (const std::exception&) {
        recordLoss("plain text body is incomplete");
    }
    out << m_eol;
}

void MIMEMailWriter::writeHtmlBody(std::ostream& out, const pstread::message& message) {
    if ((m_structureFlags & kAlternative) != 0) {
        openPart(out, kAlternative);
    }
    if (m_topLevelKind != kHtmlOnly) {
        out << "Content-Type: text/html;charset=\"" << m_htmlLabel->charsetName << '"' << m_eol
            << kEightBitEncoding << m_eol << m_eol;
    }
    if (!m_rtfHtml.empty()) {
        // HTML made from RTF has its own line ends: they are normalised in
        // both modes, and quoted only in a mailbox.
        BodyFilter filter(out, m_eol, m_useLF);
        filter.write(m_rtfHtml, true);
        m_rtfHtml.clear();
    } else {
        try {
            pstread::hnid_istream html(message.open_html_body_stream());
            html.exceptions(std::ios::badbit);
            const TextEncodingItem* target = m_htmlSource != nullptr ? m_htmlLabel : nullptr;
            if (m_useLF) {
                BodyFilter filter(out);
                CopyBody(html, out, m_htmlSource, target, &filter);
            } else {
                CopyBody(html, out, m_htmlSource, target, nullptr);
            }
        } catch (const std::exception&) {
            recordLoss("HTML body is incomplete");
        }
    }
    out << m_eol;
}

void MIMEMailWriter::writeAttachments(std::ostream& out, std::vector<AttachmentEntry>& entries) {
    // Inline attachments (with content IDs) first, each placed before those
    // already placed; the others after them in table order.
    std::vector<const AttachmentEntry*> inlineOnes;
    std::vector<const AttachmentEntry*> others;
    for (const AttachmentEntry& entry : entries) {
        if (entry.hidden) {
            continue;
        }
        if (!entry.contentId.empty()) {
            inlineOnes.insert(inlineOnes.begin(), &entry);
        } else {
            others.push_back(&entry);
        }
    }
    bool previousInline = false;
    const auto writeOne = [&](const AttachmentEntry& entry, bool isInline) {
        if (previousInline && !isInline) {
            closePart(out, kRelated, false);
        }
        openPart(out, isInline ? kRelated : kMixed);
        previousInline = isInline;
        if (!entry.attachment) {
            return;
        }
        if (entry.method == pstread::attach_method_by_value) {
            try {
                WriteByValuePart(out, *entry.attachment, m_eol, m_defaultRow->charsetName);
            } catch (const pstread::work_limit_reached&) {
                throw;
            } catch (const std::exception&) {
                recordLoss(attachmentLabel(entry.name, entry.number) + " is incomplete");
            }
        } else if (entry.method == pstread::attach_method_storage) {
            try {
                WriteObjectPart(out, *entry.attachment, entry.number, m_eol);
            } catch (const pstread::work_limit_reached&) {
                throw;
            } catch (const std::exception&) {
                recordLoss(attachmentLabel(entry.name, entry.number, "object") + " is incomplete");
            }
        } else if (isReference(entry.method)) {
            try {
                WriteReferencePart(out, entry.attachment->get_property_bag(), m_eol);
            } catch (const pstread::work_limit_reached&) {
                throw;
            } catch (const std::exception&) {
                recordLoss(attachmentLabel(entry.name, entry.number, "attachment reference") +
                           " could not be read");
            }
        } else if (entry.method == pstread::attach_method_embedded_message) {
            try {
                writeEmbeddedMessagePart(
                    out, *entry.attachment,
                    attachmentLabel(entry.name, entry.number, "attached message"));
            } catch (const pstread::work_limit_reached&) {
                throw;  // the whole message is given up
            } catch (const std::exception&) {
                recordLoss(attachmentLabel(entry.name, entry.number, "attached message") +
                           " is incomplete");
            }
        }
    };
    for (const AttachmentEntry* entry : inlineOnes) {
        writeOne(*entry, true);
    }
    for (const AttachmentEntry* entry : others) {
        writeOne(*entry, false);
    }
    if (previousInline && m_topLevelKind == kMixed) {
        closePart(out, kRelated, false);
    }
}

void MIMEMailWriter::writeEmbeddedMessagePart(std::ostream& out,
                                              const pstread::attachment& attachment,
                                              const std::string& label) {
    if (!attachment.get_property_bag().has_property(pstread::pid_tag_attach_data_object)) {
        return;
    }
    out << "Content-Type: message/rfc822" << m_eol << "Content-Transfer-Encoding: 7bit" << m_eol
        << "Content-Disposition: attachment" << m_eol << m_eol;
    if (m_depth + 1 > kMaxEmbeddedMessageDepth) {
        m_losses.push_back(label + " left empty: nested deeper than " +
                           std::to_string(kMaxEmbeddedMessageDepth) + " messages");
        platform::log_format("Embedded message nested deeper than %u messages left empty.",
                             kMaxEmbeddedMessageDepth);
        return;
    }
    pstread::message embedded = attachment.open_as_message();
    // An attached message without a code page of its own was written where
    // the one holding it was.
    MIMEMailWriter writer(false, m_useLF, m_unicodeStore, m_defaultRow->codePage);
    writer.m_itemCodePages.followItems = m_itemCodePages.followItems;
    writer.m_contentTypePropId = m_contentTypePropId;
    writer.m_holder = m_identity;
    writer.m_systemTimeZone = m_systemTimeZone;
    writer.m_formatter = m_formatter;
    writer.m_depth = m_depth + 1;
    // What the attached message lost is lost from this one too; a failure
    // that stops it is recorded by the caller.
    const auto takeLosses = [&] {
        for (const std::string& loss : writer.losses()) {
            m_losses.push_back("in " + label + ": " + loss);
        }
    };
    try {
        writer.writeMessage(out, &embedded);
    } catch (...) {
        takeLosses();
        throw;
    }
    takeLosses();
}

std::optional<std::string> MIMEMailWriter::meetingCalendar(pstread::message& message) {
    if (!m_meetingCalendar) {
        return std::nullopt;
    }
    const pstread::property_bag& bag = message.get_property_bag();
    const std::string messageClass = is_text_property(bag, pstread::pid_tag_message_class)
                                         ? bag.read_utf8string(pstread::pid_tag_message_class)
                                         : std::string();
    const std::optional<std::string_view> method = MeetingMethod(messageClass);
    if (!method) {
        return std::nullopt;
    }
    try {
        std::string calendar = m_meetingCalendar(message, *method);
        m_meetingMethod = *method;
        message.get_property_bag().set_charset(m_defaultRow);
        return calendar;
    } catch (const pstread::work_limit_reached&) {
        throw;
    } catch (const std::exception&) {
        // The meeting is still written as mail, without its calendar.
        platform::log_line("Corrupt meeting in a meeting message");
        message.get_property_bag().set_charset(m_defaultRow);
        return std::nullopt;
    }
}

void MIMEMailWriter::writeMeetingPart(std::ostream& out, const std::string& calendar) {
    openPart(out, kMixed);
    out << "Content-Type: text/calendar; method=" << m_meetingMethod << "; charset=\"UTF-8\""
        << m_eol << kEightBitEncoding << m_eol << m_eol;
    // iCalendar lines end with CR LF; the filter gives them the file's line
    // ends and quotes them in a mailbox like any body.
    BodyFilter filter(out, m_eol, m_useLF);
    filter.write(calendar, true);
    out << m_eol;
}

void MIMEMailWriter::writeRtfPictures(std::ostream& out) {
    for (const text::RtfPicture& picture : m_rtfPictures) {
        openPart(out, kMixed);
        WritePicturePart(out, picture, m_eol);
    }
    m_rtfPictures.clear();
}

void MIMEMailWriter::closeTopLevel(std::ostream& out) {
    switch (m_topLevelKind) {
        case kMixed:
        case kRelated:
        case kAlternative:
            closePart(out, static_cast<StructureFlag>(m_topLevelKind), true);
            break;
        default:
            out << m_eol;
            break;
    }
}

}  // namespace mailwright::formats
