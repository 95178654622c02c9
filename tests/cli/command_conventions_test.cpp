// What every sub-command shares: -h/--help on standard output with status 0,
// wrong usage (unknown options, missing or bad values, missing files, options
// that do not go together) on standard error with the command's usage and
// status 64, --version, and option values given as --name=value.
#include "cli/command_test.h"

namespace {

class CommandConventions : public clitest::CommandTest {
protected:
    std::string small_ansi_file() {
        pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
        box.top().add_folder("Inbox").messages = {psttest::mail("a"), psttest::mail("b")};
        return quoted(write("small.pst", psttest::build_file(box, psttest::Variant::ansi)));
    }
    run_result mailwright(const std::string& arguments) const {
        return testfiles::run_mailwright(m_dir, arguments);
    }
};

TEST_F(CommandConventions, HelpGoesToStandardOutputAndWrongUsageToStandardError) {
    const std::string file = small_ansi_file();
    const std::string x = quoted(m_dir / "x");
    std::vector<std::string> wrong = {
        "info",
        "list",
        "list --json",
        "list --codepage " + file,
        "list --codepage 99999 " + file,
        "list --json=yes " + file,  // a flag takes no value
        "inspect " + file,
        "inspect " + file + " 0xZZ",
        "inspect " + file + " 0x21 --codepage 99999",
        "convert -o " + x,
        "convert " + file + " -o",
        "convert " + file + " --output= " + x,  // an empty value is not the next word
        "convert " + file + " -o " + x + " --split-mb ten",
        "convert " + file + " -o " + x + " --mail-format eml --split-mb 5",
        "convert " + file + " -o " + x + " --codepage 12345",
        "convert " + file + " -o " + x + " --kinds mail,notes",
        "convert " + file + " -o " + x + " --no-subfolders",
        "convert " + file + " -o " + x + " --target files-and-more",
    };
    for (const std::string command : {"", "info", "inspect", "list", "convert", "codepages"}) {
        for (const std::string help : {"--help", "-h"}) {
            const run_result r = mailwright(command + " " + help);
            EXPECT_EQ(r.status, 0) << command << help;
            EXPECT_THAT(r.out, StartsWith("usage: mailwright " + command)) << command;
            EXPECT_EQ(r.err, "") << command << help;
        }
        wrong.push_back(command + " --no-such-option " + file);
    }
    for (const std::string& arguments : wrong) {
        const run_result r = mailwright(arguments);
        EXPECT_EQ(r.status, 64) << arguments;
        EXPECT_EQ(r.out, "") << arguments;
        EXPECT_THAT(r.err,
                    HasSubstr("usage: mailwright " + arguments.substr(0, arguments.find(' '))))
            << arguments;
    }
    EXPECT_FALSE(fs::exists(m_dir / "x"));
    EXPECT_THAT(mailwright("convert " + file + " -o " + x + " --target files-and-more").err,
                HasSubstr("--target takes files, thunderbird, apple or outlook-archive"));

    for (const std::string version : {"--version", "-V"}) {
        const run_result r = mailwright(version);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(std::regex_match(r.out, std::regex("mailwright [0-9]+\\.[0-9]+\\.[0-9]+\n")))
            << r.out;
    }
    // `codepages` lists every code page --codepage accepts, with its charset.
    const run_result pages = mailwright("codepages");
    EXPECT_EQ(pages.status, 0);
    EXPECT_THAT(pages.out, HasSubstr("\n 1252  windows-1252 "));
    EXPECT_THAT(pages.out, HasSubstr("\n65001  UTF-8 "));
}

TEST_F(CommandConventions, ValuesAfterAnEqualsSignReadAsTheNextWord) {
    const std::string file = small_ansi_file();
    const struct {
        std::string attached, separate;
    } rows[] = {
        {"list --codepage=1251 " + file, "list --codepage 1251 " + file},
        {"inspect " + file + " 0x21 --codepage=1250", "inspect " + file + " 0x21 --codepage 1250"},
        {"convert " + file + " --output=" + quoted(m_dir / "a") +
             " --folder='Ann/Top of Personal Folders/Inbox' --mail-format=eml --kinds=mail",
         "convert " + file + " -o " + quoted(m_dir / "b") +
             " --folder 'Ann/Top of Personal Folders/Inbox' --mail-format eml --kinds mail"},
    };
    for (const auto& r : rows) {
        const run_result attached = mailwright(r.attached);
        EXPECT_EQ(attached.status, 0) << r.attached << attached.err;
        EXPECT_EQ(attached.out.size(), mailwright(r.separate).out.size()) << r.attached;
    }
    EXPECT_EQ(files_in(m_dir / "a", ".eml").size(), 2u);
}

}  // namespace
