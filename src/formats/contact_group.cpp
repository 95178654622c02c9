// The card of a contact group (an IPM.DistList item): a vCard 3.0 group as
// address books that follow the "X-ADDRESSBOOKSERVER" convention read it,
// with one member line per member. A member that is a contact or group of
// this PST is named by the UID its own card carries; any other member, and
// one whose item cannot be found, by its e-mail address.
#include <exception>

#include "formats/group_members.h"
#include "formats/mime_contact_writer.h"
#include "formats/property_reading.h"
#include "formats/vcard_value.h"
#include "platform/system_log.h"

namespace mailwright::formats {
namespace {

using pstread::prop_id;

constexpr prop_id kPidTagMessageClass = 0x001A;
constexpr std::uint32_t kNidTypeMask = 0x1F;
constexpr std::uint32_t kNidTypeNormalMessage = 0x04;

std::vector<std::vector<std::uint8_t>> binaries(const pstread::property_bag& bag, prop_id id) {
    if (id == 0 || !bag.has_property(id) || bag.property_type(id) != pstread::prop_type_mv_binary) {
        return {};
    }
    return bag.read_multi_bytes(id);
}

// The address as a mailto URI: bytes outside the URI's unreserved and
// address characters are percent-encoded.
std::string mailto_uri(std::string_view address) {
    static constexpr std::string_view kKept = "@.-_+~!$&'*=?^`{|}/";
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string uri = "mailto:";
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        const bool alphanumeric = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                                  (byte >= 'a' && byte <= 'z');
        if (alphanumeric || kKept.find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kDigits[byte >> 4];
            uri += kDigits[byte & 0x0F];
        }
    }
    return uri;
}

bool is_card_class(std::u16string_view messageClass) {
    return messageClass.starts_with(u"IPM.Contact") || messageClass.starts_with(u"IPM.DistList");
}

}  // namespace

void MIMEContactWriter::writeGroup(std::ostream& out, pstread::message& group) {
    out << "begin:vcard\r\nversion:3.0";
    out << "\r\nUID:" << uidOf(group.get_id());
    std::u16string name = group.has_subject() ? group.get_subject() : std::u16string();
    if (name.empty()) {
        name = ContactTextOrEmpty(group.get_property_bag(), 0x3001);
    }
    const std::string nameHead = VCardLineHead("n") + ":";
    out << nameHead << VCardValue(nameHead).text(name).str() << ";;;;";
    const std::string fnHead = VCardLineHead("fn") + ":";
    out << fnHead << VCardValue(fnHead).text(name).str();
    out << "\r\nX-ADDRESSBOOKSERVER-KIND:group";
    writeGroupMembers(out, group.get_property_bag());
    writeCategories(out, group.get_property_bag());
    writeNote(out, group, {});
    out << "\r\nend:vcard";
}

void MIMEContactWriter::writeGroupMembers(std::ostream& out, const pstread::property_bag& bag) {
    const std::vector<GroupMember> members =
        ReadGroupMembers(binaries(bag, m_groupPropIds.members),
                         binaries(bag, m_groupPropIds.oneOffMembers), m_recordKey, *m_defaultRow);
    for (const GroupMember& member : members) {
        if (member.nid && isContactItem(*member.nid)) {
            out << "\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" << uidOf(*member.nid);
        } else if (!member.address.empty()) {
            out << "\r\nX-ADDRESSBOOKSERVER-MEMBER:" << mailto_uri(member.address);
        } else {
            platform::log_line("Group member without an address left out: " + member.name);
        }
    }
}

bool MIMEContactWriter::isContactItem(std::uint32_t nid) {
    if ((nid & kNidTypeMask) != kNidTypeNormalMessage) {
        return false;
    }
    try {
        pstread::message item = m_store.open_message(nid);
        item.get_property_bag().set_charset(m_itemCodePages.sessionRow);
        return is_card_class(ContactTextOrEmpty(item.get_property_bag(), kPidTagMessageClass));
    } catch (const std::exception&) {
        return false;  // not in this file (any more): listed by its address
    }
}

}  // namespace mailwright::formats
