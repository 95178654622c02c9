// What strict mail readers rely on: the mailbox read flag from the item in
// both header blocks, charsets on text attachments, and the same bytes for
// the same file.
#include <gtest/gtest.h>

#include <string>

#include "formats/sample_messages.h"
#include "formats/text_charset.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

TEST(MimeFidelity, StatusComesFromTheReadFlagWithStoredOrSynthesizedHeaders) {
    const struct {
        bool storedHeaders;
        bool read;
        const char* status;
    } cases[] = {{false, true, "Status: R\r\n"},
                 {false, false, "Status: N\r\n"},
                 {true, true, "Status: R\r\n"},
                 {true, false, "Status: N\r\n"}};
    for (const auto& c : cases) {
        pstbuild::Message m = stored_headers(true);
        if (c.storedHeaders) {
            // A stored flag saying the opposite is replaced, not repeated.
            m.transport_headers += c.read ? "Status: O\r\n" : "Status: RO\r\nX-Status: A\r\n";
        } else {
            m.transport_headers.clear();
        }
        m.read = c.read;
        const std::string headers = headers_of(write_message(m));
        EXPECT_NE(headers.find(c.status), std::string::npos) << headers;
        EXPECT_EQ(headers.find("Status:"), headers.rfind("Status:")) << headers;
    }
}

TEST(MimeFidelity, TextAttachmentsCarryTheCharsetOfTheirBytes) {
    const struct {
        std::string mimeType;
        std::string data;
        const char* contentType;
    } cases[] = {
        {"text/plain", "plain", "text/plain; charset=\"us-ascii\"; name=\"a.txt\""},
        {"text/csv", "Caf\xC3\xA9", "text/csv; charset=\"utf-8\"; name=\"a.txt\""},
        {"TEXT/plain", "Caf\xE9", "TEXT/plain; charset=\"windows-1252\"; name=\"a.txt\""},
        {"text/plain; charset=koi8-r", "\xF0", "text/plain; charset=koi8-r; name=\"a.txt\""},
        {"image/png", "\x89PNG", "image/png; name=\"a.txt\""},
    };
    for (const auto& c : cases) {
        pstbuild::Message m = mail("Attachment");
        m.body = "Body";
        pstbuild::Attachment a;
        a.filename = "a.txt";
        a.mime_type = c.mimeType;
        a.data.assign(c.data.begin(), c.data.end());
        m.attachments.push_back(a);
        const std::string text = write_message(m);
        EXPECT_NE(text.find("Content-Type: " + std::string(c.contentType) + "\r\n"),
                  std::string::npos)
            << text;
    }
}

TEST(MimeFidelity, Utf8ValidatorFollowsSequencesAcrossBlocks) {
    const struct {
        std::vector<std::string> blocks;
        bool ascii;
        bool valid;
    } cases[] = {
        {{"abc", ""}, true, true},
        {{"\xF0\x9F", "\x98\x80"}, false, true},  // U+1F600 split
        {{"\xC3"}, false, false},                 // cut short
        {{"\xC0\xAF"}, false, false},             // overlong
        {{"\xED\xA0\x80"}, false, false},         // surrogate
        {{"\xF4\x90\x80\x80"}, false, false},     // above U+10FFFF
        {{"\xE9t\xE9"}, false, false},            // windows-1252
    };
    for (const auto& c : cases) {
        Utf8Validator validator;
        for (const std::string& block : c.blocks) {
            validator.add(block);
        }
        EXPECT_EQ(validator.isAscii(), c.ascii) << c.blocks[0];
        EXPECT_EQ(validator.isValid(), c.valid) << c.blocks[0];
    }
}

TEST(MimeFidelity, TheSameFileGivesTheSameBytes) {
    const std::vector<pstbuild::Message> messages = {inline_images_and_attachment(),
                                                     embedded_message(), bare_message()};
    for (const bool mbox : {false, true}) {
        const auto first = write_messages(messages, {.mbox = mbox});
        EXPECT_EQ(write_messages(messages, {.mbox = mbox}), first);
    }
}

}  // namespace
}  // namespace mailwright::formats
