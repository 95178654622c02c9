// The vCard writer over builder contacts: where each style puts the details
// vCard 3.0 has no property for and the conditions of single lines (golden
// files), long values written whole, photo types, UIDs and group cards, and
// both store variants. One merged file is read back by real consumers:
// vobject gives back every name, address, telephone number, e-mail address,
// birthday, category and the photo bytes the builder wrote, in both store
// variants, and ical.js parses the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "formats/golden_file.h"
#include "formats/group_members.h"
#include "formats/image_type.h"
#include "formats/mime_contact_writer.h"
#include "pstread/pst/mailbox_file.h"
#include "support/contact_builder.h"
#include "text/python_oracle.h"
#include "vcard_consumers.h"

namespace {

using namespace mailwright::formats;
using pstbuild::Contact;

// Builder contacts are stored in the "Contacts" folder of a PST held in
// memory, read back with the messaging layer and written one card each.
constexpr const char* kContactsPath = "Top of Personal Folders/Contacts";

struct CardOptions {
    std::uint32_t style = kContactStyleExtension;
    pstbuild::Variant variant = pstbuild::Variant::unicode;
};

pstbuild::Mailbox contacts_mailbox(std::vector<pstbuild::Message> items) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    box.top().add_folder("Contacts", "IPF.Contact").messages = std::move(items);
    return box;
}

// The card of every item of the Contacts folder.
std::vector<std::string> write_cards(const pstbuild::Mailbox& box,
                                     const CardOptions& options = {}) {
    const psttest::BuiltMailbox built = psttest::build_file(box, options.variant);
    pstread::pst file(built.open());
    MIMEContactWriter writer(options.style, 1252, options.variant == pstbuild::Variant::unicode,
                             file);
    std::vector<std::string> cards;
    for (pstread::message m : file.open_folder(built.folder_nid(kContactsPath)).messages()) {
        std::ostringstream out;
        writer.writeContact(out, m);
        cards.push_back(std::move(out).str());
    }
    return cards;
}

std::string write_card(const pstbuild::Contact& contact, const CardOptions& options = {}) {
    return write_cards(contacts_mailbox({pstbuild::contact_message(contact)}), options).at(0);
}

// Whether the card, its folds undone, has the whole line.
bool has_line(const std::string& card, const std::string& line) {
    std::string unfolded = "\r\n";
    for (std::size_t i = 0; i < card.size(); ++i) {
        if (card.compare(i, 3, "\r\n ") == 0) {
            i += 2;
        } else {
            unfolded += card[i];
        }
    }
    return (unfolded + "\r\n").find("\r\n" + line + "\r\n") != std::string::npos;
}

constexpr pstbuild::FileTime kAnniversary = pstbuild::filetime_from_unix(991440000);  // 2001-06-02

Contact detailed() {
    Contact c;
    c.file_as = "Ann Lee";
    c.given_name = "Ann";
    c.details = {
        {0x3A43, "Sailing, chess"}, {0x3A30, "Pat"},        {0x3A48, "Sam"}, {0x3A00, "A-1"},
        {0x3A2E, "+1 555 0300"},    {0x3A02, "+1 555 0500"}};
    c.anniversary = kAnniversary;
    c.children = {"Kim", "Lee"};
    c.gender = 1;
    return c;
}

// One contact for each condition of a single line.
std::vector<pstbuild::Message> conditions() {
    std::vector<Contact> list(14);
    list[0].given_name = "Ann";        // only a given name
    list[1].display_name = "Ann Lee";  // stands in for the subject
    list[2].file_as = "Lee, Ann";      // a comma in the name
    list[3].home.city = "Bonn";        // no label of its own
    list[4].home.label = "Bonn";       // a short label is kept
    list[5].work.city = "Paris";       // work is the postal address
    list[5].home.city = "Bonn";
    list[5].postal_address = pstbuild::PostalAddress::work;
    list[6].gender = 2;
    // With its SMTP original, also in an SMTP slot: written once.
    list[7].emails = {{"/o=Ex/cn=ann", "EX", "ann@example.com"}, {"Ann@Example.com"}};
    list[8].emails = {{"/o=Ex/cn=ann", "EX", "Ann"}};  // without one
    list[9].emails = {{"a@x.org"}, {"b@x.org"}, {"c@x.org"}};
    list[10].categories = {{"Work", "A, B"}};
    list[11].birthday = kAnniversary;
    list[11].phones = {{0x3A1C, "+1 555"}, {0x3A24, "+1 556"}};
    list[12].notes = "a\r\nb\nc";
    list[13].photo = std::vector<std::uint8_t>(57, 0x42);  // a BMP of one base64 line
    (*list[13].photo)[0] = 'B';
    (*list[13].photo)[1] = 'M';
    std::vector<pstbuild::Message> items;
    for (const Contact& c : list) {
        items.push_back(pstbuild::contact_message(c));
    }
    return items;
}

TEST(ContactWriter, CardsMatchTheGoldenFiles) {
    std::string styles;
    for (const std::uint32_t style :
         {kContactStyleExtension, kContactStyleAddressBook, kContactStyleNotes}) {
        styles += write_card(detailed(), {.style = style}) + "\r\n";
    }
    goldentest::ExpectGolden("contact_styles.vcf", styles);
    std::string cards;
    for (const std::string& card : write_cards(contacts_mailbox(conditions()))) {
        cards += card + "\r\n";
    }
    goldentest::ExpectGolden("contact_conditions.vcf", cards);
}

TEST(ContactWriter, LongValuesAreWrittenWhole) {
    std::string note;
    while (note.size() < 5000) {
        note += "ab\xF0\x9F\x98\x80 c\xC3\xA9";  // 4-byte and 2-byte characters at shifting places
    }
    Contact c;
    c.file_as = std::string(300, 'n');
    c.home.street = std::string(1500, 's');
    c.notes = note;
    const std::string card = write_card(c);
    EXPECT_TRUE(has_line(card, "note;charset=UTF-8:" + note));
    EXPECT_TRUE(has_line(card, "adr;charset=UTF-8;type=home:;;" + std::string(1500, 's') + ";;;;"));
    EXPECT_TRUE(has_line(card, "fn;charset=UTF-8:" + c.file_as));
}

TEST(ContactWriter, PhotoIsTypedByItsSignature) {
    const auto type = [](std::vector<std::uint8_t> start) { return ImageTypeFromSignature(start); };
    EXPECT_EQ(type({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), "png");
    EXPECT_EQ(type({'G', 'I', 'F', '8', '7', 'a'}), "gif");
    EXPECT_EQ(type({'G', 'I', 'F'}), "jpeg");  // too short for a GIF
}

TEST(ContactWriter, UIDsStayTheSameAndGroupsNameTheirMembersByThem) {
    Contact ann;
    ann.file_as = "Ann";
    Contact bob;
    bob.file_as = "Bob";
    pstbuild::Mailbox box = contacts_mailbox(
        {pstbuild::contact_message(ann), pstbuild::contact_message(bob), psttest::mail("a mail")});
    box.top().children.back().messages.push_back(pstbuild::group_message(
        "Team", {{"Ann", "ann@x.org", 0}, {"Mail", "mail@x.org", 2}, {"Eve", "eve@x.org", {}}}, 3,
        box.record_key));
    const std::vector<std::string> cards = write_cards(box);
    ASSERT_EQ(cards.size(), 4u);
    auto uid = [](const std::string& card) { return card.substr(card.find("UID:") + 4, 36); };
    EXPECT_EQ(write_cards(box), cards);
    EXPECT_NE(uid(cards[0]), uid(cards[1]));
    const std::string& group = cards[3];
    EXPECT_TRUE(has_line(group, "X-ADDRESSBOOKSERVER-KIND:group"));
    EXPECT_TRUE(has_line(group, "fn;charset=UTF-8:Team"));
    EXPECT_TRUE(has_line(group, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + uid(cards[0])));
    // A member whose item is no contact is named by its address.
    EXPECT_TRUE(has_line(group, "X-ADDRESSBOOKSERVER-MEMBER:mailto:mail@x.org"));
    EXPECT_TRUE(has_line(group, "X-ADDRESSBOOKSERVER-MEMBER:mailto:eve@x.org"));

    pstbuild::Mailbox other = box;
    other.record_key[0] ^= 1;  // another store: other UIDs
    EXPECT_NE(uid(write_cards(other)[0]), uid(cards[0]));
}

TEST(ContactWriter, AnAnsiStoreReadsTheNoteInItsInternetCodePage) {
    pstbuild::Message cyrillic = pstbuild::contact_message(Contact{});
    cyrillic.body = "Привет";
    cyrillic.internet_code_page = 1251;
    const std::string card =
        write_cards(contacts_mailbox({cyrillic}), {.variant = pstbuild::Variant::ansi}).at(0);
    EXPECT_TRUE(has_line(card, "note;charset=UTF-8:Привет")) << card;
}

TEST(GroupMembers, EntryIdsThatDoNotFitTheirLayoutGiveNoMember) {
    const std::vector<std::uint8_t> key{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const pstbuild::ProviderUid builderKey{1, 2, 3};
    const auto wrapped = pstbuild::wrapped_contact_entry_id(builderKey, 0x200024);
    const auto oneOff = pstbuild::one_off_entry_id("Ann", "SMTP", "ann@x.org", true);
    EXPECT_EQ(WrappedMessageNid(wrapped, key), 0x200024u);
    EXPECT_EQ(WrappedMessageNid(wrapped, std::vector<std::uint8_t>(16, 9)), std::nullopt);
    ASSERT_TRUE(ReadOneOffEntryId(oneOff, mailwright::text::Utf8Row()));
    EXPECT_EQ(ReadOneOffEntryId(oneOff, mailwright::text::Utf8Row())->address, "ann@x.org");
    for (std::size_t cut = 0; cut < oneOff.size(); ++cut) {
        const std::vector<std::uint8_t> shorter(oneOff.begin(), oneOff.begin() + cut);
        EXPECT_FALSE(ReadOneOffEntryId(shorter, mailwright::text::Utf8Row())) << cut;
        EXPECT_FALSE(WrappedMessageNid(
            std::vector<std::uint8_t>(wrapped.begin(), wrapped.begin() + cut % wrapped.size()),
            key));
    }
    EXPECT_TRUE(ReadGroupMembers({{0xFF}, wrapped}, {}, key, mailwright::text::Utf8Row()).size() ==
                1);
}

std::string hex(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        out += "0123456789abcdef"[static_cast<unsigned char>(c) >> 4];
        out += "0123456789abcdef"[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += (i > 0 ? "\x1f" : "") + parts[i];
    }
    return out;
}

// The lines check_vcard.py prints for the card of one contact.
std::string expectation(const Contact& c) {
    std::vector<std::string> lines = {
        "fn " + hex(c.file_as),
        "n " + hex(joined({c.surname, c.given_name, c.middle_name, c.prefix, c.generation})),
        "bday " + hex("1987-03-14"), "categories " + hex(joined(*c.categories)),
        "photo " + hex(std::string(c.photo->begin(), c.photo->end()))};
    const std::pair<const char*, const pstbuild::ContactAddress*> addresses[] = {
        {"home", &c.home}, {"work", &c.work}, {"postal", &c.other}};
    for (const auto& [kind, a] : addresses) {
        const std::string fields =
            joined({a->po_box, "", a->street, a->city, a->state, a->postal_code, a->country});
        if (fields != std::string(6, '\x1f')) {
            lines.push_back(std::string("adr ") + kind + " " + hex(fields));
        }
    }
    for (const auto& [id, number] : c.phones) {
        lines.push_back("tel " + hex(number));
    }
    for (const pstbuild::ContactEmail& e : c.emails) {
        lines.push_back("email " + hex(e.address));
    }
    std::sort(lines.begin(), lines.end());
    std::string out = "CARD\n";
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

std::vector<Contact> contacts() {
    std::vector<Contact> list(3);
    const char* surnames[] = {"Müller", "O'Brien; Jr", "Dubois"};
    for (std::size_t i = 0; i < list.size(); ++i) {
        Contact& c = list[i];
        c.surname = surnames[i];
        c.given_name = i == 1 ? "Seán" : "Anna";
        c.middle_name = i == 0 ? "M." : "";
        c.prefix = "Dr.";
        c.file_as = c.given_name + " " + c.surname;
        c.home = {"PO 7", "Hauptstraße 5", "München", "BY", "80331", "Deutschland", "label"};
        c.work.city = i == 2 ? "Paris, 8e" : "";
        c.other.street = i == 1 ? "Long Road" : "";
        c.birthday = pstbuild::filetime_from_unix(542678400);  // 1987-03-14
        c.phones = {{0x3A08, "+49 89 1234-" + std::to_string(i)}, {0x3A1C, "+49 170 555"}};
        c.emails = {{"anna" + std::to_string(i) + "@example.com"}, {"second@example.org"}};
        c.categories = std::vector<std::string>{"Work", "Friends, close", "Ünïcode"};
        c.photo = std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        for (std::size_t b = 0; b < 100 + 57 * i; ++b) {
            c.photo->push_back(static_cast<std::uint8_t>(b * 7 + i));
        }
    }
    return list;
}

TEST(ContactConsumers, VobjectReadsBackWhatTheBuilderWroteAndIcalJsParsesIt) {
    if (!vcardtest::VobjectAvailable() || !vcardtest::IcalJsAvailable()) {
        GTEST_SKIP() << "vobject or ical.js is not installed (scripts/setup)";
    }
    const std::vector<Contact> people = contacts();
    std::vector<pstbuild::Message> items;
    std::string expected;
    for (const Contact& c : people) {
        items.push_back(pstbuild::contact_message(c));
        expected += expectation(c);
    }
    pstbuild::Mailbox box = contacts_mailbox(items);
    box.top().children.back().messages.push_back(
        pstbuild::group_message("Team", {{"Anna", "anna0@example.com", 0}}, 3, box.record_key));
    for (const auto variant : {pstbuild::Variant::unicode, pstbuild::Variant::ansi}) {
        SCOPED_TRACE(variant == pstbuild::Variant::unicode ? "unicode" : "ansi");
        std::string merged;
        const auto cards = write_cards(box, {.variant = variant});
        for (std::size_t i = 0; i + 1 < cards.size(); ++i) {  // the group has no expectation
            merged += cards[i] + "\r\n\r\n";
        }
        const python_oracle::TempFile file(merged, ".vcf");
        const auto checked = vcardtest::Vobject({"lines", file.path()});
        EXPECT_EQ(checked.exitCode, 0) << checked.output;
        EXPECT_EQ(checked.output, expected);

        const python_oracle::TempFile all(merged + cards.back() + "\r\n", ".vcf");
        const auto counted = vcardtest::Vobject({"count", all.path()});
        EXPECT_EQ(counted.output.rfind("COUNT 4 ", 0), 0u) << counted.output;
        const auto parsed = vcardtest::IcalJs({all.path()});
        EXPECT_EQ(parsed.exitCode, 0) << parsed.output;
        EXPECT_EQ(parsed.output.rfind("ok ", 0), 0u) << parsed.output;
    }
}

}  // namespace
