#include "support/contact_builder.h"

#include "support/guid.h"

namespace pstbuild {
namespace {

// PSETID_Address numeric ids ([MS-OXPROPS] via the MAPI canonical pages).
constexpr std::uint32_t kLidPostalAddressId = 0x8022;
constexpr std::uint32_t kLidHomeAddress = 0x801A;
constexpr std::uint32_t kLidWorkAddress = 0x801B;
constexpr std::uint32_t kLidOtherAddress = 0x801C;
constexpr std::uint32_t kLidWorkAddressStreet = 0x8045;
constexpr std::uint32_t kLidWorkAddressCity = 0x8046;
constexpr std::uint32_t kLidWorkAddressState = 0x8047;
constexpr std::uint32_t kLidWorkAddressPostalCode = 0x8048;
constexpr std::uint32_t kLidWorkAddressCountry = 0x8049;
constexpr std::uint32_t kLidWorkAddressPostOfficeBox = 0x804A;
constexpr std::uint32_t kLidDistributionListOneOffMembers = 0x8054;
constexpr std::uint32_t kLidDistributionListMembers = 0x8055;
constexpr std::uint32_t kLidBilling = 0x8535;  // PSETID_Common
// Email slots: display name, address type, address, original display name.
constexpr std::uint32_t kLidEmailSlots[3][4] = {
    {0x8080, 0x8082, 0x8083, 0x8084},
    {0x8090, 0x8092, 0x8093, 0x8094},
    {0x80A0, 0x80A2, 0x80A3, 0x80A4},
};

constexpr std::uint8_t kWrappedContactType = 0xC3;
constexpr ProviderUid kWrappedEntryIdProvider = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                                 0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};

void add_text(std::vector<ExtraProperty>& out, std::uint16_t id, const std::string& value) {
    if (!value.empty()) {
        out.push_back(ExtraProperty::of_text(id, value));
    }
}

void add_named_text(std::vector<ExtraProperty>& out, const Guid& set, std::uint32_t lid,
                    const std::string& value) {
    if (!value.empty()) {
        out.push_back(ExtraProperty::of_named_text(PropertyName{set, lid, {}}, value));
    }
}

void add_addresses(const Contact& c, std::vector<ExtraProperty>& out) {
    const ContactAddress& h = c.home;
    for (const auto& [id, value] : {std::pair<std::uint16_t, const std::string&>{0x3A5E, h.po_box},
                                    {0x3A5D, h.street},
                                    {0x3A59, h.city},
                                    {0x3A5C, h.state},
                                    {0x3A5B, h.postal_code},
                                    {0x3A5A, h.country}}) {
        add_text(out, id, value);
    }
    add_named_text(out, kPsetidAddress, kLidHomeAddress, h.label);
    const ContactAddress& w = c.work;
    add_named_text(out, kPsetidAddress, kLidWorkAddressPostOfficeBox, w.po_box);
    add_named_text(out, kPsetidAddress, kLidWorkAddressStreet, w.street);
    add_named_text(out, kPsetidAddress, kLidWorkAddressCity, w.city);
    add_named_text(out, kPsetidAddress, kLidWorkAddressState, w.state);
    add_named_text(out, kPsetidAddress, kLidWorkAddressPostalCode, w.postal_code);
    add_named_text(out, kPsetidAddress, kLidWorkAddressCountry, w.country);
    add_named_text(out, kPsetidAddress, kLidWorkAddress, w.label);
    const ContactAddress& o = c.other;
    for (const auto& [id, value] : {std::pair<std::uint16_t, const std::string&>{0x3A64, o.po_box},
                                    {0x3A63, o.street},
                                    {0x3A5F, o.city},
                                    {0x3A62, o.state},
                                    {0x3A61, o.postal_code},
                                    {0x3A60, o.country}}) {
        add_text(out, id, value);
    }
    add_named_text(out, kPsetidAddress, kLidOtherAddress, o.label);
    if (c.postal_address != PostalAddress::none) {
        out.push_back(
            ExtraProperty::of_named(PropertyName{kPsetidAddress, kLidPostalAddressId, {}},
                                    pv_long(static_cast<std::int32_t>(c.postal_address))));
    }
}

void add_emails(const Contact& c, std::vector<ExtraProperty>& out) {
    for (std::size_t slot = 0; slot < c.emails.size() && slot < 3; ++slot) {
        const ContactEmail& e = c.emails[slot];
        const std::uint32_t* lids = kLidEmailSlots[slot];
        add_named_text(out, kPsetidAddress, lids[0], c.file_as + " (" + e.address + ")");
        add_named_text(out, kPsetidAddress, lids[1], e.address_type);
        add_named_text(out, kPsetidAddress, lids[2], e.address);
        add_named_text(out, kPsetidAddress, lids[3], e.original_display_name);
    }
}

}  // namespace

Message contact_message(const Contact& c) {
    Message m;
    m.message_class = "IPM.Contact";
    m.subject = c.file_as;
    m.body = c.notes;
    std::vector<ExtraProperty>& x = m.extra;
    add_text(x, 0x3001, c.display_name);
    for (const auto& [id, value] : {std::pair<std::uint16_t, const std::string&>{0x3A11, c.surname},
                                    {0x3A06, c.given_name},
                                    {0x3A44, c.middle_name},
                                    {0x3A45, c.prefix},
                                    {0x3A05, c.generation},
                                    {0x3A4F, c.nickname},
                                    {0x3A16, c.company},
                                    {0x3A18, c.department},
                                    {0x3A17, c.title},
                                    {0x3A46, c.profession},
                                    {0x3A50, c.personal_home_page},
                                    {0x3A51, c.business_home_page}}) {
        add_text(x, id, value);
    }
    add_addresses(c, x);
    if (c.birthday) {
        x.push_back(ExtraProperty::of(0x3A42, pv_systime(*c.birthday)));
    }
    if (c.anniversary) {
        x.push_back(ExtraProperty::of(0x3A41, pv_systime(*c.anniversary)));
    }
    for (const auto& [id, number] : c.phones) {
        add_text(x, id, number);
    }
    add_emails(c, x);
    if (c.categories) {
        x.push_back(ExtraProperty::of_named_texts(PropertyName{kPsPublicStrings, 0, "Keywords"},
                                                  *c.categories));
    }
    for (const auto& [id, value] : c.details) {
        add_text(x, id, value);
    }
    if (!c.children.empty()) {
        x.push_back(ExtraProperty::of_texts(0x3A58, c.children));
    }
    if (c.gender) {
        x.push_back(ExtraProperty::of(0x3A4D, pv_short(*c.gender)));
    }
    add_named_text(x, kPsetidCommon, kLidBilling, c.billing);
    x.insert(x.end(), c.extra.begin(), c.extra.end());
    if (c.photo) {
        Attachment photo;
        photo.filename = "ContactPicture.jpg";
        photo.contact_photo = true;
        photo.data = *c.photo;
        m.attachments.push_back(std::move(photo));
    }
    return m;
}

std::vector<std::uint8_t> wrapped_contact_entry_id(const ProviderUid& record_key,
                                                   std::uint32_t nid) {
    const std::vector<std::uint8_t> inner = store_entry_id(record_key, nid);
    std::vector<std::uint8_t> id;
    id.reserve(4 + kWrappedEntryIdProvider.size() + 1 + inner.size());
    for (int i = 0; i < 4; ++i) {
        id.push_back(0);  // flags
    }
    for (const std::uint8_t b : kWrappedEntryIdProvider) {
        id.push_back(b);
    }
    id.push_back(kWrappedContactType);
    for (const std::uint8_t b : inner) {
        id.push_back(b);
    }
    return id;
}

Message group_message(std::string name, std::vector<GroupMember> members, std::size_t own_index,
                      const ProviderUid& record_key) {
    Message m;
    m.message_class = "IPM.DistList";
    m.subject = name;
    m.extra.push_back(ExtraProperty::of_text(0x3001, name));
    m.extra_for_nid = [members = std::move(members), own_index, record_key](std::uint32_t own_nid) {
        // Messages of a folder get consecutive node ids (one index step is
        // 0x20), so a contact's id follows from its distance to the group.
        std::vector<std::vector<std::uint8_t>> entries;
        std::vector<std::vector<std::uint8_t>> one_offs;
        for (const GroupMember& member : members) {
            const std::vector<std::uint8_t> one_off =
                one_off_entry_id(member.name, "SMTP", member.email, true);
            one_offs.push_back(one_off);
            if (member.contact_index) {
                const auto steps = static_cast<std::int64_t>(own_index) -
                                   static_cast<std::int64_t>(*member.contact_index);
                const auto nid = static_cast<std::uint32_t>(own_nid - steps * 0x20);
                entries.push_back(wrapped_contact_entry_id(record_key, nid));
            } else {
                entries.push_back(one_off);
            }
        }
        return std::vector<ExtraProperty>{
            ExtraProperty::of_named(PropertyName{kPsetidAddress, kLidDistributionListMembers, {}},
                                    pv_mv_binary(entries)),
            ExtraProperty::of_named(
                PropertyName{kPsetidAddress, kLidDistributionListOneOffMembers, {}},
                pv_mv_binary(one_offs)),
        };
    };
    return m;
}

}  // namespace pstbuild
