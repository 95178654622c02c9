// `mailwright convert`: runs the built program on builder files and checks
// the output tree, the printed log and paths, the options, exit statuses,
// progress lines and Ctrl-C.
#include <sys/wait.h>

#include <fstream>

#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;
using clitest::count_of;
using testfiles::quoted;
using testfiles::run_result;
using testfiles::slurp;

pstbuild::Message mail(const std::string& subject) {
    pstbuild::Message m = psttest::mail(subject);
    m.body = "Body of " + subject + "\r\nFrom the start of a line\r\n";
    m.submit_time = pstbuild::filetime_from_unix(1262304000);
    return m;
}

class ConvertCommandTest : public clitest::CommandTest {
protected:
    // Store "Ann": Inbox (3 messages) with Inbox/Later (2), Contacts (1
    // contact) and an empty folder Empty; beside the IPM subtree Outlook's
    // own "Search Root" and "Freebusy Data" (1 item).
    fs::path small_file(const std::string& name = "mail.pst") {
        pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
        pstbuild::Folder& inbox = box.top().add_folder("Inbox");
        inbox.messages = {mail("one"), mail("two"), mail("three")};
        inbox.add_folder("Later").messages = {mail("four"), mail("five")};
        pstbuild::Message contact = mail("Bob");
        contact.message_class = "IPM.Contact";
        box.top().add_folder("Contacts", "IPF.Contact").messages = {contact};
        box.top().add_folder("Empty");
        box.root.add_folder("Freebusy Data").messages = {mail("LocalFreebusy")};
        return write(name, psttest::build_file(box));
    }

    fs::path out() const { return m_dir / "out"; }
    fs::path top() const { return out() / "mail.pst/Ann/Top of Personal Folders"; }
};

TEST_F(ConvertCommandTest, ConvertsEveryFolderAndPrintsTheLogAndPaths) {
    const fs::path file = small_file();
    const run_result r = run(quoted(file) + " -o " + quoted(out()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Conversion Completed.\n\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Folder: Ann/Top of Personal Folders/Inbox [3]\nConverted Items Count: 3 "
                         "\nSaved in: " +
                         (top() / "Inbox").string() + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Total number of emails processed: 5\n"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_NE(r.out.find("Converted items are available at following path:\n" + out().string() +
                         "\nA Detailed Conversion Report is available at following path:\n" +
                         out().string() + "/PST Conversion Report "),
              std::string::npos)
        << r.out;
    EXPECT_EQ(count_of(slurp(top() / "Inbox/Inbox.mbox"), "\nFrom - "), 2u);
    EXPECT_FALSE(fs::exists(out() / "mail.pst/Ann/Freebusy Data"));
    // Contacts are converted (one card file per contact by default).
    EXPECT_TRUE(fs::exists(top() / "Contacts/Bob_1.vcf"));
    // Not a terminal: one plain line per folder.
    EXPECT_NE(r.err.find("Overall: Folders [ 4 / 7 ] Converting: Inbox\n"), std::string::npos)
        << r.err;
    EXPECT_NE(report_in(out()).find("Subject: five\r\n\r\n"), std::string::npos);
}

TEST_F(ConvertCommandTest, FolderSelectionKindsAndEmptyFolders) {
    const fs::path file = small_file();
    run_result r = run(quoted(file) + " -o " + quoted(out()) +
                       " --folder 'Ann/Top of Personal Folders/Inbox' --no-subfolders");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(top() / "Inbox/Inbox.mbox"));
    EXPECT_FALSE(fs::exists(top() / "Inbox/Later"));
    EXPECT_EQ(r.err.find("contacts"), std::string::npos);

    fs::remove_all(out());
    r = run(quoted(file) + " -o " + quoted(out()) +
            " --folder 'Ann/Top of Personal Folders/Inbox' --mail-format eml --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(top() / "Inbox/Later/five_2.eml"));
    EXPECT_EQ(r.err, "mailwright convert: completed successfully: 5 emails converted\n");
    EXPECT_EQ(r.out.find("Folder:"), std::string::npos);
    EXPECT_NE(r.out.find("Converted items are available at following path:"), std::string::npos);

    fs::remove_all(out());
    r = run(quoted(file) + " -o " + quoted(out()) + " --ignore-empty --kinds mail");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(top() / "Empty"));
    EXPECT_FALSE(fs::exists(top() / "Top of Personal Folders.mbox"));
    EXPECT_TRUE(fs::exists(top() / "Inbox/Inbox.mbox"));
    EXPECT_EQ(r.out.find("Contacts"), std::string::npos);

    for (const char* hidden : {"Ann/Nowhere", "Ann/Freebusy Data"}) {
        r = run(quoted(file) + " -o " + quoted(out()) + " --folder '" + hidden + "'");
        EXPECT_EQ(r.status, 64);
        EXPECT_NE(r.err.find("no folder " + std::string(hidden) + " in the given files"),
                  std::string::npos);
    }

    // Outlook's own folders are converted only when all folders are asked for.
    fs::remove_all(out());
    r = run(quoted(file) + " -o " + quoted(out()) + " --all-folders --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count_of(slurp(out() / "mail.pst/Ann/Freebusy Data/Freebusy Data.mbox"),
                       "Subject: LocalFreebusy"),
              1u);
    EXPECT_TRUE(fs::exists(out() / "mail.pst/Ann/Search Root/Search Root.mbox"));
}

TEST_F(ConvertCommandTest, WrongUsagePrintsHelpAndExits64) {
    const fs::path file = small_file();
    for (const std::string& arguments :
         {std::string(""), "-o " + quoted(out()), quoted(file) + " -o",
          quoted(file) + " -o x --split-mb ten",
          quoted(file) + " -o x --mail-format eml --split-mb 5",
          quoted(file) + " -o x --codepage 12345", quoted(file) + " -o x --kinds mail,notes",
          quoted(file) + " -o x --no-subfolders"}) {
        const run_result r = run(arguments);
        EXPECT_EQ(r.status, 64) << arguments;
        EXPECT_NE(r.err.find("usage: mailwright convert [options] FILE.pst... -o DIR"),
                  std::string::npos)
            << arguments;
    }
    EXPECT_FALSE(fs::exists(m_dir / "x"));
    const run_result help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--split-mb N"), std::string::npos);
}

TEST_F(ConvertCommandTest, ExitStatusFollowsTheRun) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {mail("one"), mail("two")};
    auto built = psttest::build_file(box);
    psttest::damage_node(built,
                         built.report.folder("Top of Personal Folders/Inbox").message_nid(1));
    run_result r = run(quoted(write("damaged.pst", built)) + " -o " + quoted(out()));
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out.rfind("Conversion Completed With Acceptable Errors.\n", 0), 0u);

    // An output folder that cannot be made: a file stands in its way.
    std::ofstream(m_dir / "blocker") << "x";
    r = run(quoted(small_file()) + " -o " + quoted(m_dir / "blocker/out"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot create the output folder"), std::string::npos) << r.err;

    // A file that cannot be read is named; the others are converted.
    r = run(quoted(m_dir / "missing.pst") + " " + quoted(small_file()) + " -o " + quoted(out()));
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("missing.pst: cannot be read: No such file or directory"),
              std::string::npos)
        << r.err;
    r = run(quoted(m_dir / "missing.pst") + " -o " + quoted(out()));
    EXPECT_EQ(r.status, 2);
}

fs::path big_file(const fs::path& dir) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("First").messages = {mail("first")};
    pstbuild::Folder& many = box.top().add_folder("Many");
    many.generated_count = 20000;
    many.generate = [](std::size_t i) { return mail("message " + std::to_string(i)); };
    const fs::path path = dir / "big.pst";
    pstbuild::write_mailbox_file(box, {.variant = pstbuild::Variant::unicode}, path.string());
    return path;
}

// Runs convert in the background and sends it Ctrl-C once its standard
// error (DIR/err) shows each of `marks`; its exit status.
int interrupted(const fs::path& dir, const fs::path& file, const fs::path& out,
                const std::vector<std::string>& marks, const std::string& jobs = "-j 1") {
    std::string script = "XDG_CONFIG_HOME=" + quoted(dir / "config") + " " +
                         quoted(fs::path(MW_BINARY_DIR) / "src/mailwright") + " convert " +
                         quoted(file) + " -o " + quoted(out) + " " + jobs + " 2>" +
                         quoted(dir / "err") + " >/dev/null & pid=$!; ";
    for (const std::string& mark : marks) {
        script += "while kill -0 $pid 2>/dev/null && ! grep -q '" + mark + "' " +
                  quoted(dir / "err") + "; do sleep 0.01; done; kill -INT $pid; ";
    }
    const int raw = std::system((script + "wait $pid").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST_F(ConvertCommandTest, CtrlCCancelsAfterTheCurrentItemAndASecondStopsAtOnce) {
    const fs::path file = big_file(m_dir);
    // With workers making mail ahead too, the mailbox holds exactly the
    // messages the report counts, each whole.
    for (const char* jobs : {"-j 1", "-j 4"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(out());
        EXPECT_EQ(interrupted(m_dir, file, out(), {"Converting: Many"}, jobs), 1);
        EXPECT_NE(slurp(m_dir / "err").find("cancelling after the current item"), std::string::npos)
            << slurp(m_dir / "err");
        const std::string report = report_in(out());
        EXPECT_NE(report.find("Operation aborted !!!\r\n"), std::string::npos);
        const std::string mailbox =
            slurp(out() / "big.pst/Ann/Top of Personal Folders/Many/Many.mbox");
        const auto folders = clitest::parse_report(report);
        ASSERT_FALSE(folders.empty());
        EXPECT_EQ(count_of(mailbox, "From - "), folders.back().converted);
        EXPECT_LT(folders.back().converted, 20000u);
        EXPECT_TRUE(mailbox.empty() || mailbox.ends_with("From the start of a line\n\n"));
    }

    // Either the second Ctrl-C came in time (130), or the run had already
    // ended cancelled (1).
    const int status = interrupted(m_dir, file, m_dir / "out2", {"Converting: Many", "cancelling"});
    EXPECT_TRUE(status == 130 || status == 1) << status;
}

}  // namespace
