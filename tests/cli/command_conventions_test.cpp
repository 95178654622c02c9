// What every sub-command shares: -h/--help on standard output with status 0,
// wrong usage on standard error with status 64, --version, and option
// values given as --name=value.
#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quoted;
using testfiles::run_result;

class CommandConventions : public clitest::CommandTest {
protected:
    fs::path small_ansi_file() {
        pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
        box.top().add_folder("Inbox").messages = {psttest::mail("a"), psttest::mail("b")};
        return write("small.pst", psttest::build_file(box, psttest::Variant::ansi));
    }
};

TEST_F(CommandConventions, HelpGoesToStandardOutputAndWrongUsageToStandardError) {
    const fs::path file = small_ansi_file();
    for (const std::string command : {"", "info", "inspect", "list", "convert", "codepages"}) {
        for (const std::string help : {"--help", "-h"}) {
            const run_result r = testfiles::run_mailwright(m_dir, command + " " + help);
            EXPECT_EQ(r.status, 0) << command << help;
            EXPECT_EQ(r.out.rfind("usage: mailwright " + command, 0), 0u) << command << r.out;
            EXPECT_EQ(r.err, "") << command << help;
        }
        const run_result wrong =
            testfiles::run_mailwright(m_dir, command + " --no-such-option " + quoted(file));
        EXPECT_EQ(wrong.status, 64) << command;
        EXPECT_EQ(wrong.out, "") << command;
        EXPECT_NE(wrong.err.find("usage: mailwright"), std::string::npos) << command;
    }
    for (const std::string version : {"--version", "-V"}) {
        const run_result r = testfiles::run_mailwright(m_dir, version);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(std::regex_match(r.out, std::regex("mailwright [0-9]+\\.[0-9]+\\.[0-9]+\n")))
            << r.out;
    }
}

TEST_F(CommandConventions, ValuesAfterAnEqualsSignReadAsTheNextWord) {
    const std::string file = quoted(small_ansi_file());
    struct row {
        std::string attached;
        std::string separate;
    };
    const row rows[] = {
        {"list --codepage=1251 " + file, "list --codepage 1251 " + file},
        {"inspect " + file + " 0x21 --codepage=1250", "inspect " + file + " 0x21 --codepage 1250"},
        {"convert " + file + " --output=" + quoted(m_dir / "a") +
             " --folder='Ann/Top of Personal Folders/Inbox' --mail-format=eml --kinds=mail",
         "convert " + file + " -o " + quoted(m_dir / "b") +
             " --folder 'Ann/Top of Personal Folders/Inbox' --mail-format eml --kinds mail"},
    };
    for (const row& r : rows) {
        const run_result attached = testfiles::run_mailwright(m_dir, r.attached);
        const run_result separate = testfiles::run_mailwright(m_dir, r.separate);
        EXPECT_EQ(attached.status, 0) << r.attached << attached.err;
        EXPECT_EQ(attached.out.size(), separate.out.size()) << r.attached;
    }
    EXPECT_EQ(clitest::files_in(m_dir / "a", ".eml").size(), 2u);
    // A flag takes no value; an option's empty value is not the next word.
    EXPECT_EQ(testfiles::run_mailwright(m_dir, "list --json=yes " + file).status, 64);
    EXPECT_EQ(
        testfiles::run_mailwright(m_dir, "convert " + file + " --output= " + quoted(m_dir / "c"))
            .status,
        64);
}

}  // namespace
