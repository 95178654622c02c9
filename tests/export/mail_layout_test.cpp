// Where a run's mail goes: a folder tree that mirrors the PST, safe and
// unique names (hostile folder names included), mailboxes split by size
// (the size rule at its 64-bit edge, parts never overwritten), read and
// unread mail apart, and message files numbered per folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "export/export_fixture.h"
#include "export/mbox_mailbox.h"
#include "support/property_value.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;
using namespace exporttest;

class MailLayoutTest : public ExportTest {};

TEST_F(MailLayoutTest, FolderTreeIsMirroredWithOneMailboxPerMailFolder) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    inbox.messages = {mail("one"), mail("two"), mail("three")};
    inbox.add_folder("Sub").messages = {mail("four"), mail("five")};
    box.top().add_folder("Contacts", "IPF.Contact").messages = {mail("contact")};
    box.top().add_folder("Notes", "IPF.StickyNote").messages = {mail("note")};
    const auto session = open_session(psttest::build_file(box));

    const auto r = run(settings(all_folders(session)));
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount, 5u);
    const std::string top = "mail.pst/Ann/Top of Personal Folders/";
    EXPECT_EQ(files_below(out()), (std::vector<std::string>{
                                      "mail.pst/.mailwright-source",  // names the PST file
                                      "mail.pst/Ann/Ann.mbox",
                                      "mail.pst/Ann/Search Root/Search Root.mbox",
                                      top + "Contacts/contact_1.vcf",
                                      top + "Deleted Items/Deleted Items.mbox",
                                      top + "Inbox/Inbox.mbox",
                                      top + "Inbox/Sub/Sub.mbox",
                                      top + "Top of Personal Folders.mbox",
                                      "report.txt",
                                  }));
    EXPECT_EQ(mbox_messages(out() / (top + "Inbox/Inbox.mbox")), 3u);
    EXPECT_EQ(mbox_messages(out() / (top + "Inbox/Sub/Sub.mbox")), 2u);
    EXPECT_NE(slurp(out() / (top + "Inbox/Sub/Sub.mbox")).find("Subject: five"), std::string::npos);
}

TEST_F(MailLayoutTest, HostileFolderNamesStayInsideTheOutputFolder) {
    std::string cjk;
    for (int i = 0; i < 300; ++i) {
        cjk += "\u6587";
    }
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    const std::vector<std::string> names = {"..", ".", "a/b",         "c:d", std::string("\0", 1),
                                            "",   cjk, "../../escape"};
    for (const std::string& name : names) {
        pstbuild::Folder& f = box.top().add_folder(name);
        f.messages = {mail("in " + name)};
        f.add_folder("..").messages = {mail("below " + name)};
    }
    const auto session = open_session(psttest::build_file(box));
    const auto folders = all_folders(session);
    const auto r = run(settings(folders));
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount, 2 * names.size());

    std::size_t messages = 0;
    const std::string inside = fs::canonical(out()).string() + "/";
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
    for (const auto& entry : fs::recursive_directory_iterator(out())) {
        EXPECT_EQ(fs::weakly_canonical(entry.path()).string().rfind(inside, 0), 0u) << entry.path();
        EXPECT_LE(entry.path().filename().string().size(), 255u);
        if (entry.path().extension() == ".mbox") {
            messages += mbox_messages(entry.path());
        }
    }
    EXPECT_EQ(messages, 2 * names.size());
    // Names go through the safe-name rule, at every level.
    const fs::path top = out() / "mail.pst/Ann/Top of Personal Folders";
    EXPECT_TRUE(fs::is_regular_file(top / "_.." / "_.." / "_...mbox"));
    EXPECT_TRUE(
        fs::is_regular_file(top / "..\u2215..\u2215escape" / "..\u2215..\u2215escape.mbox"));
}

TEST_F(MailLayoutTest, MailboxesAreSplitBySizeIntoNumberedParts) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Small").messages = {mail("tiny")};
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    std::string body;
    while (body.size() < 300000) {
        body += std::string(74, 'x') + "\r\n";
    }
    for (int i = 0; i < 7; ++i) {
        pstbuild::Message m = mail("big " + std::to_string(i));
        m.body = body;
        // Stored size 300,000: x 1.4 = 420,000, so three messages fit in 1 MB.
        m.extra.push_back(pstbuild::ExtraProperty::of(0x0E08, pstbuild::pv_long(300000)));
        inbox.messages.push_back(m);
    }
    const auto session = open_session(psttest::build_file(box));
    _ExportSettings s = settings({folder_at(session, "Ann/Top of Personal Folders/Inbox"),
                                  folder_at(session, "Ann/Top of Personal Folders/Small")});
    ASSERT_EQ(s.ExportItems[0]->contentCount(), 7);
    s.MaxMBOXSizeInMB = 1;
    const auto r = run(s);
    EXPECT_EQ(r.result.status, Success) << r.log;
    const fs::path dir = out() / "mail.pst/Ann/Top of Personal Folders/Inbox";
    EXPECT_FALSE(fs::exists(dir / "Inbox.mbox"));
    EXPECT_EQ(mbox_messages(dir / "Inbox_Part_0.mbox"), 3u);
    EXPECT_EQ(mbox_messages(dir / "Inbox_Part_1.mbox"), 3u);
    EXPECT_EQ(mbox_messages(dir / "Inbox_Part_2.mbox"), 1u);
    // A mailbox that never overflows keeps its plain name.
    EXPECT_EQ(mbox_messages(out() / "mail.pst/Ann/Top of Personal Folders/Small/Small.mbox"), 1u);
}

TEST_F(MailLayoutTest, SplitPartsAreNumberedPastTakenNamesAndTheLimitIs64Bits) {
    const auto path = [this](const std::string& name) { return (out() / name).string(); };
    // A message larger than the limit leaves even an empty part behind.
    SplittableMailbox big(path("Big.mbox"));
    big.splitIfOver(800000, 1048576);
    EXPECT_EQ(big.currentPath(), path("Big_Part_1.mbox"));
    EXPECT_EQ(fs::file_size(path("Big_Part_0.mbox")), 0u);
    big.splitIfOver(800000, 1048576);
    EXPECT_EQ(big.currentPath(), path("Big_Part_2.mbox"));
    big.splitIfOver(1, 0);  // no limit: never splits
    EXPECT_EQ(big.currentPath(), path("Big_Part_2.mbox"));

    SplittableMailbox large(path("Large.mbox"));
    const std::uint64_t limit = 2048ull * 1048576;  // 2,147,483,648
    large.splitIfOver(1533916891, limit);           // x 1.4 = 2,147,483,647.4
    EXPECT_EQ(large.currentPath(), path("Large.mbox"));
    large.splitIfOver(1533916892, limit);  // x 1.4 = 2,147,483,648.8
    EXPECT_EQ(large.currentPath(), path("Large_Part_1.mbox"));

    // Parts that exist are never overwritten.
    std::ofstream(path("Mail_Part_0.mbox")) << "from an earlier folder";
    std::ofstream(path("Mail_Part_1.mbox")) << "from an earlier folder";
    SplittableMailbox taken(path("Mail.mbox"));
    ASSERT_TRUE(taken.write("first"));
    taken.splitIfOver(100, 10);
    EXPECT_EQ(slurp(path("Mail_Part_0.mbox")), "from an earlier folder");
    EXPECT_EQ(slurp(path("Mail_Part_1.mbox")), "from an earlier folder");
    EXPECT_EQ(slurp(path("Mail_Part_2.mbox")), "first");
    EXPECT_EQ(taken.currentPath(), path("Mail_Part_3.mbox"));
}

TEST_F(MailLayoutTest, ReadAndUnreadMailGoApart) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {mail("r1"), mail("u1", false), mail("r2"),
                                              mail("u2", false), mail("u3", false)};
    const auto session = open_session(psttest::build_file(box));
    const auto inbox = folder_at(session, "Ann/Top of Personal Folders/Inbox");
    const fs::path dir = out() / "mail.pst/Ann/Top of Personal Folders/Inbox";

    _ExportSettings s = settings({inbox});
    s.ReadUnreadSeparated = true;
    EXPECT_EQ(run(s).result.mailCount, 5u);
    EXPECT_EQ(mbox_messages(dir / "Read Mails.mbox"), 2u);
    EXPECT_EQ(mbox_messages(dir / "Unread Mails.mbox"), 3u);
    EXPECT_NE(slurp(dir / "Unread Mails.mbox").find("Subject: u3"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "Inbox.mbox"));

    fs::remove_all(out() / "mail.pst");
    s.MailFormat = kMailFormatEML;
    EXPECT_EQ(run(s).result.mailCount, 5u);
    EXPECT_EQ(files_below(dir),
              (std::vector<std::string>{"Read Mails/r1_1.eml", "Read Mails/r2_3.eml",
                                        "Unread Mails/u1_2.eml", "Unread Mails/u2_4.eml",
                                        "Unread Mails/u3_5.eml"}));
}

TEST_F(MailLayoutTest, MessageFilesAreNamedBySubjectAndNumberedPerFolder) {
    std::string eighty(80, 's');
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {mail("Same"), mail("Same"), mail(""), mail("a/b: c"),
                                              mail(eighty)};
    box.top().add_folder("Inbox").messages = {mail("Same")};  // a second folder "Inbox"
    const auto session = open_session(psttest::build_file(box));
    auto folders = all_folders(session);
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [](const auto& f) { return f->folderName() != "Inbox"; }),
                  folders.end());
    ASSERT_EQ(folders.size(), 2u);
    const auto r = run(settings(folders, kMailFormatEML));
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount, 6u);
    const fs::path dir = out() / "mail.pst/Ann/Top of Personal Folders/Inbox";
    // Both folders share the directory; the second folder's "Same_1.eml"
    // does not write into the first folder's file.
    EXPECT_EQ(files_below(dir),
              (std::vector<std::string>{"Same_1 (1).eml", "Same_1.eml", "Same_2.eml", "_3.eml",
                                        "a\u2215b- c_4.eml", std::string(60, 's') + "..._5.eml"}));
    for (const auto& name : files_below(dir)) {
        EXPECT_EQ(slurp(dir / name).find("From - "), std::string::npos) << name;
        EXPECT_NE(slurp(dir / name).find("\r\n\r\n"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace mailwright::exporting
