// The vCard writer over builder contacts: where each style puts the details
// vCard 3.0 has no property for, the conditions of single lines, whole
// values folded on character boundaries, photos, UIDs and group cards, and
// both store variants.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contact_test_file.h"
#include "formats/group_members.h"
#include "formats/image_type.h"

namespace {

using contacttest::has_line;
using contacttest::unfolded;
using contacttest::write_card;
using contacttest::write_cards;
using namespace mailwright::formats;
using pstbuild::Contact;

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

TEST(ContactWriter, EachStylePlacesTheExtendedDetails) {
    struct Case {
        std::uint32_t style;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {kContactStyleExtension,
         {"X-interests;charset=UTF-8:Sailing\\, chess", "X-assistant;charset=UTF-8:Pat",
          "X-gender:Female", "X-anniversary:2001-06-02", "X-spouse;charset=UTF-8:Sam",
          "X-child;charset=UTF-8:Kim", "X-child;charset=UTF-8:Lee",
          "tel;charset=UTF-8;type=assistant:+1 555 0300",
          "note;charset=UTF-8:Account: A-1\\nCallback Telephone Number: +1 555 0500"}},
        {kContactStyleAddressBook,
         {"item1.X-ABRELATEDNAMES:Pat", "item1.X-ABLabel:_$!<Assistant>!$_",
          "item2.X-ABDATE:2001-06-02", "item2.X-ABLabel:_$!<Anniversary>!$_",
          "item3.X-ABRELATEDNAMES:Sam", "item4.X-ABRELATEDNAMES:Kim",
          "item5.X-ABLabel:_$!<Child>!$_", "item6.TEL:+1 555 0300", "item7.TEL:+1 555 0500",
          "item7.X-ABLabel:Callback Telephone",
          "note;charset=UTF-8:Hobbies: Sailing\\, chess\\nGender: Female\\nChildren: Kim\\, "
          "Lee\\nAccount: A-1"}},
        {kContactStyleNotes,
         {"note;charset=UTF-8:Hobbies: Sailing\\, chess\\nAssistant: Pat\\nGender: "
          "Female\\nAnniversary: 2001-06-02\\nSpouse Name: Sam\\nChildren: Kim\\, Lee\\nAccount: "
          "A-1\\nAssistant Telephone Number: +1 555 0300\\nCallback Telephone Number: +1 555 "
          "0500"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        const std::string card = write_card(detailed(), {.style = c.style});
        for (const std::string& line : c.lines) {
            EXPECT_TRUE(has_line(card, line)) << line << "\n" << unfolded(card);
        }
        EXPECT_EQ(card.find("\r\nX-") == std::string::npos, c.style != kContactStyleExtension);
        EXPECT_EQ(card.find("item1.") != std::string::npos, c.style == kContactStyleAddressBook);
    }
}

TEST(ContactWriter, LinesFollowTheirConditions) {
    struct Case {
        const char* name;
        void (*change)(Contact&);
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {"only a given name",
         [](Contact& c) { c.given_name = "Ann"; },
         {"n;charset=UTF-8:;Ann;;;"},
         {}},
        // vCard 3.0 requires N and FN, so they stay even when empty.
        {"no name at all", [](Contact&) {}, {"n;charset=UTF-8:;;;;", "fn;charset=UTF-8:"}, {}},
        {"display name stands in for the subject",
         [](Contact& c) { c.display_name = "Ann Lee"; },
         {"fn;charset=UTF-8:Ann Lee"},
         {}},
        {"a comma in the name",
         [](Contact& c) { c.file_as = "Lee, Ann"; },
         {"fn;charset=UTF-8:Lee\\, Ann"},
         {}},
        {"home city only",
         [](Contact& c) { c.home.city = "Bonn"; },
         {"adr;charset=UTF-8;type=home:;;;Bonn;;;"},
         {"label;charset=UTF-8;type=home"}},
        {"a short label is kept",
         [](Contact& c) { c.home.label = "Bonn"; },
         {"label;charset=UTF-8;type=home:Bonn"},
         {}},
        {"work is the postal address",
         [](Contact& c) {
             c.work.city = "Paris";
             c.home.city = "Bonn";
             c.postal_address = pstbuild::PostalAddress::work;
         },
         {"adr;charset=UTF-8;type=work;type=pref:;;;Paris;;;",
          "adr;charset=UTF-8;type=home:;;;Bonn;;;"},
         {}},
        {"unspecified gender says nothing", [](Contact& c) { c.gender = 0; }, {}, {"X-gender"}},
        {"male", [](Contact& c) { c.gender = 2; }, {"X-gender:Male"}, {}},
        {"an Exchange address with its SMTP original",
         [](Contact& c) {
             c.emails = {{"/o=Ex/cn=ann", "EX", "ann@example.com"}};
         },
         {"email;charset=UTF-8;type=internet:ann@example.com"},
         {}},
        {"an Exchange address without one",
         [](Contact& c) {
             c.emails = {{"/o=Ex/cn=ann", "EX", "Ann"}};
         },
         {},
         {"email"}},
        {"three SMTP slots",
         [](Contact& c) {
             c.emails = {{"a@x.org"}, {"b@x.org"}, {"c@x.org"}};
         },
         {"email;charset=UTF-8;type=internet:c@x.org"},
         {}},
        {"categories are a list",
         [](Contact& c) {
             c.categories = {{"Work", "A, B"}};
         },
         {"categories;charset=UTF-8:Work,A\\, B"},
         {}},
        {"birthday and phones",
         [](Contact& c) {
             c.birthday = kAnniversary;
             c.phones = {{0x3A1C, "+1 555"}, {0x3A24, "+1 556"}};
         },
         {"bday:2001-06-02", "tel;type=cell;charset=UTF-8:+1 555",
          "tel;type=fax,work;charset=UTF-8:+1 556"},
         {}},
        {"line breaks of a note",
         [](Contact& c) { c.notes = "a\r\nb\nc"; },
         {"note;charset=UTF-8:a\\nb\\nc"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Contact contact;
        c.change(contact);
        const std::string card = write_card(contact);
        for (const std::string& line : c.present) {
            EXPECT_TRUE(has_line(card, line)) << line << "\n" << card;
        }
        for (const std::string& text : c.absent) {
            EXPECT_EQ(card.find("\r\n" + text), std::string::npos) << text << "\n" << card;
        }
    }
}

TEST(ContactWriter, LongValuesAreWrittenWholeAndFoldedOnCharacterBoundaries) {
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
    std::size_t start = 0;
    for (std::size_t end; (end = card.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = card.substr(start, end - start);
        EXPECT_LE(line.size(), 76u) << line;  // 75 bytes and the fold's blank
        if (line.size() > 1 && line[0] == ' ') {
            EXPECT_NE(static_cast<unsigned char>(line[1]) & 0xC0, 0x80)
                << "fold inside a character";
        }
    }
}

TEST(ContactWriter, PhotoIsTypedByItsSignature) {
    struct Case {
        std::vector<std::uint8_t> start;
        const char* type;
    };
    const Case cases[] = {
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, "png"},
        {{'G', 'I', 'F', '8', '9', 'a'}, "gif"},
        {{'G', 'I', 'F', '8', '7', 'a'}, "gif"},
        {{'B', 'M', 0x36}, "bmp"},
        {{0xFF, 0xD8, 0xFF, 0xE1}, "jpeg"},
        {{'G', 'I', 'F'}, "jpeg"},
        {{0x00}, "jpeg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageTypeFromSignature(c.start), c.type);
    }
    Contact contact;
    contact.photo = std::vector<std::uint8_t>(57, 0x42);
    (*contact.photo)[0] = 'B';
    (*contact.photo)[1] = 'M';
    const std::string card = write_card(contact);
    EXPECT_NE(card.find("\r\nphoto;ENCODING=b;type=bmp:\r\n Qk1CQkJC"), std::string::npos) << card;
    // One full base64 line, then the separator that continues the value.
    EXPECT_TRUE(card.ends_with("QkJC\r\n \r\nend:vcard")) << card;
}

TEST(ContactWriter, UIDsStayTheSameAndGroupsNameTheirMembersByThem) {
    Contact ann;
    ann.file_as = "Ann";
    Contact bob;
    bob.file_as = "Bob";
    pstbuild::Mailbox box = contacttest::contacts_mailbox(
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

TEST(ContactWriter, AnsiStoresGiveTheSameCards) {
    Contact c = detailed();
    c.surname = "Müller";
    c.home = {
        "", "Hauptstraße 5", "München", "", "80331", "Deutschland", "Hauptstraße 5\r\nMünchen"};
    c.categories = {{"Geschäft"}};
    c.notes = "Grüße";
    const auto box = contacttest::contacts_mailbox({pstbuild::contact_message(c)});
    EXPECT_EQ(write_cards(box, {.variant = pstbuild::Variant::ansi}), write_cards(box));

    pstbuild::Message cyrillic = pstbuild::contact_message(Contact{});
    cyrillic.body = "Привет";
    cyrillic.internet_code_page = 1251;
    const std::string card =
        write_cards(contacttest::contacts_mailbox({cyrillic}), {.variant = pstbuild::Variant::ansi})
            .at(0);
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

}  // namespace
