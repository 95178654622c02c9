// Filtering of stored Internet headers: which lines are kept, dropped or
// replaced, and when the block is usable at all.
#include <gtest/gtest.h>

#include "formats/stored_headers.h"

namespace mailwright::formats {
namespace {

TEST(StoredHeaders, KeepsReceivedLinesAndDropsContentHeadersWithTheirContinuations) {
    const auto block = FilterStoredHeaders(
        "Received: from a\r\n\tby b\r\nFrom: Ann <ann@example.com>\r\nDate: Mon, 5 Jan 2009 "
        "15:04:05 +0000\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"x\"\r\nSubject: "
        "hi\r\n\tthere\r\nMIME-Version: 1.0\r\nCONTENT-TRANSFER-ENCODING: 7bit\r\n\r\n",
        "\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block,
              "Received: from a\n\tby b\nFrom: Ann <ann@example.com>\nDate: Mon, 5 Jan 2009 "
              "15:04:05 +0000\nSubject: hi\n\tthere\n"
              "MIME-Version: 1.0 (Processed through Mailwright MIME Engine V 2.1)\n");
}

TEST(StoredHeaders, IsUsableOnlyWithAFromAndADateLine) {
    EXPECT_FALSE(FilterStoredHeaders("From: a@b.c\r\nSubject: x\r\n", "\r\n"));
    EXPECT_FALSE(FilterStoredHeaders("Date: Mon, 5 Jan 2009 15:04:05 +0000\r\n", "\r\n"));
    EXPECT_FALSE(FilterStoredHeaders("", "\r\n"));
    EXPECT_TRUE(FilterStoredHeaders("from: a@b.c\ndate: x\n", "\r\n"));
    // Delivery-Date is no Date line.
    EXPECT_FALSE(FilterStoredHeaders("From: a@b.c\nDelivery-Date: x\n", "\r\n"));
}

TEST(StoredHeaders, SkipsLinesThatAreNoHeadersAndStopsAtABoundaryLine) {
    const auto block = FilterStoredHeaders(
        "From foo@bar Mon Jan  5 15:04:05 2009\nFrom: a@b.c\nnot a header\nDate: x\n"
        "--boundary\nX-After: dropped\n",
        "\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, "From: a@b.c\nDate: x\n" + std::string(kProcessedMimeVersion) + "\n");
}

TEST(StoredHeaders, WritesAColonAfterBlanksRightAfterTheFieldName) {
    const auto block = FilterStoredHeaders("From : a@b.c\nDate\t: x\nX-Y:z\n", "\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, "From: a@b.c\nDate: x\nX-Y:z\n" + std::string(kProcessedMimeVersion) + "\n");
}

TEST(StoredHeaders, NeverLetsALineEndOrContinuationStartTheBlock) {
    const auto block =
        FilterStoredHeaders("\tstray continuation\r\nFrom: a@b.c\rx\r\nDate: d\r\n", "\r\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, "From: a@b.c x\r\nDate: d\r\n" + std::string(kProcessedMimeVersion) + "\r\n");
}

TEST(StoredHeaders, MailboxFlagsAndExtraMimeVersionsAreDroppedWithTheirContinuations) {
    const std::string kVersion = std::string(kProcessedMimeVersion) + "\n";
    const struct {
        const char* stored;
        std::string expected;
    } cases[] = {
        // The writer adds Status from the item's read flag.
        {"From: a\nStatus: RO\nX-Status: D\n\tF\nstatus:N\nDate: d\n",
         "From: a\nDate: d\n" + kVersion},
        // Only the field names themselves.
        {"From: a\nStatus-Report: x\nX-Status-Y: z\nDate: d\n",
         "From: a\nStatus-Report: x\nX-Status-Y: z\nDate: d\n" + kVersion},
        // One MIME-Version, without the stored one's comment lines.
        {"From: a\nMIME-Version: 1.0\n\t(comment)\nDate: d\nMime-Version: 1.0\nX: y\n",
         "From: a\n" + kVersion + "Date: d\nX: y\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilterStoredHeaders(c.stored, "\n").value_or("unusable"), c.expected) << c.stored;
    }
}

}  // namespace
}  // namespace mailwright::formats
