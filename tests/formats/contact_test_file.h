// Builder contacts written through the vCard writer: the contacts are stored
// in the "Contacts" folder of a PST held in memory, read back with the
// messaging layer and written one card each.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "formats/mime_contact_writer.h"
#include "pstread/pst/mailbox_file.h"
#include "support/contact_builder.h"

namespace contacttest {

inline constexpr const char* kContactsPath = "Top of Personal Folders/Contacts";

struct CardOptions {
    std::uint32_t style = mailwright::formats::kContactStyleExtension;
    pstbuild::Variant variant = pstbuild::Variant::unicode;
    unsigned mailboxCodePage = 1252;
};

inline pstbuild::Mailbox contacts_mailbox(std::vector<pstbuild::Message> items) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    box.top().add_folder("Contacts", "IPF.Contact").messages = std::move(items);
    return box;
}

// The card of every item of the Contacts folder.
inline std::vector<std::string> write_cards(const pstbuild::Mailbox& box,
                                            const CardOptions& options = {}) {
    pstbuild::Mailbox copy = box;
    copy.code_page = options.mailboxCodePage;
    const psttest::BuiltMailbox built = psttest::build_file(copy, options.variant);
    pstread::pst file(built.open());
    mailwright::formats::MIMEContactWriter writer(options.style, options.mailboxCodePage,
                                                  options.variant == pstbuild::Variant::unicode,
                                                  file);
    std::vector<std::string> cards;
    for (pstread::message m : file.open_folder(built.folder_nid(kContactsPath)).messages()) {
        std::ostringstream out;
        writer.writeContact(out, m);
        cards.push_back(std::move(out).str());
    }
    return cards;
}

inline std::string write_card(const pstbuild::Contact& contact, const CardOptions& options = {}) {
    return write_cards(contacts_mailbox({pstbuild::contact_message(contact)}), options).at(0);
}

// The card with its folds undone: one line per property.
inline std::string unfolded(const std::string& card) {
    std::string out;
    for (std::size_t i = 0; i < card.size(); ++i) {
        if (card.compare(i, 3, "\r\n ") == 0) {
            i += 2;
        } else {
            out += card[i];
        }
    }
    return out;
}

// Whether the unfolded card has the whole line.
inline bool has_line(const std::string& card, const std::string& line) {
    return ("\r\n" + unfolded(card) + "\r\n").find("\r\n" + line + "\r\n") != std::string::npos;
}

}  // namespace contacttest
