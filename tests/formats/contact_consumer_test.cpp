// Builder contacts written as one merged vCard file are read back by real
// consumers: vobject gives back every name, address, telephone number,
// e-mail address, birthday, category and the photo bytes the builder wrote,
// in both store variants, and ical.js parses the file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "contact_test_file.h"
#include "text/python_oracle.h"
#include "vcard_consumers.h"

namespace {

using pstbuild::Contact;

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

// The expectation lines check_vcard.py reads for one contact.
std::string expectation(const Contact& c) {
    std::string out =
        "CARD\nfn " + hex(c.file_as) + "\nn " +
        hex(joined({c.surname, c.given_name, c.middle_name, c.prefix, c.generation})) + "\n";
    const std::pair<const char*, const pstbuild::ContactAddress*> addresses[] = {
        {"home", &c.home}, {"work", &c.work}, {"postal", &c.other}};
    for (const auto& [kind, a] : addresses) {
        const std::string fields =
            joined({a->po_box, "", a->street, a->city, a->state, a->postal_code, a->country});
        if (fields != std::string(6, '\x1f')) {
            out += std::string("adr ") + kind + " " + hex(fields) + "\n";
        }
    }
    for (const auto& [id, number] : c.phones) {
        out += "tel " + hex(number) + "\n";
    }
    for (const pstbuild::ContactEmail& e : c.emails) {
        out += "email " + hex(e.address) + "\n";
    }
    out += "bday " + hex("1987-03-14") + "\n";
    out += "categories " + hex(joined(c.categories.value_or(std::vector<std::string>{}))) + "\n";
    out += "photo " + hex(std::string(c.photo->begin(), c.photo->end())) + "\n";
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
    pstbuild::Mailbox box = contacttest::contacts_mailbox(items);
    box.top().children.back().messages.push_back(
        pstbuild::group_message("Team", {{"Anna", "anna0@example.com", 0}}, 3, box.record_key));
    for (const auto variant : {pstbuild::Variant::unicode, pstbuild::Variant::ansi}) {
        SCOPED_TRACE(variant == pstbuild::Variant::unicode ? "unicode" : "ansi");
        std::string merged;
        const auto cards = contacttest::write_cards(box, {.variant = variant});
        for (std::size_t i = 0; i + 1 < cards.size(); ++i) {  // the group has no expectation
            merged += cards[i] + "\r\n\r\n";
        }
        const python_oracle::TempFile file(merged, ".vcf");
        const python_oracle::TempFile want(expected, ".txt");
        const auto checked = vcardtest::Vobject({"expect", file.path(), want.path()});
        EXPECT_EQ(checked.exitCode, 0) << checked.output;
        EXPECT_NE(checked.output.find("CHECKED 3"), std::string::npos) << checked.output;

        const python_oracle::TempFile all(merged + cards.back() + "\r\n", ".vcf");
        const auto counted = vcardtest::Vobject({"count", all.path()});
        EXPECT_EQ(counted.output.rfind("COUNT 4 ", 0), 0u) << counted.output;
        const auto parsed = vcardtest::IcalJs({all.path()});
        EXPECT_EQ(parsed.exitCode, 0) << parsed.output;
        EXPECT_EQ(parsed.output.rfind("ok ", 0), 0u) << parsed.output;
    }
}

}  // namespace
