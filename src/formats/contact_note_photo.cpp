// The note and the photo of a vCard entry.
//
// The note holds the collected details and then the contact's body, as one
// escaped and folded text value. The photo is the first attachment marked
// as the contact photo, written as base64 lines and typed by its own
// signature.
#include <array>
#include <sstream>

#include "formats/image_type.h"
#include "formats/mime_contact_writer.h"
#include "formats/property_reading.h"
#include "formats/vcard_value.h"
#include "platform/system_log.h"
#include "text/base64.h"

namespace mailwright::formats {
namespace {

using pstread::prop_id;

constexpr prop_id kPidTagBody = 0x1000;
constexpr prop_id kPidTagInternetCodepage = 0x3FDE;
constexpr prop_id kPidTagAttachMethod = 0x3705;
constexpr prop_id kPidTagAttachDataBinary = 0x3701;
constexpr prop_id kPidTagAttachmentContactPhoto = 0x7FFF;

constexpr std::uint32_t kAttachByValue = 1;
constexpr std::uint32_t kAttachByReference = 4;
constexpr std::uint32_t kAttachEmbeddedMessage = 5;
constexpr std::uint32_t kAttachOle = 6;
constexpr std::uint32_t kUtf16LeCodePage = 1200;

}  // namespace

void MIMEContactWriter::writeNote(std::ostream& out, pstread::message& contact,
                                  const std::string& additionalNotes) {
    const pstread::property_bag& bag = contact.get_property_bag();
    // The body's code page follows how it is stored: UTF-16 for a Unicode
    // string, else the message's own code page or the PST's.
    const bool hasBody = contact.has_body();
    std::uint32_t codePage = kUtf16LeCodePage;
    if (hasBody && bag.property_type(kPidTagBody) == pstread::prop_type_string8) {
        codePage = read_integer(bag, kPidTagInternetCodepage).value_or(0);
        if (codePage == 0) {
            codePage = m_defaultRow->codePage;
        }
    }
    const text::TextEncodingItem* source = hasBody ? text::GetCodePageInfo(codePage) : nullptr;
    if (hasBody && (source == nullptr || !source->available)) {
        platform::log_line("Contact Note  can not be written because of invalid Code-Page : " +
                           std::to_string(codePage));
        source = nullptr;
    }
    if (!additionalNotes.empty() && additionalNotes.back() == '\r') {
        platform::log_line("Unexpected character at additional note end.");
    }

    const std::string lineHead = VCardLineHead("note") + ":";
    VCardValue notes(lineHead);
    notes.utf8(additionalNotes);
    if (!additionalNotes.empty() && source != nullptr) {
        notes.utf8("\r\n");
    }
    std::ostringstream body;
    if (source != nullptr) {
        pstread::hnid_istream stream(contact.open_body_stream());
        stream.exceptions(std::ios::badbit);
        // The body continues the line where the collected details end.
        text::EscapeTextValue(stream, *source, body, notes.column());
    }
    const std::string bodyText = std::move(body).str();
    if (additionalNotes.empty() && bodyText.empty()) {
        return;
    }
    out << lineHead << notes.str() << bodyText;
}

void MIMEContactWriter::writeContactPhoto(std::ostream& out, pstread::message& contact) {
    for (pstread::attachment attachment : contact.attachments()) {
        pstread::property_bag& bag = attachment.get_property_bag();
        bag.set_charset(m_defaultRow);
        if (read_integer(bag, kPidTagAttachmentContactPhoto).value_or(0) == 0) {
            continue;
        }
        switch (read_integer(bag, kPidTagAttachMethod).value_or(kAttachByValue)) {
            case kAttachByValue:
                writeAttachmentData(out, attachment);
                break;
            case kAttachByReference:
                platform::log_line("UNHANDLED ATTACH BY REF");
                break;
            case kAttachEmbeddedMessage:
                platform::log_line("UNHANDLED EMBEDED MSG");
                break;
            case kAttachOle:
                platform::log_line("UNHANDLED OLE ATTACH");
                break;
            default:
                break;
        }
        return;  // only the first photo is written
    }
}

void MIMEContactWriter::writeAttachmentData(std::ostream& out,
                                            const pstread::attachment& attachment) {
    const pstread::property_bag& bag = attachment.get_property_bag();
    if (!bag.has_property(kPidTagAttachDataBinary) ||
        bag.property_type(kPidTagAttachDataBinary) != pstread::prop_type_binary ||
        bag.value_size(kPidTagAttachDataBinary) == 0) {
        return;  // no picture: no photo line
    }
    pstread::hnid_istream data(attachment.open_byte_stream());
    data.exceptions(std::ios::badbit);
    std::array<char, kImageSignatureBytes> start{};
    data.read(start.data(), start.size());
    const auto signature = std::span(reinterpret_cast<const std::uint8_t*>(start.data()),
                                     static_cast<std::size_t>(data.gcount()));
    data.clear();
    data.seekg(0);
    out << "\r\nphoto;ENCODING=b;type=" << ImageTypeFromSignature(signature) << ":\r\n ";
    text::WriteBase64Lines(data, out, "\r\n ");
}

}  // namespace mailwright::formats
