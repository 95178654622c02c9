// Builder mailboxes written through the MIME writer, for the writer's tests:
// messages described with the builder are stored in a PST held in memory,
// read back with the messaging layer and written with a writer whose time
// zone is fixed; boundaries and Message-IDs come from the file's store and
// the messages, so the output is the same on every run.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "formats/mime_mail_writer.h"
#include "pstread/pst/mailbox_file.h"
#include "pstread/pst/pst.h"
#include "support/mailbox.h"

namespace mimetest {

using mailwright::formats::MIMEMailWriter;

inline constexpr const char* kInboxPath = "Top of Personal Folders/Inbox";

// 2009-01-05 15:04:05 UTC, a Monday.
inline constexpr std::int64_t kMonday = 1231167845;

struct WriteOptions {
    bool mbox = false;
    pstbuild::Variant variant = pstbuild::Variant::unicode;
    std::uint32_t defaultCodePage = 1252;  // the writer's (the session's) code page
    unsigned mailboxCodePage = 1252;       // the code page ANSI files store text in
    std::string zone = "Europe/Berlin";
    // Resolve the content-type property through the file's named property map.
    bool resolveContentType = false;
};

// A mail from Ann with a subject and a submit time.
inline pstbuild::Message mail(std::string subject) {
    pstbuild::Message m;
    m.subject = std::move(subject);
    m.sender = {"Ann Example", "ann@example.com"};
    m.submit_time = pstbuild::filetime_from_unix(kMonday);
    m.delivery_time = pstbuild::filetime_from_unix(kMonday + 60);
    return m;
}

inline psttest::BuiltMailbox build_inbox(std::vector<pstbuild::Message> messages,
                                         const WriteOptions& options = {}) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.code_page = options.mailboxCodePage;
    box.top().children[1].messages = std::move(messages);
    return psttest::build_file(box, options.variant);
}

inline void make_deterministic(MIMEMailWriter& writer, const WriteOptions& options) {
    writer.setSystemTimeZone(mailwright::text::DateTimeZone::from_id(options.zone)
                                 .value_or(mailwright::text::DateTimeZone::gmt()));
}

// Each Inbox message of the built file written by one writer, as separate
// texts.
inline std::vector<std::string> write_built(const psttest::BuiltMailbox& built,
                                            const WriteOptions& options = {}) {
    pstread::pst file(built.open());
    const pstread::folder inbox = file.open_folder(built.folder_nid(kInboxPath));
    MIMEMailWriter writer(options.mbox, options.mbox, options.variant == pstbuild::Variant::unicode,
                          options.defaultCodePage);
    make_deterministic(writer, options);
    writer.setStoreKey(mailwright::formats::StoreRecordKey(file));
    if (options.resolveContentType) {
        writer.setContentTypePropId(mailwright::formats::ResolveContentTypePropId(file));
    }
    std::vector<std::string> texts;
    for (pstread::message m : inbox.messages()) {
        std::ostringstream out;
        writer.writeMessage(out, &m);
        texts.push_back(out.str());
    }
    return texts;
}

inline std::vector<std::string> write_messages(std::vector<pstbuild::Message> messages,
                                               const WriteOptions& options = {}) {
    return write_built(build_inbox(std::move(messages), options), options);
}

inline std::string write_message(pstbuild::Message message, const WriteOptions& options = {}) {
    return write_messages({std::move(message)}, options).at(0);
}

// The text between the first empty line (the end of the top-level header
// block) and the end.
inline std::string body_of(const std::string& text, const std::string& eol = "\r\n") {
    const std::size_t end = text.find(eol + eol);
    return end == std::string::npos ? std::string() : text.substr(end + 2 * eol.size());
}

}  // namespace mimetest
