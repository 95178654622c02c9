// Builder mailboxes written through the MIME writer, and builder messages
// for each MIME structure it produces (the golden files hold what the writer
// makes of them, the Python check parses all of them). Messages are stored
// in a PST held in memory, read back with the messaging layer and written
// with a writer whose time zone is fixed; boundaries and Message-IDs come
// from the file's store and the messages, so the output is the same on
// every run.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "formats/mime_mail_writer.h"
#include "pstread/pst/mailbox_file.h"
#include "pstread/pst/property_ids.h"
#include "pstread/pst/pst.h"
#include "support/guid.h"
#include "support/mailbox.h"
#include "support/property_value.h"

namespace mimetest {

using mailwright::formats::MIMEMailWriter;

inline constexpr const char* kInboxPath = "Top of Personal Folders/Inbox";

// 2009-01-05 15:04:05 UTC, a Monday.
inline constexpr std::int64_t kMonday = 1231167845;

struct WriteOptions {
    bool mbox = false;
    pstbuild::Variant variant = pstbuild::Variant::unicode;
    std::uint32_t defaultCodePage = 1252;  // the writer's (the session's) code page
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
                                         pstbuild::Variant variant = pstbuild::Variant::unicode) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.code_page = 1252;  // the code page ANSI files store text in
    box.top().children[1].messages = std::move(messages);
    return psttest::build_file(box, variant);
}

// Each Inbox message of the built file written by one writer, as separate
// texts.
inline std::vector<std::string> write_built(const psttest::BuiltMailbox& built,
                                            const WriteOptions& options = {}) {
    pstread::pst file(built.open());
    const pstread::folder inbox = file.open_folder(built.folder_nid(kInboxPath));
    MIMEMailWriter writer(options.mbox, options.mbox, options.variant == pstbuild::Variant::unicode,
                          options.defaultCodePage);
    writer.setSystemTimeZone(*mailwright::text::DateTimeZone::from_id(options.zone));
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
    return write_built(build_inbox(std::move(messages), options.variant), options);
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

using pstbuild::Attachment;
using pstbuild::ExtraProperty;
using pstbuild::Message;

inline std::vector<std::uint8_t> bytes_of(std::string_view text) {
    return {text.begin(), text.end()};
}

// Bytes 0 to 255 repeated: every byte value, longer than one base64 block
// line.
inline std::vector<std::uint8_t> all_byte_values(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    return data;
}

inline Attachment file_attachment(std::string name, std::string type,
                                  std::vector<std::uint8_t> data) {
    Attachment a;
    a.filename = std::move(name);
    a.mime_type = std::move(type);
    a.data = std::move(data);
    return a;
}

inline Attachment inline_image(std::string name, std::string content_id) {
    Attachment a =
        file_attachment(std::move(name), "image/png", bytes_of("\x89PNG\r\n\x1a\n" + content_id));
    a.content_id = std::move(content_id);
    return a;
}

// A mail whose bodies are stored in UTF-8.
inline Message utf8_mail(std::string subject, std::optional<std::string> body,
                         std::optional<std::string> html = {}) {
    Message m = mail(std::move(subject));
    m.internet_code_page = 65001;
    m.body = std::move(body);
    m.html = std::move(html);
    return m;
}

inline Message plain_only() {
    Message m = mail("Plain only");
    m.internet_code_page = 1252;
    m.body =
        "Gr\xC3\xBC\xC3\x9F"
        "e aus Berlin\r\nFrom the office\r\n>From a quote\r\n";
    m.recipients.push_back(pstbuild::make_recipient("Bob Example", "bob@example.com"));
    return m;
}

inline Message html_only() {
    Message m =
        utf8_mail("HTML only", {}, "<html><body><p>Caf\xC3\xA9</p>\r\nFrom here</body></html>");
    return m;
}

inline Message plain_and_html() {
    Message m = utf8_mail("Plain and HTML", "Plain text\r\n", "<p>HTML text</p>");
    return m;
}

inline Message plain_html_and_attachment() {
    Message m = plain_and_html();
    m.subject = "Plain, HTML and an attachment";
    m.attachments.push_back(file_attachment("report.pdf", "application/pdf", all_byte_values(300)));
    return m;
}

inline Message inline_images() {
    Message m = utf8_mail("Two inline images", {},
                          "<p><img src=\"cid:first\"><img src=\"cid:second\"></p>");
    m.attachments.push_back(inline_image("first.png", "first"));
    m.attachments.push_back(inline_image("second.png", "second"));
    return m;
}

inline Message inline_images_and_attachment() {
    Message m = inline_images();
    m.subject = "Inline images, a file and both bodies";
    m.body = "Both bodies\r\n";
    m.attachments.insert(m.attachments.begin(),
                         file_attachment("notes.txt", "text/plain", bytes_of("notes\r\n")));
    return m;
}

inline Message hidden_inline_image() {
    Message m = utf8_mail("Hidden inline image", {}, "<p>No picture</p>");
    Attachment a = inline_image("hidden.png", "hidden");
    a.flags = 0x2;  // attRenderedInBody
    m.attachments.push_back(a);
    return m;
}

inline Message embedded_message() {
    auto inner =
        std::make_shared<Message>(utf8_mail("Inner message", "Inner body\r\nFrom inside\r\n"));
    inner->attachments.push_back(file_attachment("inner.bin", "", all_byte_values(120)));
    Message m = utf8_mail("Outer message", "Outer body\r\n");
    Attachment a;
    a.filename = "Inner message";
    a.embedded = inner;
    m.attachments.push_back(a);
    return m;
}

inline const char* kRtfPlain =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 "
    "Hello from RTF\\par\nSecond line\\par}";
inline const char* kRtfPicture =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Picture: "
    "{\\pict\\pngblip\\picw10\\pich10\\bliptag42 89504e470d0a1a0a0000000d49484452}\\par}";

inline Message rtf_only(bool picture) {
    Message m = mail(picture ? "RTF with a picture" : "RTF only");
    m.rtf = picture ? kRtfPicture : kRtfPlain;
    return m;
}

inline const char* kSignedEntity =
    "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\";\r\n"
    "\tmicalg=sha-256; boundary=\"sig\"\r\n"
    "X-Dropped: not a content header\r\n"
    "\r\n"
    "--sig\r\n"
    "Content-Type: text/plain\r\n"
    "\r\n"
    "From the signer\r\n"
    "--sig\r\n"
    "Content-Type: application/pkcs7-signature; name=\"smime.p7s\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "AAECAwQ=\r\n"
    "--sig--\r\n";

inline Message signed_message() {
    Message m = mail("Signed");
    m.message_class = "IPM.Note.SMIME.MultipartSigned";
    m.attachments.push_back(
        file_attachment("smime.p7m", "multipart/signed", bytes_of(kSignedEntity)));
    return m;
}

inline Message opaque_message(bool contentTypeProperty) {
    Message m = mail("Encrypted");
    m.message_class = "IPM.Note.SMIME";
    Attachment a = file_attachment("smime.p7m", "application/pkcs7-mime", all_byte_values(200));
    m.attachments.push_back(a);
    if (contentTypeProperty) {
        m.extra.push_back(ExtraProperty::of_named_text(
            {pstbuild::kPsInternetHeaders, 0, "content-type"},
            "application/pkcs7-mime; smime-type=enveloped-data; name=\"smime.p7m\""));
    }
    return m;
}

inline const char* kStoredHeaders =
    "Received: from mx.example.com by mail.example.org\r\n"
    "\twith ESMTP id 42; Mon, 5 Jan 2009 15:04:06 +0000\r\n"
    "From: Ann Example <ann@example.com>\r\n"
    "To: bob@example.com\r\n"
    "Subject: Stored headers\r\n"
    "Date: Mon, 5 Jan 2009 15:04:05 +0000\r\n"
    "Message-ID: <stored@example.com>\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/alternative;\r\n"
    "\tboundary=\"original\"\r\n"
    "X-Mailer: Example Mailer\r\n";

inline Message stored_headers(bool usable) {
    Message m = utf8_mail(usable ? "Stored headers" : "Stored headers without a date", "Body\r\n");
    std::string headers = kStoredHeaders;
    if (!usable) {
        headers.erase(headers.find("Date:"), headers.find("Message-ID:") - headers.find("Date:"));
    }
    m.transport_headers = headers;
    return m;
}

// Nothing but a class: no subject, sender, recipients, times, flags or body.
inline Message bare_message() {
    Message m;
    m.sender = {};
    m.omit = {0x0E07, 0x0017, 0x0036, 0x0E08};  // flags, importance, sensitivity, size
    return m;
}

// Attachments that hold no bytes of their own (by reference, with and
// without a path) and OLE objects (with a file name, a display name only,
// and neither).
inline Message by_reference_attachments() {
    Message m = utf8_mail("Attachments by reference", "See the links\r\n");
    const auto reference = [](std::int32_t method, std::string name, std::string path) {
        Attachment a;
        a.filename = std::move(name);
        a.method = method;
        if (!path.empty()) {
            a.extra.push_back(ExtraProperty::of_text(0x370D, path));
        }
        return a;
    };
    m.attachments.push_back(
        reference(pstbuild::kAttachByReference, "plan.doc", "\\\\server\\share\\plan.doc"));
    m.attachments.push_back(reference(4, "", "https://example.com/a.pdf"));
    m.attachments.push_back(reference(pstbuild::kAttachByReference, "link.url", ""));
    const auto object = [](std::string name, std::string display, std::size_t size) {
        Attachment a;
        a.filename = std::move(name);
        a.display_name = std::move(display);
        a.method = pstbuild::kAttachOle;
        a.data = all_byte_values(size);
        a.data[0] = 0xD0;  // a compound file's signature starts so
        return a;
    };
    m.attachments.push_back(object("ATT51928", "", 40));
    m.attachments.push_back(object("", "Bitmap Image", 3));
    m.attachments.push_back(object("", "", 1));
    m.attachments.push_back(file_attachment("after.txt", "text/plain", bytes_of("after")));
    return m;
}

inline Message non_ascii_names() {
    Message m = utf8_mail("R\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
                          "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n");
    m.sender = {"J\xC3\xBCrgen M\xC3\xBCller", "juergen@example.com"};
    m.attachments.push_back(
        file_attachment("r\xC3\xA9sum\xC3\xA9.pdf", "application/pdf", bytes_of("%PDF")));
    return m;
}

// Every header the synthesized block can hold.
inline Message every_header() {
    Message m = mail("Hello");
    m.subject_prefix = "RE: ";
    m.sender = {"Sam Sender", "sam@example.com"};
    m.sent_representing = pstbuild::Person{"Ann Example", "ann@example.com"};
    m.read = false;
    m.recipients = {
        pstbuild::make_recipient("Bob", "bob@example.com"),
        pstbuild::make_recipient("Carl", "carl@example.com"),
        pstbuild::make_recipient("Dora", "dora@example.com", pstbuild::RecipientType::cc),
        pstbuild::make_recipient("Eve", "eve@example.com", pstbuild::RecipientType::bcc)};
    m.priority = 1;
    m.importance = 2;
    m.internet_message_id = "<id@example.com>";
    m.in_reply_to = "<parent@example.com>";
    m.references = "<root@example.com> <parent@example.com>";
    m.extra = {ExtraProperty::of_text(0x1046, "bounce@example.com"),
               ExtraProperty::of_text(pstread::pid_tag_reply_recipient_names, "Fay; Gus"),
               ExtraProperty::of_text(0x3FFC, "fay@example.com, gus@example.com")};
    return m;
}

// Every sample, for the checks that take them all.
inline std::vector<Message> all_samples() {
    return {plain_only(),
            html_only(),
            plain_and_html(),
            plain_html_and_attachment(),
            inline_images(),
            inline_images_and_attachment(),
            hidden_inline_image(),
            embedded_message(),
            rtf_only(false),
            rtf_only(true),
            signed_message(),
            opaque_message(false),
            opaque_message(true),
            stored_headers(true),
            stored_headers(false),
            bare_message(),
            by_reference_attachments(),
            non_ascii_names()};
}

}  // namespace mimetest
