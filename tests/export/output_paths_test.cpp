// The shared naming routines: the folder tree that mirrors the PST, the PST
// suffix, unique paths and the path length limit.
#include <gtest/gtest.h>

#include <fstream>

#include "export/export_fixture.h"
#include "export/output_paths.h"

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

TEST_F(OutputPathsTest, FolderHierarchyMirrorsTheAncestryUnderThePSTName) {
    const auto session = open_session(psttest::build_file(nested_mailbox()), "/x/y/mail.pst");
    const auto folder =
        folder_at(session, "Ann's Mail/Top of Personal Folders/Inbox/Projects: 2024/25");
    const auto path = FolderHierarchy(folder, out().string(), -1);
    const std::string expected =
        (out() / "mail.pst/Ann's Mail/Top of Personal Folders/Inbox/Projects- 2024\u221525")
            .string();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, expected);
    EXPECT_TRUE(fs::is_directory(expected));
    // Reused, not made anew, the second time; the suffix goes after the name.
    EXPECT_EQ(FolderHierarchy(folder, out().string(), -1), expected);
    EXPECT_EQ(*FolderHierarchy(folder, out().string(), 2),
              (out() / "mail.pst (2)/Ann's Mail/Top of Personal Folders/Inbox/"
                       "Projects- 2024\u221525")
                  .string());
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

TEST_F(OutputPathsTest, PSTSuffixCountsFromOneWhenTheNameIsTaken) {
    EXPECT_EQ(PSTSuffix(out().string(), "mail.pst"), -1);
    fs::create_directory(out() / "mail.pst");
    EXPECT_EQ(PSTSuffix(out().string(), "mail.pst"), 1);
    fs::create_directory(out() / "mail.pst (1)");
    std::ofstream(out() / "mail.pst (2)") << "a file also takes the name";
    EXPECT_EQ(PSTSuffix(out().string(), "mail.pst"), 3);
}

TEST_F(OutputPathsTest, UniquePathAddsANumberWhenFileOrFolderExists) {
    const std::string dir = out().string();
    EXPECT_EQ(UniquePath(dir, "Report", "txt"), dir + "/Report.txt");
    std::ofstream(out() / "Report.txt") << "";
    fs::create_directory(out() / "Report (1).txt");
    EXPECT_EQ(UniquePath(dir, "Report", "txt"), dir + "/Report (2).txt");
    EXPECT_EQ(UniquePath(dir, "Report"), dir + "/Report");
    fs::create_symlink(out() / "nowhere", out() / "Dangling");
    EXPECT_EQ(UniquePath(dir, "Dangling"), dir + "/Dangling (1)");
}

TEST_F(OutputPathsTest, PSTFileNameIsTheLastComponentCutToLeaveRoomForTheSuffix) {
    EXPECT_EQ(PSTFileName("/home/ann/mail.pst"), "mail.pst");
    EXPECT_EQ(PSTFileName("mail.pst"), "mail.pst");
    const std::string longName(250, 'p');
    EXPECT_EQ(PSTFileName("/d/" + longName), std::string(228, 'p') + "...");
}

TEST_F(OutputPathsTest, PathLengthLimitIs1024Characters) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("S");
    box.top().add_folder("I");
    const auto session = open_session(psttest::build_file(box));
    const auto inbox = folder_at(session, "S/Top of Personal Folders/I");
    // out / "S" / "Top of Personal Folders" / "I" adds 28 characters.
    const std::string tail = "/S/Top of Personal Folders/I";
    const auto base_of = [&](std::size_t total) {
        return "/" + std::string(total - tail.size() - 1, 'o');
    };
    EXPECT_EQ(PathTooLong(inbox, base_of(1024)), std::nullopt);
    EXPECT_EQ(PathTooLong(inbox, base_of(1025)), base_of(1025) + tail);
    // Characters, not bytes: 1024 characters of CJK text pass.
    const std::string wide = "/" + [&] {
        std::string s;
        for (std::size_t i = 0; i < 1024 - tail.size() - 1; ++i) {
            s += "\u6587";
        }
        return s;
    }();
    EXPECT_EQ(PathTooLong(inbox, wide), std::nullopt);
}

}  // namespace
}  // namespace mailwright::exporting
