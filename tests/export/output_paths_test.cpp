// The shared naming routines: the folder tree that mirrors the PST, the PST
// suffix, unique paths and the path length limit.
#include <gtest/gtest.h>

#include <fstream>

#include "export/export_fixture.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;
using exporttest::ExportTest;
using exporttest::folder_at;
using exporttest::open_session;

class OutputPathsTest : public ExportTest {};

pstbuild::Mailbox nested_mailbox() {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann's Mail");
    box.top().add_folder("Inbox").add_folder("Projects: 2024/25");
    return box;
}

TEST_F(OutputPathsTest, FolderHierarchyNeedsTheBaseFolderAndPassesOverFiles) {
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

TEST_F(OutputPathsTest, SuffixesAndUniquePathsCountPastEveryTakenName) {
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

TEST_F(OutputPathsTest, PathLengthLimitIs1024CharactersOfTheWholePath) {
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

}  // namespace
}  // namespace mailwright::exporting
