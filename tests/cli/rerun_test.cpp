// A second run into the same output folder: an earlier conversion of the
// same file is named and kept (or replaced with --overwrite), another file of
// the same name is never touched, and a file given twice is converted once.
#include <cstdlib>

#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;

class RerunTest : public clitest::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        fs::create_directories(m_dir / "other");
        pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
        box.top().add_folder("Inbox").messages = {psttest::mail("one")};
        const psttest::BuiltMailbox built = psttest::build_file(box);
        write("mail.pst", built);
        write("other/mail.pst", built);
    }

    // Runs convert on `files` into out/; what it printed on both streams.
    std::string convert(const std::string& files) {
        const fs::path program = fs::path(MW_BINARY_DIR) / "src" / "mailwright";
        const std::string command = "cd '" + m_dir.string() + "' && XDG_CONFIG_HOME=. '" +
                                    program.string() + "' convert " + files +
                                    " -o out >printed 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << files;
        return testfiles::slurp(m_dir / "printed");
    }
    bool converted(const std::string& folder) const {
        return fs::exists(m_dir / "out" / folder / "Ann/Top of Personal Folders/Inbox/Inbox.mbox");
    }
};

TEST_F(RerunTest, EarlierOutputOfTheSameFileIsNamedKeptOrReplaced) {
    EXPECT_NE(convert("mail.pst ./mail.pst").find("./mail.pst names a file given before"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "out/mail.pst (1)"));  // converted once

    // Another file of the same name: written beside, not called earlier output.
    EXPECT_EQ(convert("other/mail.pst").find("earlier conversion"), std::string::npos);
    EXPECT_TRUE(converted("mail.pst (1)"));

    EXPECT_NE(
        convert("--quiet mail.pst")
            .find("An earlier conversion of this file is in " + (m_dir / "out/mail.pst").string() +
                  "; this conversion is written beside it in " +
                  (m_dir / "out/mail.pst (2)").string() + "."),
        std::string::npos);
    EXPECT_TRUE(converted("mail.pst (2)"));

    // Both earlier conversions of mail.pst go; the other file's stays.
    const std::string printed = convert("--overwrite mail.pst");
    EXPECT_NE(printed.find("Replacing the earlier conversion of this file in " +
                           (m_dir / "out/mail.pst (2)").string() + "."),
              std::string::npos)
        << printed;
    EXPECT_TRUE(converted("mail.pst"));
    EXPECT_TRUE(converted("mail.pst (1)"));
    EXPECT_FALSE(fs::exists(m_dir / "out/mail.pst (2)"));
}

}  // namespace
