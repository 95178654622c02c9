// `mailwright list`: runs the built program on builder files and checks the
// text and JSON forms, escaping, and files that cannot be opened (the code
// page choice: code_page_choice_test; wrong usage: command_conventions_test).
#include <fstream>

#include "cli/command_test.h"

namespace {

class ListCommandTest : public clitest::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        m_command = "list";
    }

    // A small mailbox of each folder kind.
    fs::path kinds_file() {
        pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
        pstbuild::Folder& inbox = box.top().add_folder("Inbox", "IPF.Note");
        inbox.messages = {psttest::mail("a"), psttest::mail("b")};
        inbox.add_folder("Later", "IPF.Note");
        box.top().add_folder("Calendar", "IPF.Appointment").messages = {psttest::mail("c")};
        box.top().add_folder("Contacts", "IPF.Contact");
        box.top().add_folder("Journal", "IPF.Journal");
        box.top().add_folder("Notes", "IPF.StickyNote");
        box.top().add_folder("Tasks", "IPF.Task");
        box.root.add_folder("Freebusy Data").messages = {psttest::mail("LocalFreebusy")};
        return write("kinds.pst", psttest::build_file(box));
    }
};

// Files that cannot be opened are named with their reason and the others
// listed.
TEST_F(ListCommandTest, PrintsTheIpmSubtreeIndentedByDepthWithCountsAndKinds) {
    const fs::path file = kinds_file();
    const fs::path missing = m_dir / "missing.pst";
    const fs::path garbage = m_dir / "garbage.pst";
    std::ofstream(garbage) << std::string(1000, 'x');
    const std::string tree = file.string() +
                             " (unicode)\n"
                             "  Ann [0] mail\n"
                             "    Top of Personal Folders [0] mail\n"
                             "      Deleted Items [0] mail\n"
                             "      Inbox [2] mail\n"
                             "        Later [0] mail\n"
                             "      Calendar [1] calendar\n"
                             "      Contacts [0] contacts\n"
                             "      Journal [0] journal\n"
                             "      Notes [0] notes\n"
                             "      Tasks [0] tasks\n";
    const run_result result = run(quoted(file));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, tree);
    const run_result mixed = run(quoted(missing) + " " + quoted(file) + " " + quoted(garbage));
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.out, tree);
    EXPECT_THAT(mixed.err,
                StartsWith("mailwright: " + missing.string() + ": No such file or directory\n" +
                           "mailwright: " + garbage.string() + ": "));
    // Outlook's own folders beside the IPM subtree come with --all-folders.
    const std::string own = "    Search Root [0] mail\n    Freebusy Data [1] mail\n";
    EXPECT_EQ(run("--all-folders " + quoted(file)).out, tree + own);
}

TEST_F(ListCommandTest, WithoutAnIpmSubtreeEveryFolderIsListed) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().role = pstbuild::FolderRole::none;
    const fs::path file = write("no_subtree.pst", psttest::build_file(box));
    const run_result result = run(quoted(file));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("\n    Search Root [0] mail\n"));
}

// Names and paths are escaped, a path that is not UTF-8 is mended, and a
// file that cannot be opened is an entry with its reason.
TEST_F(ListCommandTest, JsonHoldsTheSameTreeWithPathsAndErrors) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().name = "q\"b\\t\tn\nc\x01z ü 中 😀";
    box.top().children.clear();
    box.top().messages = {psttest::mail("a")};
    const fs::path file = write("small.pst", psttest::build_file(box));
    const run_result result = run("--json " + quoted(file) + " " + quoted(m_dir / "bad\xff.pst"));
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out, R"({"files": [
  {
    "path": ")" + file.string() +
                              R"(",
    "variant": "unicode",
    "store": "Ann",
    "code_page": null,
    "code_page_source": "n/a",
    "root": {
      "name": "Ann",
      "path": "Ann",
      "kind": "mail",
      "count": 0,
      "children": [
        {
          "name": "q\"b\\t\tn\nc\u0001z ü 中 😀",
          "path": "Ann/q\"b\\t\tn\nc\u0001z ü 中 😀",
          "kind": "mail",
          "count": 1,
          "children": []
        }
      ]
    }
  },
  {
    "path": ")" + (m_dir / "bad\xEF\xBF\xBD.pst").string() +
                              R"(",
    "error": "No such file or directory"
  }
]}
)");
}

}  // namespace
