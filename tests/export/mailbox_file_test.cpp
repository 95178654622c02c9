// Output files and splitting mailboxes: checked writes that leave no partial
// item behind, files that are never overwritten, and the size rule and
// "_Part_N" renames of split mailboxes.
#include <gtest/gtest.h>

#include <fstream>

#include "export/export_fixture.h"
#include "export/mbox_mailbox.h"
#include "export/output_file.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;
using exporttest::ExportTest;
using exporttest::slurp;

class MailboxFileTest : public ExportTest {
protected:
    std::string path(const std::string& name) const { return (out() / name).string(); }
};

TEST_F(MailboxFileTest, AppendExtendsAndCreateNewRefusesAnExistingFile) {
    std::ofstream(path("a")) << "old";
    OutputFile file = OutputFile::open(path("a"), OutputFile::Mode::append);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.position(), 3u);
    EXPECT_TRUE(file.write("+new"));
    EXPECT_EQ(file.position(), 7u);
    EXPECT_TRUE(file.close());
    EXPECT_EQ(slurp(path("a")), "old+new");

    OutputFile again = OutputFile::open(path("a"), OutputFile::Mode::createNew);
    EXPECT_FALSE(again.isOpen());
    EXPECT_EQ(again.errorNumber(), EEXIST);
    EXPECT_FALSE(again.write("x"));
    EXPECT_EQ(slurp(path("a")), "old+new");
}

TEST_F(MailboxFileTest, AFailedWriteIsReportedAndNotCounted) {
    OutputFile full = OutputFile::open("/dev/full", OutputFile::Mode::append);
    ASSERT_TRUE(full.isOpen());
    EXPECT_FALSE(full.write(std::string(100000, 'x')));
    EXPECT_EQ(full.errorNumber(), ENOSPC);
    EXPECT_FALSE(full.errorText().empty());
    EXPECT_FALSE(full.close());

    OutputFile missing = OutputFile::open(path("no/such/folder"), OutputFile::Mode::append);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(missing.errorNumber(), ENOENT);
}

TEST_F(MailboxFileTest, SizeRuleUsesThePartsSizeAndStoredSizeTimesOnePointFour) {
    // 600,000 bytes + 400,000 x 1.4 = 1,160,000 > 1 MB: split first.
    std::ofstream(path("Inbox.mbox")) << std::string(600000, 'a');
    SplittableMailbox box(path("Inbox.mbox"));
    box.splitIfOver(400000, 1048576);
    EXPECT_EQ(box.currentPath(), path("Inbox_Part_1.mbox"));
    EXPECT_TRUE(fs::exists(path("Inbox_Part_0.mbox")));
    EXPECT_FALSE(fs::exists(path("Inbox.mbox")));
    EXPECT_EQ(fs::file_size(path("Inbox_Part_0.mbox")), 600000u);

    // 300,000 + 530,000 x 1.4 = 1,042,000 fits; 300,000 + 540,000 x 1.4 =
    // 1,056,000 does not.
    EXPECT_TRUE(box.write(std::string(300000, 'b')));
    box.splitIfOver(530000, 1048576);
    EXPECT_EQ(box.currentPath(), path("Inbox_Part_1.mbox"));
    box.splitIfOver(540000, 1048576);
    EXPECT_EQ(box.currentPath(), path("Inbox_Part_2.mbox"));
    EXPECT_EQ(fs::file_size(path("Inbox_Part_1.mbox")), 300000u);
    EXPECT_TRUE(box.close());
}

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
