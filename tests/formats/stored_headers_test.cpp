// Filtering of stored Internet headers: which lines are kept, dropped or
// replaced, and when the block is usable at all.
#include "formats/stored_headers.h"

#include <gtest/gtest.h>

namespace mailwright::formats {
namespace {

TEST(StoredHeaders, KeepDropOrReplaceEachLine) {
    const std::string v = std::string(kProcessedMimeVersion) + "\n";
    const struct {
        const char* what;
        const char* stored;
        std::string expected;  // "unusable" when the block is not used
    } cases[] = {
        {"content headers go with their continuations, Received stays",
         "Received: from a\r\n\tby b\r\nFrom: Ann <ann@example.com>\r\nDate: Mon, 5 Jan 2009 "
         "15:04:05 +0000\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"x\"\r\nSubject: "
         "hi\r\n\tthere\r\nMIME-Version: 1.0\r\nCONTENT-TRANSFER-ENCODING: 7bit\r\n\r\n",
         "Received: from a\n\tby b\nFrom: Ann <ann@example.com>\nDate: Mon, 5 Jan 2009 "
         "15:04:05 +0000\nSubject: hi\n\tthere\n" +
             v},
        {"no Date line", "From: a@b.c\r\nSubject: x\r\n", "unusable"},
        {"no From line", "Date: Mon, 5 Jan 2009 15:04:05 +0000\r\n", "unusable"},
        {"Delivery-Date is no Date line", "From: a@b.c\nDelivery-Date: x\n", "unusable"},
        {"field names in any case", "from: a@b.c\ndate: x\n", "from: a@b.c\ndate: x\n" + v},
        {"lines that are no headers, and a boundary line ends the block",
         "From foo@bar Mon Jan  5 15:04:05 2009\nFrom: a@b.c\nnot a header\nDate: x\n"
         "--boundary\nX-After: dropped\n",
         "From: a@b.c\nDate: x\n" + v},
        {"blanks before the colon", "From : a@b.c\nDate\t: x\nX-Y:z\n",
         "From: a@b.c\nDate: x\nX-Y:z\n" + v},
        {"a stray continuation or line end never starts the block",
         "\tstray continuation\nFrom: a@b.c\rx\nDate: d\n", "From: a@b.c x\nDate: d\n" + v},
        // The writer adds Status from the item's read flag.
        {"mailbox flags", "From: a\nStatus: RO\nX-Status: D\n\tF\nstatus:N\nDate: d\n",
         "From: a\nDate: d\n" + v},
        {"only the flag field names themselves",
         "From: a\nStatus-Report: x\nX-Status-Y: z\nDate: d\n",
         "From: a\nStatus-Report: x\nX-Status-Y: z\nDate: d\n" + v},
        {"one MIME-Version, without the stored one's comment lines",
         "From: a\nMIME-Version: 1.0\n\t(comment)\nDate: d\nMime-Version: 1.0\nX: y\n",
         "From: a\n" + v + "Date: d\nX: y\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilterStoredHeaders(c.stored, "\n").value_or("unusable"), c.expected) << c.what;
    }
    // The line end is the caller's.
    EXPECT_EQ(FilterStoredHeaders("From: a\nDate: d\n", "\r\n").value_or(""),
              "From: a\r\nDate: d\r\n" + std::string(kProcessedMimeVersion) + "\r\n");
}

}  // namespace
}  // namespace mailwright::formats
