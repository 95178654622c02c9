// The real sample files and generated mailboxes of both store variants,
// converted by `mailwright convert`:
// - once for each kind of output and each destination: for every folder the
//   items written plus the items the report names as skipped equal the rows
//   of its contents table, and real consumers read every file: Python's
//   mailbox and email packages the MBOX and EML mail (counting the messages
//   of each folder, without defects), vobject the merged cards (counting
//   them) and ical.js too, icalendar and ical.js the calendar files and
//   Python's email the reference mails; for each destination its mailboxes,
//   cards and calendars hold exactly the converted items as the importing
//   applications' formats read them;
// - with one and with four workers making mail ahead: the same bytes;
// - the real items whose conversion once lost data, read back by Python's
//   email, vobject and icalendar: OLE objects byte for byte, a message
//   without a submit time dated by its delivery, contacts and appointments
//   of mail folders as cards and events.
#include <cstring>
#include <iostream>
#include <map>

#include "cli/command_test.h"
#include "formats/vcard_consumers.h"
#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "model/user_folders.h"
#include "platform/user_defaults.h"

namespace {

using clitest::ReportFolder;
using mailwright::model::MAPIFolder;

// A folder a run converts, with its kind and its contents table rows.
struct Accounted {
    std::string path;
    std::int32_t type;
    std::size_t rows;
};
using Folders = std::vector<ReportFolder>;

struct Kind {
    const char* name;
    const char* options;
    std::vector<std::int32_t> folderTypes;  // the folders whose rows the run accounts for
};

// The folders a run of the kind converts (the store root and its IPM
// subtree).
void accounted_folders(const std::shared_ptr<MAPIFolder>& folder, const Kind& kind,
                       std::vector<Accounted>& out) {
    using namespace mailwright::model;
    const std::int32_t type = folder->defaultItemType();
    if (type == kFolderJournal || type == kFolderNotes || type == kFolderTasks) {
        return;
    }
    if (std::ranges::find(kind.folderTypes, type) != kind.folderTypes.end()) {
        out.push_back(
            {folder->fullFolderPath(), type, folder->getFolder().get_contents_table().size()});
    }
    for (const auto& child : userSubfolders(*folder, false)) {
        accounted_folders(child, kind, out);
    }
}

// Python counts the messages in each folder's output: as many as the report
// names converted there, without defects.
void check_mail(const Folders& folders, const std::string& format) {
    std::map<std::string, std::size_t> convertedIn;
    std::string listing;
    for (const ReportFolder& f : folders) {
        if (convertedIn.emplace(f.savedIn, 0).second) {
            listing += f.savedIn + "\n";
        }
        convertedIn[f.savedIn] += f.converted;
    }
    const python_oracle::TempFile list(listing, ".txt");
    const auto checked = RunCommand("python3 '" MW_SOURCE_DIR "/tests/cli/check_mail_counts.py' " +
                                    format + " '" + list.path() + "'");
    ASSERT_EQ(checked.exitCode, 0) << checked.output;
    std::istringstream lines(checked.output);
    std::size_t counted = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_NE(line.rfind("DEFECT", 0), 0u) << line;
        if (line.rfind("COUNT ", 0) == 0) {
            const std::size_t space = line.find(' ', 6);
            const std::string folder = line.substr(space + 1);
            EXPECT_EQ(std::stoul(line.substr(6, space - 6)), convertedIn[folder]) << folder;
            ++counted;
        }
    }
    EXPECT_EQ(counted, convertedIn.size());
}

void check_contacts(const Folders& folders) {
    for (const ReportFolder& f : folders) {
        if (f.converted == 0) {
            continue;
        }
        const std::string file = f.savedIn + "/" + f.path.substr(f.path.rfind('/') + 1) + ".vcf";
        EXPECT_EQ(vcardtest::Vobject({"count", file}).output,
                  "COUNT " + std::to_string(f.converted) + " " + file + "\n");
        const auto parsed = vcardtest::IcalJs({file});
        EXPECT_EQ(parsed.exitCode, 0) << parsed.output;
    }
}

void check_calendar(const fs::path& out) {
    const auto events = files_in(out, ".ics");
    if (events.empty()) {
        return;
    }
    std::string mailboxes;
    for (const auto& path : files_in(out, ".mbox")) {
        mailboxes += (mailboxes.empty() ? "" : ":") + path;
    }
    const python_oracle::TempFile none("[]", ".json");
    const auto python =
        RunCommand("/usr/bin/python3 '" MW_SOURCE_DIR "/tests/cli/check_calendar.py' '" +
                   none.path() + "' '" + mailboxes + "' --" + clitest::quoted_all(events));
    EXPECT_EQ(python.exitCode, 0) << python.output;
    const auto parsed = vcardtest::IcalJs(events);
    EXPECT_EQ(parsed.exitCode, 0) << parsed.output;
}

// count_target_items.py counts the destination's mails, cards and events:
// the items the report names converted of each kind.
void check_target(const std::string& target, const fs::path& out, const Folders& folders,
                  const std::vector<Accounted>& expected) {
    using namespace mailwright::model;
    std::map<std::string, std::size_t> converted;
    std::string command = "/usr/bin/python3 '" MW_SOURCE_DIR
                          "/tests/targets/count_target_items.py' " +
                          target + " " + quoted(out);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::int32_t type = expected[i].type;
        converted[type == kFolderContacts   ? "CARDS"
                  : type == kFolderCalendar ? "EVENTS"
                                            : "MAIL"] += folders[i].converted;
        converted["CARDS"] += folders[i].contacts;
        converted["EVENTS"] += folders[i].events;
        command +=
            folders[i].references.empty() ? "" : " " + quoted(fs::path(folders[i].references));
    }
    const auto counted = RunCommand(command);
    ASSERT_EQ(counted.exitCode, 0) << counted.output;
    EXPECT_THAT(counted.output, Not(HasSubstr("ERROR")));
    for (const char* counter : {"MAIL", "CARDS", "EVENTS"}) {
        EXPECT_THAT(counted.output,
                    HasSubstr(counter + (" " + std::to_string(converted[counter])) + "\n"));
    }
}

using namespace mailwright::model;
const std::vector<std::int32_t> kMail = {kFolderMail, kFolderStoreRoot};
const std::vector<std::int32_t> kEveryKind = {kFolderMail, kFolderStoreRoot, kFolderContacts,
                                              kFolderCalendar};

const Kind kKinds[] = {
    {"mbox", "--kinds mail --mail-format mbox", kMail},
    {"eml", "--kinds mail --mail-format eml", kMail},
    {"contacts", "--kinds contacts --merge-contacts", {kFolderContacts}},
    {"calendar", "--kinds calendar", {kFolderCalendar}},
    {"thunderbird", "--target thunderbird", kEveryKind},
    {"apple", "--target apple", kEveryKind},
    {"outlook_archive", "--target outlook-archive", kEveryKind},
};

// Checks one file's output with the consumers of the kind.
void check_output(const Kind& kind, const fs::path& out, const Folders& folders,
                  const std::vector<Accounted>& expected) {
    const std::string name = kind.name;
    if (name == "mbox" || name == "eml") {
        check_mail(folders, name);
    } else if (name == "contacts") {
        check_contacts(folders);
    } else if (name == "calendar") {
        check_calendar(out);
    } else {
        check_target(std::string(kind.options).substr(std::strlen("--target ")), out, folders,
                     expected);
    }
}

// Generated mailboxes of both variants, made with `options`, and the real
// sample files.
std::vector<fs::path> sample_files(const fs::path& dir, const std::string& options) {
    std::vector<fs::path> files;
    for (const std::string variant : {"unicode", "ansi"}) {
        files.push_back(dir / (variant + ".pst"));
        clitest::mkpst(options + " --" + variant, files.back());
    }
    const auto corpus = testfiles::corpus_files();
    files.insert(files.end(), corpus.begin(), corpus.end());
    return files;
}

class ConvertCorpus : public clitest::CommandTest, public ::testing::WithParamInterface<Kind> {};

TEST_P(ConvertCorpus, EveryItemIsWrittenOrNamedAsSkippedAndConsumersReadTheOutput) {
    const Kind& kind = GetParam();
    if (!python_oracle::Available() || !vcardtest::VobjectAvailable() ||
        !vcardtest::IcalJsAvailable() ||
        RunCommand("/usr/bin/python3 -c 'import icalendar'").exitCode != 0) {
        GTEST_SKIP()
            << "python3 with vobject and icalendar, or ical.js, is missing (scripts/setup)";
    }
    const std::vector<fs::path> files = sample_files(m_dir, "--messages 60");
    std::size_t items = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path out = m_dir / "out" / file.filename();
        const auto r = run(quoted(file) + " -o " + quoted(out) + " --quiet " + kind.options);
        EXPECT_TRUE(r.status == 0 || r.status == 3) << r.status << r.err;
        const auto session = mailwright::model::PSTSession::initWithFile(
            file.string(), mailwright::platform::InMemoryUserDefaults({{"defaultCodePage", 1252}}));
        std::vector<Accounted> expected;
        accounted_folders(session->getRootStore()->getSubTreeFolder(), kind, expected);
        const Folders folders = clitest::parse_report(report_in(out));
        ASSERT_EQ(folders.size(), expected.size());
        for (std::size_t i = 0; i < folders.size(); ++i) {
            const ReportFolder& f = folders[i];
            EXPECT_EQ(f.path, expected[i].path);
            EXPECT_EQ(f.converted + f.contacts + f.events + f.leftOut + f.skipped, expected[i].rows)
                << f.path;
            items += f.converted + f.contacts + f.events;
        }
        check_output(kind, out, folders, expected);
    }
    EXPECT_GT(items, 0u);
    std::cout << files.size() << " files, " << items << " items as " << kind.name << "\n";
}

INSTANTIATE_TEST_SUITE_P(Kinds, ConvertCorpus, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

// Every file below `out` by its path there; the report, whose name tells
// the time, as "report".
std::map<std::string, std::string> output_tree(const fs::path& out) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_regular_file()) {
            const bool report =
                entry.path().parent_path() == out && entry.path().extension() == ".txt";
            tree[report ? "report" : fs::relative(entry.path(), out).string()] =
                slurp(entry.path());
        }
    }
    return tree;
}

class ConvertJobs : public clitest::CommandTest {};

TEST_F(ConvertJobs, OneAndFourWorkersWriteTheSameBytes) {
    const std::string files =
        clitest::quoted_all(sample_files(m_dir, "--folders 3 --messages 200 --attachment-kb 4"));
    // A given code page reaches the workers too: the messages of the ANSI
    // sample files record 1252, which they must not follow then.
    for (const std::string format : {"mbox", "eml", "mbox --codepage 1251"}) {
        SCOPED_TRACE(format);
        std::map<std::string, std::string> first;
        for (const char* jobs : {"1", "4"}) {
            fs::remove_all(m_dir / "out");
            const auto r = run(files + " -o " + quoted(m_dir / "out") + " --quiet --mail-format " +
                               format + " -j " + jobs);
            ASSERT_TRUE(r.status == 0 || r.status == 3) << r.status << r.err;
            if (first.empty()) {
                first = output_tree(m_dir / "out");
                continue;
            }
            const auto tree = output_tree(m_dir / "out");
            EXPECT_EQ(tree.size(), first.size());
            for (const auto& [path, bytes] : first) {
                EXPECT_TRUE(tree.contains(path) && tree.at(path) == bytes) << path;
            }
        }
    }
}

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

class ConvertFidelity : public clitest::CommandTest {
protected:
    void SetUp() override {
        if (!fs::is_directory(MW_CORPUS_DIR) ||
            RunCommand("/usr/bin/python3 -c 'import icalendar, vobject'").exitCode != 0) {
            GTEST_SKIP() << "no sample files or no python3 with vobject and icalendar";
        }
        CommandTest::SetUp();
    }

    // Converts one folder of a sample file (without its subfolders) into
    // message files and reads the output files whose names start with
    // `stem` and end with `extension`.
    std::string convertAndRead(const std::string& file, const std::string& folder,
                               const std::string& stem, const std::string& extension) {
        const fs::path out = m_dir / "out";
        fs::remove_all(out);
        const auto converted =
            run(quoted(fs::path(MW_CORPUS_DIR) / file) + " -o " + quoted(out) +
                " --quiet --mail-format eml --no-subfolders --folder " + quoted(fs::path(folder)));
        EXPECT_EQ(converted.status, 0) << converted.err;
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(stem) && name.ends_with(extension)) {
                files.push_back(entry.path());
            }
        }
        const python_oracle::TempFile script(kReadScript, ".py");
        const auto read = RunCommand("/usr/bin/python3 -W ignore '" + script.path() + "'" +
                                     clitest::quoted_all(files));
        EXPECT_EQ(read.exitCode, 0) << read.output;
        return read.output;
    }
};

TEST_F(ConvertFidelity, OleObjectsKeepTheirBytesAndTheirPicturesComeOnce) {
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
    EXPECT_EQ(count_of(parts, "\n"), 1u + 6 + 5) << parts;
    EXPECT_THAT(parts, Not(HasSubstr(".wmf ")));
}

TEST_F(ConvertFidelity, DatesCardsEventsAndMeetingsOfMailFolders) {
    EXPECT_EQ(convertAndRead("aspose_Outlook.pst", "Outlook/Top of Personal Folders/Inbox",
                             "Microsoft Outlook Test", ".eml"),
              "DATE Tue, 21 Jun 2011 23:42:35 +0000\n");
    const std::string cards =
        convertAndRead("aspose_PersonalStorageFile_named-ost.ost",
                       "Personal folders/Top of Personal Folders/myInbox", "", ".vcf");
    EXPECT_EQ(count_of(cards, "\n"), 18u) << cards;
    EXPECT_THAT(cards, HasSubstr("CARD SebastianWright@dayrep.com\n"));
    const std::string events = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Deleted Items", "", ".ics");
    EXPECT_EQ(count_of(events, "\n"), 4u) << events;
    EXPECT_THAT(events, StartsWith("EVENT "));
    // The meeting requests beside them are mail with their meeting.
    const std::string requests = convertAndRead(
        "aspose_SampleOstFile.ost", "Root - Mailbox/IPM_SUBTREE/Deleted Items", "05", ".eml");
    EXPECT_EQ(count_of(requests, "\nCALENDAR REQUEST 1\n"), 5u) << requests;
}

}  // namespace
