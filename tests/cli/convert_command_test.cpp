// `mailwright convert`: runs the built program on builder files and checks
// the output tree, the printed log and paths, the options, exit statuses,
// the --json result as Python reads it, each --target's layout, a second run
// into the same folder, progress lines and Ctrl-C.
#include <sys/wait.h>

#include <fstream>

#include "cli/command_test.h"

namespace {

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

    // Converts `file` into out/, emptied first.
    run_result convert(const fs::path& file, const std::string& options = "") {
        fs::remove_all(out());
        return run(quoted(file) + " -o " + quoted(out()) + " " + options);
    }

    fs::path out() const { return m_dir / "out"; }
    fs::path top() const { return out() / "mail.pst/Ann/Top of Personal Folders"; }
};

TEST_F(ConvertCommandTest, ConvertsEveryFolderAndPrintsTheLogAndPaths) {
    const run_result r = convert(small_file());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, StartsWith("Conversion Completed.\n\n"));
    EXPECT_THAT(r.out,
                HasSubstr("Folder: Ann/Top of Personal Folders/Inbox [3]\nConverted Items Count: 3 "
                          "\nSaved in: " +
                          (top() / "Inbox").string() + "\n"));
    EXPECT_THAT(r.out, HasSubstr("Total number of emails processed: 5\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("\r")));
    EXPECT_THAT(r.out,
                HasSubstr("Converted items are available at following path:\n" + out().string() +
                          "\nA Detailed Conversion Report is available at following path:\n" +
                          out().string() + "/PST Conversion Report "));
    EXPECT_EQ(count_of(slurp(top() / "Inbox/Inbox.mbox"), "\nFrom - "), 2u);
    EXPECT_FALSE(fs::exists(out() / "mail.pst/Ann/Freebusy Data"));
    // Contacts are converted (one card file per contact by default).
    EXPECT_TRUE(fs::exists(top() / "Contacts/Bob_1.vcf"));
    // Not a terminal: one plain line per folder.
    EXPECT_THAT(r.err, HasSubstr("Overall: Folders [ 4 / 7 ] Converting: Inbox\n"));
    EXPECT_THAT(report_in(out()), HasSubstr("Subject: five\r\n\r\n"));
}

TEST_F(ConvertCommandTest, FolderSelectionKindsAndEmptyFolders) {
    const fs::path file = small_file();
    run_result r = convert(file, "--folder 'Ann/Top of Personal Folders/Inbox' --no-subfolders");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(top() / "Inbox/Inbox.mbox"));
    EXPECT_FALSE(fs::exists(top() / "Inbox/Later"));
    EXPECT_THAT(r.err, Not(HasSubstr("contacts")));

    r = convert(file, "--folder 'Ann/Top of Personal Folders/Inbox' --mail-format eml --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(top() / "Inbox/Later/five_2.eml"));
    EXPECT_EQ(r.err, "mailwright convert: completed successfully: 5 emails converted\n");
    EXPECT_THAT(r.out, Not(HasSubstr("Folder:")));
    EXPECT_THAT(r.out, HasSubstr("Converted items are available at following path:"));

    r = convert(file, "--ignore-empty --kinds mail");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(top() / "Empty"));
    EXPECT_FALSE(fs::exists(top() / "Top of Personal Folders.mbox"));
    EXPECT_TRUE(fs::exists(top() / "Inbox/Inbox.mbox"));
    EXPECT_THAT(r.out, Not(HasSubstr("Contacts")));

    for (const char* hidden : {"Ann/Nowhere", "Ann/Freebusy Data"}) {
        r = convert(file, "--folder '" + std::string(hidden) + "'");
        EXPECT_EQ(r.status, 64);
        EXPECT_THAT(r.err, HasSubstr("no folder " + std::string(hidden) + " in the given files"));
    }

    // Outlook's own folders are converted only when all folders are asked for.
    r = convert(file, "--all-folders --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count_of(slurp(out() / "mail.pst/Ann/Freebusy Data/Freebusy Data.mbox"),
                       "Subject: LocalFreebusy"),
              1u);
    EXPECT_TRUE(fs::exists(out() / "mail.pst/Ann/Search Root/Search Root.mbox"));
}

// Prints the keys of the --json document in their order and the facts a
// script takes from it, one a line.
constexpr const char* kReadResult = R"(
import json, sys
d = json.load(open(sys.argv[1], encoding='utf-8'))
print(list(d))
print(d['status'], d['outcome'], d['converted'], d['lost'])
print(d['output'] == sys.argv[2], d['report'].startswith(sys.argv[2] + '/PST Conversion Report'))
for f in d['folders']:
    print(f['folder'], f['kind'], f['converted'], f['skipped'])
for p in d['problems']:
    print(p['folder'], p['skipped'], len(p['reasons']))
for f in d['unreadable_files']:
    print(f['path'].endswith('missing.pst'), f['reason'], f['partly_read'])
for f in d['input_files']:
    print(f['variant'], f['code_page'], f['code_page_source'])
)";

TEST_F(ConvertCommandTest, ExitStatusAndJsonResultFollowTheRun) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().children.clear();
    // Quotes, a backslash, a control character and non-ASCII text in a name.
    const std::string name = "Über \"Q\" \\ \x01 x";
    box.top().add_folder(name).messages = {mail("one"), mail("two"), mail("three")};
    auto built = psttest::build_file(box);
    psttest::damage_node(built,
                         built.report.folder("Top of Personal Folders/" + name).message_nid(1));
    const std::string damaged = quoted(write("damaged.pst", built));
    run_result r = convert(m_dir / "damaged.pst");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_THAT(r.out, StartsWith("Conversion Completed With Acceptable Errors.\n"));

    // A file that cannot be read is named; the others are converted.
    fs::remove_all(out());
    const std::string missing = quoted(m_dir / "missing.pst");
    r = run(missing + " " + damaged + " --json --kinds=mail -o " + quoted(out()));
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_THAT(r.err, HasSubstr("missing.pst: cannot be read: No such file or directory\n"));
    EXPECT_THAT(r.err,
                HasSubstr("completed with errors: 1 item skipped, 1 file could not be read"));
    const python_oracle::TempFile script(kReadResult, ".py"), json(r.out, ".json");
    const auto read = RunCommand("/usr/bin/python3 '" + script.path() + "' '" + json.path() + "' " +
                                 quoted(out()));
    ASSERT_EQ(read.exitCode, 0) << read.output << r.out;
    EXPECT_EQ(read.output,
              "['status', 'outcome', 'summary', 'failure', 'output', 'report', 'converted', "
              "'lost', 'folders', 'problems', 'problems_not_listed', 'unreadable_files', "
              "'input_files']\n"
              "3 completed with errors {'mail': 2, 'contacts': 0, 'calendar': 0} {'skipped': 1, "
              "'incomplete': 0, 'unreadable_folders': 0, 'unreadable_files': 1}\n"
              "True True\n"
              "Ann mail 0 0\n"
              "Ann/Top of Personal Folders mail 0 0\n"
              "Ann/Top of Personal Folders/Über \"Q\" \\ \x01 x mail 2 1\n"
              "Ann/Top of Personal Folders/Über \"Q\" \\ \x01 x True 1\n"
              "True No such file or directory False\n"
              "unicode None n/a\n");
    EXPECT_EQ(run(missing + " -o " + quoted(out())).status, 2);

    // An output folder that cannot be made: a file stands in its way.
    std::ofstream(m_dir / "blocker") << "x";
    r = run(damaged + " -o " + quoted(m_dir / "blocker/out"));
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("cannot create the output folder"));
}

// Apple's layout writes contacts in the address-book style itself, the
// others merge as they must or not at all; each names the options it
// overrides in one warning line, and the guide the build made for it.
TEST_F(ConvertCommandTest, EachTargetWritesItsLayoutAndWarnsOnceAboutOverriddenOptions) {
    const std::string file = quoted(small_file());
    const std::string resources = MW_BINARY_DIR "/share/mailwright/";
    const struct {
        std::string target, outputLine, madeFile, ignored, guide;
    } cases[] = {
        {"thunderbird", "Converted Thunderbird Email Database is available at following path:",
         "Mails/Mails.sbd/mail.pst.sbd/Ann.sbd/Top of Personal Folders.sbd/Inbox",
         "--split-mb, --read-unread, --contact-style", "Thunderbird Import Guide.pdf"},
        {"apple", "Converted data is available at following path:",
         "Mails/mail.pst/Ann/Top of Personal Folders/Inbox.mbox/mbox", "--split-mb, --read-unread",
         "Apple Import Guide.pdf"},
        {"outlook-archive", "Converted RGE Archive is available at following path:",
         "Mailwright Output.rge/Contents/PkgInfo",
         "--split-mb, --read-unread, --merge-contacts, --contact-style",
         "Outlook Import Guide.pdf"},
    };
    for (const auto& c : cases) {
        const fs::path out = m_dir / c.target;
        const auto r = run("--quiet " + file + " -o " + quoted(out) + " --target " + c.target +
                           " --split-mb 5 --read-unread --merge-contacts --contact-style "
                           "address-book");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(
            r.err, StartsWith("mailwright convert: --target " + c.target + " ignores " + c.ignored +
                              ": its layout fixes them\n"
                              "mailwright convert: completed successfully: "));
        EXPECT_THAT(r.out, StartsWith(c.outputLine));
        EXPECT_TRUE(fs::is_regular_file(out / c.madeFile)) << c.madeFile;
        // The guide is named when the build made it (it needs Qt).
        if (fs::exists(resources + c.guide)) {
            EXPECT_THAT(r.out, HasSubstr("described in:\n" + resources + c.guide + "\n"));
        }
    }
}

// A second run into the same output folder: an earlier conversion of the
// same file is named and kept (or replaced with --overwrite), another file of
// the same name is never touched, and a file given twice is converted once.
TEST_F(ConvertCommandTest, EarlierOutputOfTheSameFileIsNamedKeptOrReplaced) {
    const fs::path file = small_file();
    fs::create_directories(m_dir / "other");
    const fs::path other = small_file("other/mail.pst");
    const auto printed = [&](const std::string& arguments) {
        const run_result r = run(arguments + " -o " + quoted(out()));
        EXPECT_EQ(r.status, 0) << arguments << r.err;
        return r.out + r.err;
    };
    const auto converted = [&](const std::string& folder) {
        return fs::exists(out() / folder / "Ann/Top of Personal Folders/Inbox/Inbox.mbox");
    };
    const fs::path again = m_dir / "./mail.pst";
    EXPECT_THAT(printed(quoted(file) + " " + quoted(again)),
                HasSubstr(again.string() + " names a file given before"));
    EXPECT_FALSE(fs::exists(out() / "mail.pst (1)"));  // converted once

    // Another file of the same name: written beside, not called earlier output.
    EXPECT_THAT(printed(quoted(other)), Not(HasSubstr("earlier conversion")));
    EXPECT_TRUE(converted("mail.pst (1)"));

    EXPECT_THAT(
        printed("--quiet " + quoted(file)),
        HasSubstr("An earlier conversion of this file is in " + (out() / "mail.pst").string() +
                  "; this conversion is written beside it in " + (out() / "mail.pst (2)").string() +
                  "."));
    EXPECT_TRUE(converted("mail.pst (2)"));

    // Both earlier conversions of mail.pst go; the other file's stays.
    const std::string replaced = printed("--overwrite " + quoted(file));
    EXPECT_THAT(replaced, HasSubstr("Replacing the earlier conversion of this file in " +
                                    (out() / "mail.pst (2)").string() + "."));
    EXPECT_TRUE(converted("mail.pst"));
    EXPECT_TRUE(converted("mail.pst (1)"));
    EXPECT_FALSE(fs::exists(out() / "mail.pst (2)"));
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
// error (DIR/err) shows each of `marks`; its exit status. The error file of
// an earlier run goes first: its marks would send Ctrl-C at once.
int interrupted(const fs::path& dir, const fs::path& file, const fs::path& out,
                const std::vector<std::string>& marks, const std::string& jobs = "-j 1") {
    fs::remove(dir / "err");
    std::string script = "XDG_CONFIG_HOME=" + quoted(dir / "config") + " " +
                         quoted(fs::path(MW_BINARY_DIR) / "src/mailwright") + " convert " +
                         quoted(file) + " -o " + quoted(out) + " " + jobs + " 2>" +
                         quoted(dir / "err") + " >/dev/null & pid=$!; ";
    for (const std::string& mark : marks) {
        script += "while kill -0 $pid 2>/dev/null && ! grep -qs '" + mark + "' " +
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
        EXPECT_THAT(slurp(m_dir / "err"), HasSubstr("cancelling after the current item"));
        const std::string report = report_in(out());
        EXPECT_THAT(report, HasSubstr("Operation aborted !!!\r\n"));
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
