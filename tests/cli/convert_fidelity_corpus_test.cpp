// Real items whose conversion once lost data, converted by `mailwright
// convert` and read back by Python's email package, python3-vobject and
// python3-icalendar: OLE objects byte for byte, a message without a submit
// time dated by its delivery, contacts and appointments of mail folders as
// cards and events.
#include <fstream>

#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;

// Per message file "DATE <Date>", "PART <file name> <sha256>" per
// attachment and "CALENDAR <method> <events>" per calendar part; "CARD <e-mail addresses>" per
// card; "EVENT <summary>" per event.
constexpr const char* kReadScript = R"PY(
import email, email.policy, hashlib, icalendar, sys, vobject
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    if path.endswith('.eml'):
        message = email.message_from_bytes(data, policy=email.policy.default)
        print('DATE', message['Date'])
        for part in message.walk():
            payload = part.get_payload(decode=True) or b''
            if part.get_content_disposition() == 'attachment':
                print('PART', part.get_filename(), hashlib.sha256(payload).hexdigest())
            elif part.get_content_type() == 'text/calendar':
                calendar = icalendar.Calendar.from_ical(payload)
                print('CALENDAR', calendar.get('method'), len(calendar.walk('VEVENT')))
    elif path.endswith('.vcf'):
        for card in vobject.readComponents(data.decode('utf-8')):
            print('CARD', ' '.join(e.value for e in card.contents.get('email', [])))
    else:
        for event in icalendar.Calendar.from_ical(data).walk('VEVENT'):
            print('EVENT', event.get('summary'))
)PY";

class ConvertFidelityCorpusTest : public clitest::CommandTest {
protected:
    void SetUp() override {
        if (!fs::is_directory(MW_CORPUS_DIR) ||
            std::system("/usr/bin/python3 -c 'import icalendar, vobject' 2>/dev/null") != 0) {
            GTEST_SKIP() << "no sample files or no python3 with vobject and icalendar";
        }
        CommandTest::SetUp();
        std::ofstream(m_dir / "read.py") << kReadScript;
    }

    // Converts one folder of a sample file (without its subfolders) into
    // message files and reads the output files whose names start with
    // `stem` and end with `extension`.
    std::string convertAndRead(const std::string& file, const std::string& folder,
                               const std::string& stem, const std::string& extension) {
        const auto quoted = [](const fs::path& path) { return testfiles::quoted(path); };
        const fs::path out = m_dir / "out";
        fs::remove_all(out);
        const auto converted =
            run(quoted(fs::path(MW_CORPUS_DIR) / file) + " -o " + quoted(out) +
                " --quiet --mail-format eml --no-subfolders --folder " + quoted(folder));
        EXPECT_EQ(converted.status, 0) << converted.err;
        std::string command = "/usr/bin/python3 " + quoted(m_dir / "read.py");
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(stem) && name.ends_with(extension)) {
                command += " " + quoted(entry.path());
            }
        }
        EXPECT_EQ(std::system((command + " >" + quoted(m_dir / "read")).c_str()), 0);
        return testfiles::slurp(m_dir / "read");
    }
};

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(ConvertFidelityCorpusTest, OleObjectsKeepTheirBytesAndTheirPicturesComeOnce) {
    // The object storages as the attachment subnodes hold them, named by
    // their display name (this copy has no file names).
    const std::string parts = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Sent Items", "RTF news", ".eml");
    std::size_t at = 0;
    for (const char* digest :
         {"7b6ee72a5da9aefdc0fe7a4356bd33e6b53239792cf612279c82fd473a9c864e",
          "a22e9d3b338d90093760c0a23b4c65e5baa1a7f97e4dd9cb10321f62f30056a8",
          "5550778763fb55ad7d533ef39dd8a9e42b36cd18a6b4c237f38d6bd29782711f",
          "915a3f3e8af01c1b7a3db426a32a91e643f1b0916e6ed12173858de0930aaf6d",
          "405575166726a4e30ccb7a7a2d6db79aa0814dba71c6965251025d13b8163f26",
          "4a492f2a729d02d038cb04eccbea0b10249d81044b4e16791ec27878e6c51a06"}) {
        at = parts.find(std::string("PART Picture (Device Independent Bitmap) ") + digest, at);
        EXPECT_NE(at, std::string::npos) << digest << "\n" << parts;
    }
    // Then the body's five pictures, once each although each is stored as
    // a PNG and as its metafile rendering; none renders an object.
    EXPECT_EQ(lines(parts), 1u + 6 + 5) << parts;
    EXPECT_EQ(parts.find(".wmf "), std::string::npos) << parts;
}

TEST_F(ConvertFidelityCorpusTest, DatesCardsEventsAndMeetingsOfMailFolders) {
    EXPECT_EQ(convertAndRead("aspose_Outlook.pst", "Outlook/Top of Personal Folders/Inbox",
                             "Microsoft Outlook Test", ".eml"),
              "DATE Tue, 21 Jun 2011 23:42:35 +0000\n");
    const std::string cards =
        convertAndRead("aspose_PersonalStorageFile_named-ost.ost",
                       "Personal folders/Top of Personal Folders/myInbox", "", ".vcf");
    EXPECT_EQ(lines(cards), 18u) << cards;
    EXPECT_NE(cards.find("CARD SebastianWright@dayrep.com\n"), std::string::npos) << cards;
    const std::string events = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Deleted Items", "", ".ics");
    EXPECT_EQ(lines(events), 4u) << events;
    EXPECT_EQ(events.rfind("EVENT ", 0), 0u) << events;
    // The meeting requests beside them are mail with their meeting.
    const std::string requests = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Deleted Items", "05", ".eml");
    std::size_t calendars = 0;
    for (std::size_t p = requests.find("\nCALENDAR REQUEST 1\n"); p != std::string::npos;
         p = requests.find("\nCALENDAR REQUEST 1\n", p + 1)) {
        ++calendars;
    }
    EXPECT_EQ(calendars, 5u) << requests;
}

}  // namespace
