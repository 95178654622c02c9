#include "formats/mime_contact_writer.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "formats/item_identity.h"
#include "formats/property_reading.h"
#include "formats/vcard_value.h"
#include "model/pst_session.h"
#include "text/mail_address.h"

namespace mailwright::formats {
namespace {

using pstread::prop_id;
using pstread::property_bag;

constexpr prop_id kPidTagMessageClass = 0x001A;
constexpr prop_id kPidTagDisplayName = 0x3001;
constexpr prop_id kPidTagBirthday = 0x3A42;

// A structured value: the fields joined with ";"; empty when every field is.
std::string structured_value(const property_bag& bag, const std::string& lineHead,
                             std::span<const prop_id> fields) {
    VCardValue value(lineHead);
    bool any = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            value.raw(";");
        }
        const std::u16string field = ContactTextOrEmpty(bag, fields[i]);
        any = any || !field.empty();
        value.text(field);
    }
    return any ? value.str() : std::string();
}

bool is_group_class(std::u16string_view messageClass) {
    constexpr std::u16string_view kGroup = u"ipm.distlist";
    if (messageClass.size() < kGroup.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kGroup.size(); ++i) {
        const char16_t c = messageClass[i];
        const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        if (lower != kGroup[i]) {
            return false;
        }
    }
    return messageClass.size() == kGroup.size() || messageClass[kGroup.size()] == u'.';
}

struct TelephoneLine {
    std::string_view type;
    prop_id id;
};

constexpr TelephoneLine kTelephones[] = {
    {"pref", 0x3A1A},      {"home", 0x3A09},  {"home", 0x3A2F}, {"cell", 0x3A1C},
    {"car", 0x3A1E},       {"pager", 0x3A21}, {"isdn", 0x3A2D}, {"fax,home", 0x3A25},
    {"work,pref", 0x3A57}, {"work", 0x3A08},  {"work", 0x3A1B}, {"fax,pref", 0x3A23},
    {"fax,work", 0x3A24},
};

// Whether `address` is among `addresses`, letters compared without case.
bool containsAddress(const std::vector<std::u16string>& addresses, const std::u16string& address) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return std::any_of(addresses.begin(), addresses.end(), [&](const std::u16string& known) {
        return std::equal(known.begin(), known.end(), address.begin(), address.end(),
                          [&](char16_t a, char16_t b) { return lower(a) == lower(b); });
    });
}

}  // namespace

MIMEContactWriter::MIMEContactWriter(std::uint32_t contactStyle, std::uint32_t defaultCodePage,
                                     bool unicodeStore, pstread::pst& store)
    : m_contactStyle(contactStyle),
      m_namedPropIds(ResolveContactNamedPropIds(store)),
      m_groupPropIds(ResolveGroupNamedPropIds(store)),
      m_unicodeStore(unicodeStore),
      m_itemCodePages{model::decodingCharsetFor(static_cast<std::int32_t>(defaultCodePage))},
      m_defaultRow(m_itemCodePages.sessionRow),
      m_store(store),
      m_recordKey(StoreRecordKey(store)) {}

std::string MIMEContactWriter::uidOf(std::uint32_t nid) const {
    return ItemIdentity::ofItem(m_recordKey, nid).uuid();
}

text::SharedDateFormatter& MIMEContactWriter::formatter() {
    return m_formatter != nullptr ? *m_formatter : text::thread_date_formatter();
}

std::string MIMEContactWriter::vcardDate(const property_bag& bag, prop_id id) {
    const auto instant = read_instant(bag, id);
    return instant ? formatter().vcard_date(*instant) : std::string();
}

int MIMEContactWriter::writeContact(std::ostream& out, pstread::message& contact) {
    property_bag& bag = contact.get_property_bag();
    m_defaultRow = m_itemCodePages.rowFor(bag);
    bag.set_charset(m_defaultRow);
    if (is_group_class(ContactTextOrEmpty(bag, kPidTagMessageClass))) {
        writeGroup(out, contact);
        return 0;
    }
    out << "begin:vcard\r\nversion:3.0";
    out << "\r\nUID:" << uidOf(contact.get_id());
    writeName(out, bag);
    writeFormattedName(out, contact);
    WriteVCardTextLine(out, VCardLineHead("nickname"), ContactText(bag, 0x3A4F));
    writeAddresses(out, bag);
    writeOrganization(out, bag);
    WriteVCardTextLine(out, VCardLineHead("title"), ContactText(bag, 0x3A17));
    WriteVCardTextLine(out, VCardLineHead("role"), ContactText(bag, 0x3A46));
    writeBirthday(out, bag);
    writeTelephones(out, bag);
    WriteVCardTextLine(out, VCardLineHead("url", ";type=home"), ContactText(bag, 0x3A50));
    WriteVCardTextLine(out, VCardLineHead("url", ";type=work"), ContactText(bag, 0x3A51));
    writeEmails(out, bag);
    writeCategories(out, bag);
    const std::string additionalNotes = writeExtendedDetails(out, bag);
    writeExtension(out, contact);
    writeNote(out, contact, additionalNotes);
    if (contact.get_attachment_count() > 0) {
        writeContactPhoto(out, contact);
    }
    out << "\r\nend:vcard";
    return 0;
}

void MIMEContactWriter::writeExtension(std::ostream& /*out*/, pstread::message& /*contact*/) {}

void MIMEContactWriter::writeName(std::ostream& out, const property_bag& bag) const {
    // Surname, given name, middle name, prefix, suffix. vCard 3.0 requires
    // the line, so a contact without any name part gets empty fields.
    static constexpr prop_id kParts[] = {0x3A11, 0x3A06, 0x3A44, 0x3A45, 0x3A05};
    const std::string lineHead = VCardLineHead("n") + ":";
    const std::string value = structured_value(bag, lineHead, kParts);
    out << lineHead << (value.empty() ? ";;;;" : value);
}

void MIMEContactWriter::writeFormattedName(std::ostream& out, pstread::message& contact) const {
    // The subject names the contact as the user filed it; vCard 3.0 requires
    // the line, so the display name stands in for a missing subject.
    std::u16string name = contact.has_subject() ? contact.get_subject() : std::u16string();
    if (name.empty()) {
        name = ContactTextOrEmpty(contact.get_property_bag(), kPidTagDisplayName);
    }
    const std::string lineHead = VCardLineHead("fn") + ":";
    out << lineHead << VCardValue(lineHead).text(name).str();
}

void MIMEContactWriter::writeAddresses(std::ostream& out, const property_bag& bag) const {
    const auto& ids = m_namedPropIds;
    const std::uint32_t preferred = read_integer(bag, ids[kPostalAddressId]).value_or(0);
    const auto marker = [preferred](std::uint32_t which) {
        return std::string(preferred == which ? ";type=pref:" : ":");
    };
    struct Address {
        std::string adrHead;
        std::string labelHead;
        std::array<prop_id, 7> fields;  // the second, the extended address, stays empty
        prop_id label;
        std::uint32_t which;
    };
    const Address addresses[] = {
        {VCardLineHead("adr", ";type=home"),
         VCardLineHead("label", ";type=home"),
         {0x3A5E, 0, 0x3A5D, 0x3A59, 0x3A5C, 0x3A5B, 0x3A5A},
         ids[kHomeAddress],
         1},
        {VCardLineHead("adr", ";type=work"),
         VCardLineHead("label", ";type=work"),
         {ids[kWorkAddressPostOfficeBox], 0, ids[kWorkAddressStreet], ids[kWorkAddressCity],
          ids[kWorkAddressState], ids[kWorkAddressPostalCode], ids[kWorkAddressCountry]},
         ids[kWorkAddress],
         2},
        {"\r\nadr;type=postal" + VCardCharsetParameter(),
         "\r\nlabel;type=postal" + VCardCharsetParameter(),
         {0x3A64, 0, 0x3A63, 0x3A5F, 0x3A62, 0x3A61, 0x3A60},
         ids[kOtherAddress],
         3},
    };
    for (const Address& address : addresses) {
        const std::string adrHead = address.adrHead + marker(address.which);
        const std::string value = structured_value(bag, adrHead, address.fields);
        if (!value.empty()) {
            out << adrHead << value;
        }
        const auto label = ContactText(bag, address.label);
        if (label && !label->empty()) {
            const std::string lineHead = address.labelHead + marker(address.which);
            out << lineHead << VCardValue(lineHead).text(*label).str();
        }
    }
}

void MIMEContactWriter::writeOrganization(std::ostream& out, const property_bag& bag) const {
    static constexpr prop_id kParts[] = {0x3A16, 0x3A18};  // company, department
    const std::string lineHead = VCardLineHead("org") + ":";
    const std::string value = structured_value(bag, lineHead, kParts);
    if (!value.empty()) {
        out << lineHead << value;
    }
}

void MIMEContactWriter::writeBirthday(std::ostream& out, const property_bag& bag) {
    const std::string date = vcardDate(bag, kPidTagBirthday);
    if (!date.empty()) {
        out << "\r\nbday:" << date;
    }
}

void MIMEContactWriter::writeTelephones(std::ostream& out, const property_bag& bag) const {
    for (const TelephoneLine& line : kTelephones) {
        WriteVCardTextLine(out, "\r\ntel;type=" + std::string(line.type) + VCardCharsetParameter(),
                           ContactText(bag, line.id));
    }
}

void MIMEContactWriter::writeEmails(std::ostream& out, const property_bag& bag) const {
    const auto& ids = m_namedPropIds;
    struct Slot {
        ContactNamedProp type, original, address;
    };
    static constexpr Slot kSlots[] = {
        {kEmail1AddressType, kEmail1OriginalDisplayName, kEmail1EmailAddress},
        {kEmail2AddressType, kEmail2OriginalDisplayName, kEmail2EmailAddress},
        {kEmail3AddressType, kEmail3OriginalDisplayName, kEmail3EmailAddress},
    };
    const std::string lineHead = VCardLineHead("email", ";type=internet");
    std::vector<std::u16string> written;
    for (const Slot& slot : kSlots) {
        std::optional<std::u16string> address;
        const auto type = ContactText(bag, ids[slot.type]);
        if (type && *type != u"SMTP") {
            // An address of another kind (an Exchange name): its original
            // display name often is the Internet address.
            const auto original = ContactText(bag, ids[slot.original]);
            if (original && text::LooksLikeEmail(*original)) {
                address = original;
            }
        } else {
            address = ContactText(bag, ids[slot.address]);
        }
        // The Exchange slot and the SMTP slot often name the same address:
        // an address book would show it twice.
        if (!address || address->empty() || containsAddress(written, *address)) {
            continue;
        }
        WriteVCardTextLine(out, lineHead, address);
        written.push_back(*address);
    }
}

void MIMEContactWriter::writeCategories(std::ostream& out, const property_bag& bag) const {
    const auto keywords = ContactStrings(bag, m_namedPropIds[kKeywords]);
    if (!keywords) {
        return;
    }
    // Categories are a list: each one escaped, a plain "," between them.
    const std::string lineHead = VCardLineHead("categories") + ":";
    VCardValue value(lineHead);
    for (std::size_t i = 0; i < keywords->size(); ++i) {
        if (i > 0) {
            value.raw(",");
        }
        value.text((*keywords)[i]);
    }
    out << lineHead << value.str();
}

}  // namespace mailwright::formats
