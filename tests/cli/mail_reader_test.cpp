// Converted mailboxes as real mail readers see them: mutt's read flags and
// its decoding of text attachments by their charset, mblaze's flags and
// attachment names. The tests skip when mutt or mblaze is not installed
// (scripts/setup installs both).
#include <cstdlib>
#include <fstream>
#include <map>

#include "cli/command_test.h"

namespace {

struct Sample {
    const char* subject;
    bool read;
    // Stored Internet headers end with these lines; nothing: the message
    // has no stored headers.
    const char* storedFlags;
    const char* attachment;
    const char* mimeType;
    std::string data;
    std::string asUtf8;  // the text a reader shows; empty for binary data
};

const std::vector<Sample>& samples() {
    static const std::vector<Sample> list = {
        {"Greek notes", true, "Status: O\r\n", "notes-el.txt", "text/plain",
         "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1",
         "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1"},
        {"Menu", false, nullptr, "menu.txt", "text/plain", "Caf\xE9 cr\xE8me",
         "Caf\xC3\xA9 cr\xC3\xA8me"},
        {"Photo", true, "", "photo.png", "image/png", "\x89PNG\r\n\x1A\n", ""},
        {"Old news", false, "Status: RO\r\nX-Status: F\r\n", "report.csv", "text/csv", "a,b\n1,2\n",
         "a,b\n1,2\n"},
    };
    return list;
}

pstbuild::Message message(const Sample& s) {
    pstbuild::Message m = psttest::mail(s.subject);
    m.read = s.read;
    m.body = "Body\r\n";
    m.submit_time = pstbuild::filetime_from_unix(1262304000);
    if (s.storedFlags != nullptr) {
        m.transport_headers = std::string("From: Ann <ann@example.com>\r\n") +
                              "Date: Fri, 1 Jan 2010 00:00:00 +0000\r\nSubject: " + s.subject +
                              "\r\n" + s.storedFlags;
    }
    pstbuild::Attachment a;
    a.filename = s.attachment;
    a.mime_type = s.mimeType;
    a.data.assign(s.data.begin(), s.data.end());
    m.attachments.push_back(a);
    return m;
}

bool installed(const std::string& program) {
    return RunCommand("command -v " + program).exitCode == 0;
}

class MailReaderTest : public clitest::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
        for (const Sample& s : samples()) {
            box.top().add_folder("Inbox").messages.push_back(message(s));
        }
        write("mail.pst", psttest::build_file(box));
    }

    // Converts the file into out/; its mailbox.
    fs::path convert() {
        EXPECT_EQ(
            run("--quiet " + quoted(m_dir / "mail.pst") + " -o " + quoted(m_dir / "out")).status,
            0);
        return m_dir / "out/mail.pst/Ann/Top of Personal Folders/Inbox/Inbox.mbox";
    }

    // Runs mutt read-only on `mailbox` with the keys `keys` pushed, under a
    // pseudo-terminal (mutt needs one), and returns what it piped into the
    // file named by %OUT% in the keys.
    std::string mutt(const fs::path& mailbox, std::string keys) {
        const fs::path piped = m_dir / "piped";
        fs::remove(piped);
        for (std::size_t at = keys.find("%OUT%"); at != std::string::npos;
             at = keys.find("%OUT%")) {
            keys.replace(at, 5, piped.string());
        }
        std::ofstream(m_dir / "muttrc") << "set charset=utf-8\nset wait_key=no\n"
                                           "set pipe_decode=yes\nunset thorough_search\n"
                                        << "push \"" << keys << "\"\n";
        const std::string command =
            "mutt -n -F " + quoted(m_dir / "muttrc") + " -R -f " + quoted(mailbox);
        std::system(
            ("TERM=vt100 timeout 30 script -qec \"" + command + "\" /dev/null >/dev/null").c_str());
        return slurp(piped);
    }
};

TEST_F(MailReaderTest, MuttSeesTheReadFlagsAndDecodesTextAttachmentsByTheirCharset) {
    if (!installed("mutt") || !installed("script")) {
        GTEST_SKIP() << "mutt or script is not installed (scripts/setup installs mutt)";
    }
    const fs::path mailbox = convert();
    const auto piped = [&](const char* pattern) {
        return mutt(mailbox, "<tag-pattern>" + std::string(pattern) +
                                 "<enter><tag-prefix><pipe-message>cat >> %OUT%<enter><quit>");
    };
    // Under a heavily loaded machine mutt now and then quits before its pipe
    // has taken every tagged message; the two dumps must hold each message
    // once between them, so a short pair is taken again.
    std::string read;
    std::string unread;
    for (int attempt = 0; attempt < 3; ++attempt) {
        read = piped("~R");
        unread = piped("~U");
        if (count_of(read + unread, "\nSubject: ") == samples().size()) {
            break;
        }
    }
    for (const Sample& s : samples()) {
        const std::string line = "Subject: " + std::string(s.subject) + "\n";
        EXPECT_EQ(read.find(line) != std::string::npos, s.read) << s.subject << "\n" << read;
        EXPECT_EQ(unread.find(line) != std::string::npos, !s.read) << s.subject << "\n" << unread;
        if (!s.asUtf8.empty()) {
            EXPECT_EQ(mutt(mailbox, "<limit>~s '" + std::string(s.subject) +
                                        "'<enter><view-attachments><search>" + s.attachment +
                                        "<enter><pipe-entry>cat > %OUT%<enter><exit><quit>"),
                      s.asUtf8)
                << s.attachment;
        }
    }
}

TEST_F(MailReaderTest, MblazeSeesTheFlagsAndAttachmentNames) {
    if (!installed("mdeliver") || !installed("mshow") || !installed("mhdr")) {
        GTEST_SKIP() << "mblaze is not installed (scripts/setup installs it)";
    }
    const fs::path maildir = m_dir / "maildir";
    for (const char* sub : {"cur", "new", "tmp"}) {
        fs::create_directories(maildir / sub);
    }
    ASSERT_EQ(RunCommand("mdeliver -M -c " + quoted(maildir) + " < " + quoted(convert())).exitCode,
              0);
    std::map<std::string, fs::path> bySubject;
    for (const auto& entry : fs::directory_iterator(maildir / "cur")) {
        const std::string subject = RunCommand("mhdr -h subject " + quoted(entry.path())).output;
        bySubject[subject.substr(0, subject.find('\n'))] = entry.path();
    }
    ASSERT_EQ(bySubject.size(), samples().size());
    for (const Sample& s : samples()) {
        const fs::path& file = bySubject[s.subject];
        const std::string name = file.filename().string();
        // Maildir flags follow ":2,"; S is seen.
        EXPECT_EQ(name.substr(name.find(":2,")).find('S') != std::string::npos, s.read) << name;
        const std::string parts = RunCommand("mshow -t " + quoted(file)).output;
        EXPECT_THAT(parts,
                    HasSubstr(std::string(s.mimeType) + " size=" + std::to_string(s.data.size()) +
                              " name=\"" + s.attachment + "\""));
    }
}

}  // namespace
