// The nesting and work bounds of embedded messages, identities that repeat,
// the header block a subject prefix asks for, and which messages are signed
// or encrypted. The MIME structure of each kind of message is held byte for
// byte by the golden files.
#include <gtest/gtest.h>

#include <string>

#include "formats/sample_messages.h"
#include "formats/secure_kind.h"
#include "platform/system_log.h"
#include "test_files.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;
using testfiles::count_of;

TEST(MimeStructure, EmbeddedMessagesStopAtTheDepthLimit) {
    EXPECT_NE(write_message(psttest::embedding_chain(kMaxEmbeddedMessageDepth))
                  .find("Subject: deepest\r\n"),
              std::string::npos);
    // One deeper than written: every level has its part, the deepest none.
    platform::ScopedLogCapture log;
    const std::string text = write_message(psttest::embedding_chain(kMaxEmbeddedMessageDepth + 1));
    EXPECT_EQ(count_of(text, "Content-Type: message/rfc822"), kMaxEmbeddedMessageDepth + 1);
    EXPECT_EQ(text.find("Subject: deepest"), std::string::npos);
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("nested deeper") != std::string::npos;
                            }),
              1);
}

TEST(MimeStructure, SynthesizedMessageIdsComeFromTheMessagesAndRepeat) {
    const auto texts = write_messages({bare_message(), bare_message()});
    ASSERT_EQ(texts.size(), 2u);
    const std::string kStart = "Message-ID: <";
    ASSERT_EQ(texts[0].rfind(kStart, 0), 0u) << texts[0];
    const std::string id = texts[0].substr(kStart.size(), texts[0].find('>') - kStart.size());
    // Two messages differ; the same file written again gives the same bytes.
    EXPECT_EQ(texts[1].find(id), std::string::npos);
    const std::vector<pstbuild::Message> messages = {inline_images_and_attachment(),
                                                     embedded_message(), bare_message()};
    for (const bool mbox : {false, true}) {
        EXPECT_EQ(write_messages(messages, {.mbox = mbox}),
                  write_messages(messages, {.mbox = mbox}));
    }
}

TEST(MimeStructure, ASubjectPrefixAlwaysTakesTheSynthesizedBlock) {
    const psttest::BuiltMailbox built = build_inbox({stored_headers(true)});
    pstread::pst file(built.open());
    pstread::message m = *file.open_folder(built.folder_nid(kInboxPath)).message_begin();
    MIMEMailWriter writer(false, false, true, 1252);
    std::ostringstream out;
    EXPECT_EQ(writer.writeMessage(out, &m, u"[Calendar] "), 0);
    EXPECT_NE(out.str().find("Subject: [Calendar] Stored headers\r\n"), std::string::npos);
    EXPECT_EQ(out.str().find("Received: from mx"), std::string::npos);
    EXPECT_EQ(writer.writeMessage(out, nullptr), -1);
}

TEST(MimeStructure, TooMuchWorkForOneMessageGivesUpTheWholeMessage) {
    // The embedded parts do not swallow the fault: the message is skipped.
    EXPECT_THROW(write_built(psttest::fan_out_mailbox(24)), pstread::work_limit_reached);
}

TEST(SecureKind, DependsOnTheClassTheSingleAttachmentAndItsType) {
    struct Case {
        const char* what;
        std::string messageClass;
        std::string mimeType;
        bool fileName;
        int attachments;
        int kind;
    };
    const Case cases[] = {
        {"class in any case", "ipm.note.smime.multipartsigned", "multipart/signed", true, 1, 1},
        {"x-pkcs7-mime", "IPM.Note.SMIME", "application/x-pkcs7-mime", true, 1, 2},
        {"octet-stream with a file name", "IPM.Note.GpgOL.OpaqueEncrypted",
         "application/octet-stream", true, 1, 2},
        {"octet-stream without a file name", "IPM.Note.SMIME", "application/octet-stream", false, 1,
         0},
        {"two attachments", "IPM.Note.SMIME", "application/pkcs7-mime", true, 2, 0},
        {"ordinary class", "IPM.Note", "application/pkcs7-mime", true, 1, 0},
        {"other type", "IPM.Note.SMIME", "text/plain", true, 1, 0},
    };
    std::vector<pstbuild::Message> messages;
    for (const Case& c : cases) {
        pstbuild::Message m = mail(c.what);
        m.message_class = c.messageClass;
        for (int i = 0; i < c.attachments; ++i) {
            pstbuild::Attachment a = file_attachment("smime.p7m", c.mimeType, bytes_of("data"));
            if (!c.fileName) {
                a.filename.clear();
            }
            m.attachments.push_back(a);
        }
        messages.push_back(m);
    }
    const psttest::BuiltMailbox built = build_inbox(messages);
    pstread::pst file(built.open());
    std::size_t i = 0;
    for (pstread::message m : file.open_folder(built.folder_nid(kInboxPath)).messages()) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(SecureKind(m), cases[i].kind);
        ++i;
    }
    EXPECT_EQ(i, std::size(cases));
}

}  // namespace
}  // namespace mailwright::formats
