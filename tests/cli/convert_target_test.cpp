// `mailwright convert --target`: the built program writes each destination's
// layout, finds the package resources beside itself, names the options a
// destination overrides in one warning line, and refuses unknown targets.
#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quoted;

class ConvertTarget : public clitest::CommandTest {};

TEST_F(ConvertTarget, WritesEachLayoutAndWarnsOnceAboutOverriddenOptions) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {psttest::mail("one"), psttest::mail("two")};
    const std::string file = quoted(write("mail.pst", psttest::build_file(box)));
    const std::string resources = MW_BINARY_DIR "/share/mailwright/";

    // Apple's layout writes contacts in the address-book style itself, the
    // others merge as they must or not at all.
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
        EXPECT_EQ(r.err.rfind("mailwright convert: --target " + c.target + " ignores " + c.ignored +
                                  ": its layout fixes them\n"
                                  "mailwright convert: completed successfully: ",
                              0),
                  0u)
            << r.err;
        EXPECT_EQ(r.out.rfind(c.outputLine, 0), 0u) << r.out;
        EXPECT_TRUE(fs::is_regular_file(out / c.madeFile)) << c.madeFile;
        // The guide is named when the build made it (it needs Qt).
        if (fs::exists(resources + c.guide)) {
            EXPECT_NE(r.out.find("described in:\n" + resources + c.guide + "\n"), std::string::npos)
                << r.out;
        }
    }
    const auto unknown = run(file + " -o " + quoted(m_dir / "out") + " --target files-and-more");
    EXPECT_EQ(unknown.status, 64);
    EXPECT_NE(unknown.err.find("--target takes files, thunderbird, apple or outlook-archive"),
              std::string::npos);
}

}  // namespace
