#include "formats/calendar_people.h"

#include "formats/property_reading.h"
#include "pstread/pst/property_ids.h"
#include "text/mail_address.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

constexpr std::uint16_t kPidTagSenderSmtpAddress = 0x5D01;
constexpr std::uint16_t kPidTagSmtpAddress = 0x39FE;
// An address some writers keep beside the Exchange address.
constexpr std::uint16_t kPidTagAlternateAddress = 0x403E;
constexpr std::uint16_t kPidTagRecipientDisplayName = 0x5FF6;
constexpr std::uint16_t kPidTagRecipientFlags = 0x5FFD;
constexpr std::uint16_t kPidTagRecipientTrackStatus = 0x5FFF;
constexpr std::uint16_t kPidTagRecipientType = 0x0C15;
constexpr std::uint16_t kPidTagObjectType = 0x0FFE;
constexpr std::uint16_t kPidTagDisplayName = 0x3001;
constexpr std::uint16_t kPidTagAddressType = 0x3002;
constexpr std::uint16_t kPidTagEmailAddress = 0x3003;

constexpr std::uint32_t kRecipientOrganizer = 0x2;
constexpr std::uint32_t kObjectTypeDistList = 8;
constexpr std::size_t kMaxNameBytes = 256;

const char* role_of(std::optional<std::uint32_t> type) {
    switch (type.value_or(0)) {
        case 1:
        case 3:
            return ";ROLE=REQ-PARTICIPANT";
        case 2:
            return ";ROLE=OPT-PARTICIPANT";
        default:
            return "";
    }
}

const char* partstat_of(std::optional<std::uint32_t> status) {
    switch (status.value_or(0)) {
        case 2:
            return ";PARTSTAT=TENTATIVE";
        case 3:
            return ";PARTSTAT=ACCEPTED";
        case 4:
            return ";PARTSTAT=DECLINED";
        default:
            return "";
    }
}

// A cal-address URI keeps its characters as they are; only line breaks
// and other control characters, which would end the line, are dropped.
std::string uri_text(std::u16string_view address) {
    std::string text = text::utf16_to_utf8(address);
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return text;
}

std::optional<std::u16string> if_email(std::optional<std::u16string> text) {
    return text && text::LooksLikeEmail(*text) ? text : std::nullopt;
}

void write_attendee(const pstread::const_property_object& row, bool rsvp, std::string& out) {
    const auto type = read_integer(row, kPidTagRecipientType);
    const bool group = read_integer(row, kPidTagObjectType) == kObjectTypeDistList;
    const bool resource = !group && type == 3u;
    out += "\r\nATTENDEE";
    out += role_of(type);
    const std::string name = QuotedParameterValue(read_text_or_empty(row, kPidTagDisplayName));
    if (!name.empty()) {
        out += ";CN=\"" + name + "\"";
    }
    out += rsvp ? ";RSVP=TRUE" : ";RSVP=FALSE";
    out += partstat_of(read_integer(row, kPidTagRecipientTrackStatus));
    out += group ? ";CUTYPE=GROUP" : resource ? ";CUTYPE=RESOURCE" : "";
    const std::u16string address = CalendarUserAddress(
        read_text_or_empty(row, kPidTagAddressType), read_text_or_empty(row, kPidTagEmailAddress),
        read_text(row, kPidTagSmtpAddress), read_text(row, kPidTagAlternateAddress),
        read_text(row, kPidTagRecipientDisplayName));
    out += ":MAILTO:" + uri_text(address);
}

}  // namespace

std::u16string CalendarUserAddress(std::u16string_view addressType, std::u16string_view address,
                                   const std::optional<std::u16string>& smtpAddress,
                                   const std::optional<std::u16string>& fallback1,
                                   const std::optional<std::u16string>& fallback2) {
    std::u16string chosen;
    if (addressType == u"EX") {
        if (smtpAddress && !smtpAddress->empty()) {
            chosen = *smtpAddress;
        } else if (fallback1 && text::LooksLikeEmail(*fallback1)) {
            chosen = *fallback1;
        } else if (fallback2 && text::LooksLikeEmail(*fallback2)) {
            chosen = *fallback2;
        }
    }
    return chosen.empty() ? std::u16string(address) : chosen;
}

std::string QuotedParameterValue(std::u16string_view name) {
    std::string text = text::utf16_to_utf8(name);
    std::erase_if(text, [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20; });
    if (text.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        text.resize(cut);
    }
    return text;
}

void WriteOrganizer(const pstread::const_property_object& item, const CalendarPropIds& ids,
                    std::string& out) {
    auto smtp = read_text(item, kPidTagSenderSmtpAddress);
    if (!smtp || smtp->empty()) {
        smtp = read_text(item, kPidTagSmtpAddress);
    }
    const std::u16string address =
        CalendarUserAddress(read_text_or_empty(item, ids[kCalSenderAddressType]),
                            read_text_or_empty(item, ids[kCalSenderEmailAddress]), smtp,
                            if_email(read_text(item, kPidTagAlternateAddress)),
                            if_email(read_text(item, kPidTagRecipientDisplayName)));
    const std::string uri = uri_text(address);
    if (uri.empty()) {
        return;
    }
    out += "\r\nORGANIZER";
    const std::string name = QuotedParameterValue(read_text_or_empty(item, ids[kCalSenderName]));
    if (!name.empty()) {
        out += ";CN=\"" + name + "\"";
    }
    out += ":MAILTO:" + uri;
}

void WriteAttendees(const pstread::message& item, bool rsvp, std::string& out) {
    for (const pstread::recipient& recipient : item.recipients()) {
        const auto& row = recipient.get_property_row();
        if (read_integer(row, kPidTagRecipientFlags).value_or(0) & kRecipientOrganizer) {
            continue;
        }
        write_attendee(row, rsvp, out);
    }
}

}  // namespace mailwright::formats
