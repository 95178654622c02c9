// Splitting mailboxes: the size rule at its 64-bit edge, the "_Part_N"
// renames, and parts that are never overwritten.
#include <gtest/gtest.h>

#include <fstream>

#include "export/export_fixture.h"
#include "export/mbox_mailbox.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;
using exporttest::ExportTest;
using exporttest::slurp;

class MailboxFileTest : public ExportTest {
protected:
    std::string path(const std::string& name) const { return (out() / name).string(); }
};

TEST_F(MailboxFileTest, AMessageLargerThanTheLimitLeavesEvenAnEmptyPartBehind) {
    SplittableMailbox box(path("Big.mbox"));
    box.splitIfOver(800000, 1048576);
    EXPECT_EQ(box.currentPath(), path("Big_Part_1.mbox"));
    EXPECT_EQ(fs::file_size(path("Big_Part_0.mbox")), 0u);
    box.splitIfOver(800000, 1048576);
    EXPECT_EQ(box.currentPath(), path("Big_Part_2.mbox"));
    box.splitIfOver(1, 0);  // no limit: never splits
    EXPECT_EQ(box.currentPath(), path("Big_Part_2.mbox"));
}

TEST_F(MailboxFileTest, LimitsOf2048MBAndMoreAreComparedIn64Bits) {
    SplittableMailbox box(path("Large.mbox"));
    const std::uint64_t limit = 2048ull * 1048576;  // 2,147,483,648
    box.splitIfOver(1533916891, limit);             // x 1.4 = 2,147,483,647.4
    EXPECT_EQ(box.currentPath(), path("Large.mbox"));
    box.splitIfOver(1533916892, limit);  // x 1.4 = 2,147,483,648.8
    EXPECT_EQ(box.currentPath(), path("Large_Part_1.mbox"));
}

TEST_F(MailboxFileTest, PartsThatExistAreNeverOverwritten) {
    std::ofstream(path("Mail_Part_0.mbox")) << "from an earlier folder";
    std::ofstream(path("Mail_Part_1.mbox")) << "from an earlier folder";
    SplittableMailbox box(path("Mail.mbox"));
    ASSERT_TRUE(box.write("first"));
    box.splitIfOver(100, 10);
    EXPECT_EQ(slurp(path("Mail_Part_0.mbox")), "from an earlier folder");
    EXPECT_EQ(slurp(path("Mail_Part_1.mbox")), "from an earlier folder");
    EXPECT_EQ(slurp(path("Mail_Part_2.mbox")), "first");
    EXPECT_EQ(box.currentPath(), path("Mail_Part_3.mbox"));
}

}  // namespace
}  // namespace mailwright::exporting
