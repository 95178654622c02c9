// Which messages are signed or encrypted.
#include <gtest/gtest.h>

#include "formats/sample_messages.h"
#include "formats/secure_kind.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

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
