// The signed and opaque paths of the MIME writer: messages whose single
// attachment holds the signed entity or the encrypted data.
#include <string>
#include <string_view>

#include "formats/body_copy.h"
#include "formats/body_filter.h"
#include "formats/mime_mail_writer.h"
#include "formats/mime_parameter.h"
#include "formats/property_reading.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/pst/property_ids.h"
#include "text/base64.h"

namespace mailwright::formats {

namespace {

// How much of a signed message's header section one line may hold; the
// rest of a longer line is not kept.
constexpr std::size_t kMaxSignedHeaderLine = 64 * 1024;

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

void MIMEMailWriter::writeSigned(std::ostream& out, pstread::message& message,
                                 std::optional<std::u16string_view> subjectPrefix) {
    writeHeaderBlock(out, message, subjectPrefix);
    if (message.get_attachment_count() != 1) {
        return;
    }
    const pstread::attachment attachment = *message.attachment_begin();
    if (!attachment.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
        return;
    }
    pstread::hnid_istream data(attachment.open_byte_stream());
    data.exceptions(std::ios::badbit);

    // The signed entity's own header section, up to its first empty line:
    // its Content-* headers (with their continuation lines) are the
    // message's.
    std::string headers;
    std::string line;
    bool keeping = false;
    const auto takeLine = [&]() {
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            if (keeping) {
                headers += line;
                headers += m_eol;
            }
            return;
        }
        keeping = startsWithIgnoringCase(line, "Content-");
        if (keeping) {
            headers += line;
            headers += m_eol;
        }
    };
    for (;;) {
        const int byte = data.get();
        if (byte == std::char_traits<char>::eof()) {
            if (!line.empty()) {
                takeLine();
            }
            break;
        }
        if (byte == '\r') {
            continue;
        }
        if (byte == '\n') {
            if (line.empty()) {
                break;
            }
            takeLine();
            line.clear();
            continue;
        }
        if (line.size() < kMaxSignedHeaderLine) {
            line += static_cast<char>(byte);
        }
    }
    data.clear(data.rdstate() & ~std::ios::failbit & ~std::ios::eofbit);
    out << headers << m_eol;
    if (m_useLF) {
        BodyFilter filter(out);
        CopyBody(data, out, nullptr, nullptr, &filter);
    } else {
        CopyBody(data, out, nullptr, nullptr, nullptr);
    }
    // The message ends with a line end like every other, so that the
    // separator line of the next message in a mailbox starts a line.
    out << m_eol;
}

void MIMEMailWriter::writeOpaque(std::ostream& out, pstread::message& message,
                                 std::optional<std::u16string_view> subjectPrefix) {
    writeHeaderBlock(out, message, subjectPrefix);
    const pstread::property_bag& bag = message.get_property_bag();
    const pstread::attachment attachment = *message.attachment_begin();
    const pstread::property_bag& attachmentBag = attachment.get_property_bag();
    if (m_contentTypePropId != 0 && is_text_property(bag, m_contentTypePropId)) {
        out << "Content-Type:" << header_text(bag, m_contentTypePropId, false, m_eol) << m_eol;
    } else {
        std::string type =
            header_text(attachmentBag, pstread::pid_tag_attach_mime_tag, false, m_eol);
        std::string name = FormatParameter(
            "name", "=", read_text_or_empty(attachmentBag, pstread::pid_tag_attach_filename));
        out << "Content-Type:" << (type.empty() ? "application/pkcs7-mime" : type) << "; "
            << (name.empty() ? "name=smime.p7m" : name) << m_eol;
    }
    out << "Content-Transfer-Encoding: base64" << m_eol
        << "Content-Disposition: attachment;filename=smime.p7m" << m_eol << m_eol;
    if (attachmentBag.has_property(pstread::pid_tag_attach_data_binary)) {
        pstread::hnid_istream data(attachment.open_byte_stream());
        data.exceptions(std::ios::badbit);
        text::WriteBase64Lines(data, out, m_eol);
        out << m_eol << m_eol;
    }
}

}  // namespace mailwright::formats
