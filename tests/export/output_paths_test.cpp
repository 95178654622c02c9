// The shared naming routines: the folder tree that mirrors the PST, the PST
// suffix, unique paths, the path length limit, and the safe-name rule (the
// cut at 65 characters, the ":" and "/" replacements, control characters,
// names that would not name a place of their own, and the byte limit that
// leaves room for the exporters' suffixes, never splitting a character).
#include <gtest/gtest.h>

#include <fstream>

#include "export/export_fixture.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "formats/text_charset.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;
using namespace exporttest;

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

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
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
