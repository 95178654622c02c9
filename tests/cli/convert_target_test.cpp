// `mailwright convert --target`: the built program writes each destination's
// layout, finds the package resources beside itself, names the options a
// destination overrides in one warning line, and refuses unknown targets.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pstread/pst/mailbox_file.h"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(ConvertTarget, WritesEachLayoutAndWarnsOnceAboutOverriddenOptions) {
    const fs::path dir =
        fs::temp_directory_path() / ("mw_target_cli_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {psttest::mail("one"), psttest::mail("two")};
    const auto built = psttest::build_file(box);
    std::ofstream(dir / "mail.pst", std::ios::binary)
        .write(reinterpret_cast<const char*>(built.bytes.data()),
               static_cast<std::streamsize>(built.bytes.size()));
    const auto convert = [&](const std::string& arguments) {
        const std::string command = "cd '" + dir.string() +
                                    "' && XDG_CONFIG_HOME=. '" MW_BINARY_DIR
                                    "/src/mailwright' convert --quiet mail.pst " +
                                    arguments + " >stdout 2>stderr";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };

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
        EXPECT_EQ(convert("-o " + c.target + " --target " + c.target +
                          " --split-mb 5 --read-unread --merge-contacts --contact-style "
                          "address-book"),
                  0)
            << read(dir / "stderr");
        const std::string warned = read(dir / "stderr");
        EXPECT_EQ(
            warned.rfind("mailwright convert: --target " + c.target + " ignores " + c.ignored +
                             ": its layout fixes them\n"
                             "mailwright convert: completed successfully: ",
                         0),
            0u)
            << warned;
        EXPECT_EQ(read(dir / "stdout").rfind(c.outputLine, 0), 0u) << read(dir / "stdout");
        EXPECT_TRUE(fs::is_regular_file(dir / c.target / c.madeFile)) << c.madeFile;
        // The guide is named when the build made it (it needs Qt).
        if (fs::exists(fs::path(MW_BINARY_DIR "/share/mailwright") / c.guide)) {
            EXPECT_NE(
                read(dir / "stdout")
                    .find("described in:\n" MW_BINARY_DIR "/share/mailwright/" + c.guide + "\n"),
                std::string::npos)
                << read(dir / "stdout");
        }
    }
    EXPECT_EQ(convert("-o out --target files-and-more"), 64);
    EXPECT_NE(
        read(dir / "stderr").find("--target takes files, thunderbird, apple or outlook-archive"),
        std::string::npos);
    fs::remove_all(dir);
}

}  // namespace
