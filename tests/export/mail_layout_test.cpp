// Where a run's output goes: a folder tree that mirrors the PST, the PST
// suffix, unique paths and the path length limit; safe names (the cut at 65
// characters, the replacements, names that would not name a place of their
// own, the byte limit) with hostile folder names kept inside the output
// folder; mailboxes split by size (the rule at its 64-bit edge, parts never
// overwritten), read and unread mail apart, and message files numbered per
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "export/export_fixture.h"
#include "export/mbox_mailbox.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "formats/text_charset.h"
#include "support/property_value.h"

namespace mailwright::exporting {
namespace {

using namespace exporttest;

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

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
    const std::string cjk = repeat("\u6587", 300);
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

pstbuild::Mailbox nested_mailbox() {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann's Mail");
    box.top().add_folder("Inbox").add_folder("Projects: 2024/25");
    return box;
}

TEST_F(MailLayoutTest, FolderHierarchyNeedsTheBaseFolderAndPassesOverFiles) {
    const auto session = open_session(psttest::build_file(nested_mailbox()), "mail.pst");
    const auto inbox = folder_at(session, "Ann's Mail/Top of Personal Folders/Inbox");
    EXPECT_EQ(FolderHierarchy(inbox, (out() / "missing").string(), -1), std::nullopt);
    EXPECT_FALSE(fs::exists(out() / "missing"));

    // A file where a folder should be: the folder is made beside it as "%@ (1)".
    fs::create_directories(out() / "mail.pst/Ann's Mail");
    std::ofstream(out() / "mail.pst/Ann's Mail/Top of Personal Folders") << "x";
    EXPECT_EQ(*FolderHierarchy(inbox, out().string(), -1),
              (out() / "mail.pst/Ann's Mail/Top of Personal Folders (1)/Inbox").string());
}

TEST_F(MailLayoutTest, SuffixesAndUniquePathsCountPastEveryTakenName) {
    const std::string dir = out().string();
    EXPECT_EQ(PSTSuffix(dir, "mail.pst"), -1);
    fs::create_directory(out() / "mail.pst");
    fs::create_directory(out() / "mail.pst (1)");
    std::ofstream(out() / "mail.pst (2)") << "a file also takes the name";
    EXPECT_EQ(PSTSuffix(dir, "mail.pst"), 3);

    std::ofstream(out() / "Report.txt") << "";
    fs::create_directory(out() / "Report (1).txt");
    EXPECT_EQ(UniquePath(dir, "Report", "txt"), dir + "/Report (2).txt");
    fs::create_symlink(out() / "nowhere", out() / "Dangling");
    EXPECT_EQ(UniquePath(dir, "Dangling"), dir + "/Dangling (1)");

    EXPECT_EQ(PSTFileName("/home/ann/mail.pst"), "mail.pst");
    EXPECT_EQ(PSTFileName("/d/" + std::string(250, 'p')), std::string(228, 'p') + "...");
}

TEST_F(MailLayoutTest, PathLengthLimitIs1024CharactersOfTheWholePath) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("S");
    box.top().add_folder("I");
    const auto session = open_session(psttest::build_file(box));
    const auto inbox = folder_at(session, "S/Top of Personal Folders/I");
    // The folder's files go to base / "mail.pst" / "S" / "Top of Personal Folders" / "I".
    const std::string tail = "/mail.pst/S/Top of Personal Folders/I";
    const auto base_of = [&](std::size_t total, const std::string& piece = "o") {
        std::string base = "/";
        while (CharacterCount(base) < total - tail.size()) {
            base += piece;
        }
        return base;
    };
    EXPECT_EQ(PathTooLong(inbox, base_of(1024)), std::nullopt);
    EXPECT_EQ(PathTooLong(inbox, base_of(1025)), base_of(1025) + tail);
    // Characters, not bytes: 1024 characters of CJK text pass.
    EXPECT_EQ(PathTooLong(inbox, base_of(1024, "\u6587")), std::nullopt);

    // A name already taken in the output folder adds its " (N)". The base
    // is made of real folders (each name at most 200 bytes).
    std::string base = out().string();
    while (base.size() + tail.size() < 1024) {
        base += "/" +
                std::string(std::min<std::size_t>(200, 1024 - tail.size() - base.size() - 1), 'd');
    }
    ASSERT_EQ(base.size() + tail.size(), 1024u);
    EXPECT_EQ(PathTooLong(inbox, base), std::nullopt);
    fs::create_directories(base + "/mail.pst");
    EXPECT_EQ(PathTooLong(inbox, base), base + "/mail.pst (1)/S/Top of Personal Folders/I");

    // Every file is checked whole when it is opened: nothing is written
    // at a path beyond the limit.
    const std::string fits = base + "/" + std::string(1023 - base.size(), 'f');
    const std::string longer = fits + "x";
    EXPECT_TRUE(OutputFile::open(fits, OutputFile::Mode::append).isOpen());
    OutputFile refused = OutputFile::open(longer, OutputFile::Mode::append);
    EXPECT_FALSE(refused.isOpen());
    EXPECT_EQ(refused.errorNumber(), ENAMETOOLONG);
    EXPECT_FALSE(fs::exists(longer));
}

bool valid_utf8(const std::string& text) {
    formats::Utf8Validator validator;
    validator.add(text);
    return validator.isValid();
}

struct NameCase {
    const char* what;
    std::string in;
    std::string out;
};

TEST(SafeName, TableOfNames) {
    const std::string x60 = repeat("x", 60);
    const NameCase cases[] = {
        {"colon and slash", "c:d/e", "c-d\u2215e"},
        {"64 characters stay", repeat("y", 64), repeat("y", 64)},
        {"65 characters are cut", repeat("z", 65), repeat("z", 60) + "..."},
        {"70 with colon and slash", "a:b/" + repeat("q", 66),
         "a-b\u2215" + repeat("q", 56) + "..."},
        {"NUL", std::string("a\0b", 3), "a_b"},
        {"controls", "tab\there\r\nand\x7f\u0085", "tab_here__and__"},
        {"empty", "", "(no name)"},
        {"dot", ".", "_."},
        {"dot dot", "..", "_.."},
        {"three dots stay", "...", "..."},
        {"invalid UTF-8",
         "a\xff"
         "b",
         "a\uFFFDb"},
        {"truncated sequence", "a\xe4\xb8", "a\uFFFD\uFFFD"},
        // Characters, not bytes, are counted for the 65 rule.
        {"64 three-byte characters stay", repeat("\u6587", 64), repeat("\u6587", 64)},
        {"300 three-byte characters are cut", repeat("\u6587", 300), repeat("\u6587", 60) + "..."},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(SafeName(c.in), c.out) << c.what;
    }
    // Stems (names before an exporter's suffix) keep empty and dot names.
    EXPECT_EQ(SafeNameStem(""), "");
    EXPECT_EQ(SafeNameStem(".."), "..");
}

TEST(SafeName, LongNamesOfWideCharactersFitTheByteLimitOnACharacterBoundary) {
    // 64 four-byte characters (256 bytes) are not cut by the character rule
    // but would not fit a file name with a suffix.
    for (const std::string& piece :
         {std::string("\U0001F600"), std::string("\u00e9x"), std::string("ab\u6587")}) {
        for (std::size_t n : {20u, 40u, 58u, 63u, 64u, 100u}) {
            const std::string name = SafeName(repeat(piece, n));
            EXPECT_LE(name.size(), kMaxSafeNameBytes) << n;
            EXPECT_LE(name.size() + std::string("_Part_4294967295.mbox").size(), kMaxNameBytes);
            EXPECT_TRUE(valid_utf8(name)) << n;
        }
    }
    const std::string emoji = SafeName(repeat("\U0001F600", 64));
    EXPECT_EQ(emoji, repeat("\U0001F600", 57) + "...");
}

}  // namespace
}  // namespace mailwright::exporting
