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
    EXPECT_EQ(*block, "From: a@b.c\nDate: x\n");
}

TEST(StoredHeaders, WritesAColonAfterBlanksRightAfterTheFieldName) {
    const auto block = FilterStoredHeaders("From : a@b.c\nDate\t: x\nX-Y:z\n", "\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, "From: a@b.c\nDate: x\nX-Y:z\n");
}

TEST(StoredHeaders, NeverLetsALineEndOrContinuationStartTheBlock) {
    const auto block =
        FilterStoredHeaders("\tstray continuation\r\nFrom: a@b.c\rx\r\nDate: d\r\n", "\r\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, "From: a@b.c x\r\nDate: d\r\n");
}

TEST(StoredHeaders, AMimeVersionLineLeavesTheDroppingStateAsItIs) {
    const auto block = FilterStoredHeaders(
        "From: a\nDate: d\nContent-Type: text/plain\nMIME-Version: 1.0\n\t(comment)\nX: y\n", "\n");
    ASSERT_TRUE(block);
    EXPECT_EQ(*block,
              "From: a\nDate: d\nMIME-Version: 1.0 (Processed through Mailwright MIME Engine V "
              "2.1)\nX: y\n");
}

}  // namespace
}  // namespace mailwright::formats
