// Damaged attachments: the part stops, a line goes to the system log, and
// the rest of the message is written.
#include <gtest/gtest.h>

#include "formats/sample_messages.h"
#include "platform/system_log.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

bool logged(const platform::ScopedLogCapture& log, const std::string& text) {
    for (const std::string& line : log.lines()) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(MimeFailures, ADamagedValueAttachmentIsLoggedAndTheNextOneWritten) {
    pstbuild::Message m = mail("Damaged");
    pstbuild::Attachment broken = file_attachment("broken.bin", "", {});
    // Attachment data that is an integer, not bytes.
    broken.extra.push_back(pstbuild::ExtraProperty::of(0x3701, pstbuild::pv_long(7)));
    m.attachments = {broken, file_attachment("fine.txt", "text/plain", bytes_of("fine"))};
    platform::ScopedLogCapture log;
    const std::string text = write_message(m);
    EXPECT_TRUE(logged(log, "attachment \"broken.bin\" is incomplete"));
    EXPECT_NE(text.find("filename=\"fine.txt\"\r\n\r\n\r\nZmluZQ==\r\n\r\n"), std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("--\r\n\r\n\r\n"));
}

TEST(MimeFailures, ADamagedEmbeddedMessageIsLoggedAndLeftEmpty) {
    pstbuild::Message m = mail("Damaged embedded");
    pstbuild::Attachment broken;
    broken.filename = "broken";
    broken.method = pstbuild::kAttachEmbeddedMessage;
    // Too short to name the subnode of the message.
    broken.extra.push_back(pstbuild::ExtraProperty::of(0x3701, pstbuild::pv_binary({0x01, 0x02})));
    m.attachments = {broken, file_attachment("fine.txt", "text/plain", bytes_of("fine"))};
    platform::ScopedLogCapture log;
    const std::string text = write_message(m);
    EXPECT_TRUE(logged(log, "attached message \"broken\" is incomplete"));
    EXPECT_NE(text.find("Content-Type: message/rfc822\r\nContent-Transfer-Encoding: 7bit\r\n"
                        "Content-Disposition: attachment\r\n\r\n\r\n--"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ZmluZQ=="), std::string::npos);
}

}  // namespace
TEST(MimeFailures, TooMuchWorkForOneMessageGivesUpTheWholeMessage) {
    // The embedded parts do not swallow the fault: the message is skipped.
    EXPECT_THROW(write_built(psttest::fan_out_mailbox(24)), pstread::work_limit_reached);
}

}  // namespace mailwright::formats
