#include "formats/mime_mail_writer.h"

#include <ctime>
#include <string>

#include "formats/property_reading.h"
#include "formats/secure_kind.h"
#include "formats/stored_headers.h"
#include "formats/synthesized_headers.h"
#include "model/pst_session.h"
#include "pstread/ltp/property_sets.h"
#include "pstread/pst/property_ids.h"

namespace mailwright::formats {
namespace {

// PidTagCreationTime ([MS-OXPROPS]).
constexpr pstread::prop_id kCreationTimeProperty = 0x3007;

}  // namespace

MIMEMailWriter::MIMEMailWriter(bool writeFromLine, bool useLF, bool unicodeStore,
                               std::uint32_t defaultCodePage)
    : m_systemTimeZone(text::DateTimeZone::system()),
      m_useLF(useLF),
      m_writeFromLine(writeFromLine),
      m_eol(useLF ? "\n" : "\r\n"),
      m_unicodeStore(unicodeStore),
      m_itemCodePages{model::decodingCharsetFor(static_cast<std::int32_t>(defaultCodePage))},
      m_defaultRow(m_itemCodePages.sessionRow) {}

void MIMEMailWriter::takeIdentity(const pstread::message& message) {
    m_identity = m_holder ? m_holder->within(message.get_id())
                          : ItemIdentity::ofItem(m_storeKey, message.get_id());
}

text::SharedDateFormatter& MIMEMailWriter::formatter() {
    return m_formatter != nullptr ? *m_formatter : text::thread_date_formatter();
}

int MIMEMailWriter::writeMessage(std::ostream& out, pstread::message* message) {
    return writeMessage(out, message, std::nullopt);
}

int MIMEMailWriter::writeMessage(std::ostream& out, pstread::message* message,
                                 std::optional<std::u16string_view> subjectPrefix) {
    if (message == nullptr) {
        return -1;
    }
    takeIdentity(*message);
    m_losses.clear();
    m_defaultRow = m_itemCodePages.rowFor(message->get_property_bag());
    message->get_property_bag().set_charset(m_defaultRow);
    if (m_useLF && m_writeFromLine) {
        writeSeparatorLine(out, *message);
    }
    switch (SecureKind(*message)) {
        case kSecureKindSigned:
            writeSigned(out, *message, subjectPrefix);
            break;
        case kSecureKindOpaque:
            writeOpaque(out, *message, subjectPrefix);
            break;
        default:
            writeOrdinary(out, *message, subjectPrefix);
            break;
    }
    return 0;
}

// "From - " and the message's own date in the MBOX separator format: its
// delivery time, else its submit time, else when it was made (drafts and
// notes have only that; the modification time moves whenever the item is
// touched); the current time only for a message that has none of them.
void MIMEMailWriter::writeSeparatorLine(std::ostream& out, const pstread::message& message) {
    const pstread::property_bag& bag = message.get_property_bag();
    std::string date;
    for (const pstread::prop_id id : {pstread::pid_tag_message_delivery_time,
                                      pstread::pid_tag_client_submit_time, kCreationTimeProperty}) {
        const std::optional<text::Instant> instant = read_instant(bag, id);
        if (instant && bag.value_8(id) != 0) {
            date = formatter().mbox_date(*instant, &m_systemTimeZone);
        }
        if (!date.empty()) {
            break;
        }
    }
    if (date.empty()) {
        date = formatter().mbox_date(std::time(nullptr), &m_systemTimeZone);
    }
    out << "From - " << date << m_eol;
}

void MIMEMailWriter::writeHeaderBlock(std::ostream& out, const pstread::message& message,
                                      std::optional<std::u16string_view> subjectPrefix) {
    const pstread::property_bag& bag = message.get_property_bag();
    if (!subjectPrefix && is_text_property(bag, pstread::pid_tag_transport_message_headers)) {
        const std::optional<std::string> stored = FilterStoredHeaders(
            bag.read_utf8string(pstread::pid_tag_transport_message_headers), m_eol);
        if (stored) {
            std::string status;
            WriteStatusHeader(bag, m_eol, status);
            out << *stored << status;
            return;
        }
    }
    SynthesizedHeaderContext context;
    context.eol = m_eol;
    context.zone = &m_systemTimeZone;
    context.formatter = &formatter();
    context.identity = m_identity;
    context.subjectPrefix = subjectPrefix;
    std::string block;
    WriteSynthesizedHeaders(message, context, block);
    out << block;
}

std::string MIMEMailWriter::boundary(StructureFlag kind) const {
    std::string_view prefix = kMixedBoundaryPrefix;
    if (kind == kRelated) {
        prefix = kRelatedBoundaryPrefix;
    } else if (kind == kAlternative) {
        prefix = kAlternativeBoundaryPrefix;
    }
    return std::string(prefix) + m_identity.hex(kBoundaryIdentityDigits);
}

void MIMEMailWriter::openPart(std::ostream& out, StructureFlag kind) {
    out << m_eol << "--" << boundary(kind) << m_eol;
}

void MIMEMailWriter::closePart(std::ostream& out, StructureFlag kind, bool topLevel) {
    out << m_eol << "--" << boundary(kind) << "--" << m_eol << m_eol;
    if (topLevel) {
        out << m_eol;
    }
}

std::uint16_t ResolveContentTypePropId(pstread::pst& store) {
    try {
        return store.lookup_prop_id(pstread::ps_internet_headers, U"content-type");
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace mailwright::formats
