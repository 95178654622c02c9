#include "formats/synthesized_headers.h"

#include <array>
#include <vector>

#include "formats/property_reading.h"
#include "formats/stored_headers.h"
#include "pstread/pst/property_ids.h"
#include "text/header_encoding.h"
#include "text/mail_address.h"

namespace mailwright::formats {
namespace {

using pstread::prop_id;

// Properties read here that the messaging layer names no constant for
// ([MS-OXPROPS]).
constexpr prop_id kReturnPathProperty = 0x1046;
constexpr prop_id kRecipientFallbackAddress = 0x403E;
constexpr prop_id kReplyToAddresses = 0x3FFC;
constexpr prop_id kSenderSmtpAddress = 0x5D01;            // PidTagSenderSmtpAddress
constexpr prop_id kSentRepresentingSmtpAddress = 0x5D02;  // PidTagSentRepresentingSmtpAddress
constexpr prop_id kCreationTimeProperty = 0x3007;         // PidTagCreationTime

constexpr std::uint32_t kPriorityUrgent = 1;
constexpr std::uint32_t kPriorityNotUrgent = 0xFFFFFFFF;
constexpr std::uint32_t kImportanceLow = 0;
constexpr std::uint32_t kImportanceHigh = 2;

class HeaderWriter {
public:
    HeaderWriter(const SynthesizedHeaderContext& context, std::string& out)
        : m_context(context), m_out(out) {}

    void line(std::string_view name, std::string_view value) {
        m_out += name;
        m_out += value;
        m_out += m_context.eol;
    }
    // A header whose value is header text; left out when the text is empty.
    void text(std::string_view name, const std::optional<std::u16string>& value) {
        if (!value || value->empty()) {
            return;
        }
        std::string encoded;
        text::EncodeHeaderText(*value, false, encoded, m_context.eol);
        if (!encoded.empty()) {
            line(name, encoded);
        }
    }
    // An address list: entries separated by a comma and a folded line;
    // empty entries (a recipient with neither name nor address) are left
    // out.
    void addresses(std::string_view name, const std::vector<std::string>& entries) {
        bool first = true;
        for (const std::string& entry : entries) {
            if (entry.empty()) {
                continue;
            }
            if (first) {
                m_out += name;
            } else {
                m_out += ',';
                m_out += m_context.eol;
                m_out += ' ';
            }
            m_out += entry;
            first = false;
        }
        if (!first) {
            m_out += m_context.eol;
        }
    }
    std::string address(std::u16string_view displayName, std::u16string_view primary,
                        std::u16string_view addressType, std::u16string_view secondary,
                        std::u16string_view fallback) const {
        std::string formatted;
        text::FormatMailAddress(displayName, primary, addressType, secondary, fallback, formatted,
                                m_context.eol);
        return formatted;
    }

private:
    const SynthesizedHeaderContext& m_context;
    std::string& m_out;
};

std::u16string trimmed(std::u16string_view text) {
    const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return std::u16string(text);
}

std::vector<std::u16string> split(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(trimmed(text.substr(start, end - start)));
        if (end == std::u16string_view::npos) {
            return pieces;
        }
        start = end + 1;
    }
}

void writeOriginator(const pstread::property_bag& bag, HeaderWriter& headers) {
    const std::u16string representing =
        read_text_or_empty(bag, pstread::pid_tag_sent_representing_name);
    if (!representing.empty()) {
        headers.line("From: ",
                     headers.address(
                         representing,
                         read_text_or_empty(bag, pstread::pid_tag_sent_representing_email_address),
                         read_text_or_empty(bag, pstread::pid_tag_sent_representing_address_type),
                         read_text_or_empty(bag, kSentRepresentingSmtpAddress), u""));
    }
    const std::u16string sender = read_text_or_empty(bag, pstread::pid_tag_sender_name);
    if (!sender.empty() && (representing.empty() || representing != sender)) {
        headers.line(
            "Sender: ",
            headers.address(sender, read_text_or_empty(bag, pstread::pid_tag_sender_email_address),
                            read_text_or_empty(bag, pstread::pid_tag_sender_address_type),
                            read_text_or_empty(bag, kSenderSmtpAddress), u""));
    }
}

void writeRecipients(const pstread::message& message, HeaderWriter& headers) {
    std::array<std::vector<std::string>, 3> lists;  // To, Cc, Bcc
    for (const pstread::recipient& recipient : message.recipients()) {
        const pstread::const_table_row& row = recipient.get_property_row();
        const auto type = read_integer(row, pstread::pid_tag_recipient_type);
        if (!type || *type < pstread::recipient_type_to || *type > pstread::recipient_type_bcc) {
            continue;
        }
        lists[*type - 1].push_back(
            headers.address(read_text_or_empty(row, pstread::pid_tag_display_name),
                            read_text_or_empty(row, pstread::pid_tag_email_address),
                            read_text_or_empty(row, pstread::pid_tag_address_type),
                            read_text_or_empty(row, pstread::pid_tag_smtp_address),
                            read_text_or_empty(row, kRecipientFallbackAddress)));
    }
    headers.addresses("To: ", lists[0]);
    headers.addresses("Cc: ", lists[1]);
    headers.addresses("Bcc: ", lists[2]);
}

void writeReplyTo(const pstread::property_bag& bag, HeaderWriter& headers) {
    const auto names = read_text(bag, pstread::pid_tag_reply_recipient_names);
    if (!names || names->empty()) {
        return;
    }
    const std::vector<std::u16string> nameList = split(*names, u';');
    const std::vector<std::u16string> addressList =
        split(read_text_or_empty(bag, kReplyToAddresses), u',');
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < nameList.size(); ++i) {
        const std::u16string address = i < addressList.size() ? addressList[i] : u"";
        if (nameList[i].empty() && address.empty()) {
            continue;
        }
        entries.push_back(headers.address(nameList[i], address, u"SMTP", u"", u""));
    }
    headers.addresses("Reply-To: ", entries);
}

bool isPlainAscii(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte > 0x7E) {
            return false;
        }
    }
    return true;
}

// A time property as a header date; nothing when absent or zero.
std::string headerDate(const pstread::property_bag& bag, prop_id id,
                       const SynthesizedHeaderContext& context) {
    const auto instant = read_instant(bag, id);
    if (!instant || bag.value_8(id) == 0) {
        return {};
    }
    return context.formatter->mail_header_date(*instant, context.zone);
}

// When the message was sent: PidTagClientSubmitTime, else
// PidTagMessageDeliveryTime, else the Date line of stored headers that were
// not usable as a block, else PidTagCreationTime. The modification time is
// never taken: it changes whenever the item is touched (flagged, moved,
// read), so it says nothing about when the mail was written.
std::string messageDate(const pstread::property_bag& bag, const SynthesizedHeaderContext& context) {
    for (const prop_id id :
         {pstread::pid_tag_client_submit_time, pstread::pid_tag_message_delivery_time}) {
        if (std::string date = headerDate(bag, id, context); !date.empty()) {
            return date;
        }
    }
    if (is_text_property(bag, pstread::pid_tag_transport_message_headers)) {
        const std::optional<std::string> stored = StoredHeaderValue(
            bag.read_utf8string(pstread::pid_tag_transport_message_headers), "Date");
        if (stored && isPlainAscii(*stored)) {
            return *stored;
        }
    }
    return headerDate(bag, kCreationTimeProperty, context);
}

void writeDates(const pstread::property_bag& bag, const SynthesizedHeaderContext& context,
                HeaderWriter& headers) {
    const std::string date = messageDate(bag, context);
    if (date.empty()) {
        return;
    }
    headers.line("Date: ", date);
    headers.line("Delivery-Date: ", date);
    headers.line(kSynthesizedReceived, date);
}

void writeSubject(const pstread::property_bag& bag, const SynthesizedHeaderContext& context,
                  HeaderWriter& headers) {
    const auto stored = read_text(bag, pstread::pid_tag_subject);
    if (!context.subjectPrefix && !stored) {
        return;
    }
    std::u16string subject(context.subjectPrefix.value_or(u""));
    if (stored) {
        subject += pstread::remove_subject_prefix_marker(*stored);
    }
    headers.text("Subject: ", subject);
}

void writeMessageId(const pstread::property_bag& bag, const SynthesizedHeaderContext& context,
                    HeaderWriter& headers, std::string& out) {
    const auto stored = read_text(bag, pstread::pid_tag_internet_message_id);
    if (stored && !stored->empty()) {
        headers.text("Message-ID: ", stored);
        return;
    }
    out += "Message-ID: <";
    out += context.identity.uuid();
    out += "@localhost>";
    out += context.eol;
}

void writePriorityAndImportance(const pstread::property_bag& bag, HeaderWriter& headers) {
    if (const auto priority = read_integer(bag, pstread::pid_tag_priority)) {
        if (*priority == kPriorityUrgent) {
            headers.line("Priority: ", "urgent");
            headers.line("X-Priority: ", "1 (High)");
        } else if (*priority == kPriorityNotUrgent) {
            headers.line("Priority: ", "nourgent");
            headers.line("X-Priority: ", "5 (Low)");
        } else {
            headers.line("Priority: ", "normal");
            headers.line("X-Priority: ", "3 (Normal)");
        }
    }
    if (const auto importance = read_integer(bag, pstread::pid_tag_importance)) {
        headers.line("Importance: ", *importance == kImportanceHigh  ? "High"
                                     : *importance == kImportanceLow ? "Low"
                                                                     : "Normal");
    }
}

}  // namespace

void WriteStatusHeader(const pstread::property_bag& bag, std::string_view eol, std::string& out) {
    if (const auto flags = read_integer(bag, pstread::pid_tag_message_flags)) {
        out += (*flags & pstread::message_flag_read) != 0 ? "Status: R" : "Status: N";
        out += eol;
    }
}

void WriteSynthesizedHeaders(const pstread::message& message,
                             const SynthesizedHeaderContext& context, std::string& out) {
    const pstread::property_bag& bag = message.get_property_bag();
    HeaderWriter headers(context, out);

    const auto returnPath = read_text(bag, kReturnPathProperty);
    if (returnPath && !returnPath->empty()) {
        std::string encoded;
        text::EncodeHeaderText(*returnPath, false, encoded, context.eol);
        headers.line("Return-Path: <", encoded + ">");
    }
    WriteStatusHeader(bag, context.eol, out);
    writeOriginator(bag, headers);
    writeRecipients(message, headers);
    writeReplyTo(bag, headers);
    writeDates(bag, context, headers);
    writeSubject(bag, context, headers);
    writeMessageId(bag, context, headers, out);
    writePriorityAndImportance(bag, headers);
    headers.text("In-Reply-To: ", read_text(bag, pstread::pid_tag_in_reply_to_id));
    headers.text("References: ", read_text(bag, pstread::pid_tag_internet_references));
    out += kConvertedMimeVersion;
    out += context.eol;
}

}  // namespace mailwright::formats
