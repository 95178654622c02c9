// Real messages whose conversion once lost data, converted by `mailwright
// convert` and read back by Python's email package: OLE objects come out
// byte for byte under their own names, and a message without a submit time
// is dated by its delivery.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_files.h"
#include "text/python_oracle.h"

namespace {

namespace fs = std::filesystem;

// For each message file: "DATE <Date header>", then "PART <name> <sha256>"
// for each attachment.
constexpr const char* kReadScript = R"PY(
import email, email.policy, hashlib, sys
for path in sys.argv[1:]:
    with open(path, 'rb') as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    print('DATE', message['Date'])
    for part in message.walk():
        if part.get_content_disposition() == 'attachment':
            data = part.get_payload(decode=True) or b''
            print('PART', part.get_filename(), hashlib.sha256(data).hexdigest())
)PY";

// For each vCard or iCalendar file, as python3-vobject and python3-icalendar
// read it: "CARD <e-mail addresses>" per card, "EVENT <summary>" per event.
constexpr const char* kConsumerScript = R"PY(
import icalendar, sys, vobject
for path in sys.argv[1:]:
    text = open(path, encoding='utf-8').read()
    if path.endswith('.vcf'):
        for card in vobject.readComponents(text):
            print('CARD', ' '.join(e.value for e in card.contents.get('email', [])))
    else:
        for event in icalendar.Calendar.from_ical(text).walk('VEVENT'):
            print('EVENT', event.get('summary'))
)PY";

class ConvertFidelityCorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(MW_CORPUS_DIR) || !python_oracle::Available()) {
            GTEST_SKIP() << "no sample files or no python3";
        }
        m_dir = fs::temp_directory_path() / ("mailwright_fidelity_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config");
    }
    void TearDown() override {
        if (!m_dir.empty()) {
            fs::remove_all(m_dir);
        }
    }

    // Converts one folder (without its subfolders) of a sample file into
    // message files and reads those whose names start with `stem`, or
    // with `consumers` the cards and events of the files that end so.
    std::string convertAndRead(const std::string& file, const std::string& folder,
                               const std::string& stem, bool consumers = false) {
        const fs::path out = m_dir / "out";
        fs::remove_all(out);
        const auto run = testfiles::run_mailwright(
            m_dir, "convert " + testfiles::quoted(fs::path(MW_CORPUS_DIR) / file) + " -o " +
                       testfiles::quoted(out) + " --quiet --mail-format eml --no-subfolders " +
                       "--folder " + testfiles::quoted(folder));
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            if (consumers ? name.ends_with(stem) : name.starts_with(stem)) {
                paths.push_back(entry.path().string());
            }
        }
        EXPECT_FALSE(paths.empty()) << stem;
        if (consumers) {
            std::ofstream(m_dir / "consumers.py") << kConsumerScript;
            std::string command = "/usr/bin/python3 " + testfiles::quoted(m_dir / "consumers.py");
            for (const std::string& path : paths) {
                command += " " + testfiles::quoted(path);
            }
            EXPECT_EQ(std::system((command + " >" + testfiles::quoted(m_dir / "read")).c_str()), 0);
            return testfiles::slurp(m_dir / "read");
        }
        const auto read = python_oracle::Run(kReadScript, paths);
        EXPECT_EQ(read.exit_code, 0) << read.output;
        return read.output;
    }

    fs::path m_dir;
};

TEST_F(ConvertFidelityCorpusTest, OleObjectsKeepTheirBytesAndTheirPicturesComeOnce) {
    // The object storages as the attachment subnodes hold them, named by
    // their display name (this copy has no file names).
    const std::string parts = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Sent Items", "RTF newsletter");
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
    EXPECT_EQ(std::count(parts.begin(), parts.end(), '\n'), 1 + 6 + 5) << parts;
    EXPECT_EQ(parts.find(".wmf "), std::string::npos) << parts;
}

TEST_F(ConvertFidelityCorpusTest, AMessageWithoutASubmitTimeIsDatedByItsDelivery) {
    const std::string read = convertAndRead(
        "aspose_Outlook.pst", "Outlook/Top of Personal Folders/Inbox", "Microsoft Outlook Test");
    EXPECT_NE(read.find("DATE Tue, 21 Jun 2011 23:42:35 +0000\n"), std::string::npos) << read;
}

TEST_F(ConvertFidelityCorpusTest, ContactsAndAppointmentsOfMailFoldersBecomeCardsAndEvents) {
    const std::string cards =
        convertAndRead("aspose_PersonalStorageFile_named-ost.ost",
                       "Personal folders/Top of Personal Folders/myInbox", ".vcf", true);
    EXPECT_EQ(std::count(cards.begin(), cards.end(), '\n'), 18) << cards;
    EXPECT_NE(cards.find("CARD SebastianWright@dayrep.com\n"), std::string::npos) << cards;
    const std::string events = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Deleted Items", ".ics", true);
    EXPECT_EQ(std::count(events.begin(), events.end(), '\n'), 4) << events;
    EXPECT_EQ(events.rfind("EVENT ", 0), 0u) << events;
}

}  // namespace
