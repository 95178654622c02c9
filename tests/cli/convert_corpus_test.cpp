// Every real sample file and the sample mailbox of both store variants,
// converted by `mailwright convert` once for each kind of output and each
// destination: for every folder the items written plus the items the report
// names as skipped equal the rows of its contents table, and real consumers
// read every file: Python's mailbox and email packages the MBOX and EML mail
// (counting the messages of each folder, without defects), vobject the
// merged cards (counting them) and ical.js too, icalendar and ical.js the
// calendar files and Python's email the reference mails; for each
// destination its mailboxes, cards and calendars hold exactly the converted
// items as the importing applications' formats read them.
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
#include "text/python_oracle.h"

namespace {

namespace fs = std::filesystem;
using clitest::ReportFolder;
using mailwright::model::MAPIFolder;
using testfiles::quoted;
using vcardtest::RunCommand;

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
    // Checks one file's output with the consumers.
    void (*check)(const fs::path& out, const Folders& folders, const std::vector<Accounted>&);
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
void check_mail(const fs::path& out, const Folders& folders, const char* format) {
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
                                    std::string(format) + " '" + list.path() + "'");
    ASSERT_EQ(checked.exitCode, 0) << checked.output << out;
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

void check_contacts(const fs::path&, const Folders& folders, const std::vector<Accounted>&) {
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

void check_calendar(const fs::path& out, const Folders&, const std::vector<Accounted>&) {
    const auto events = clitest::files_in(out, ".ics");
    if (events.empty()) {
        return;
    }
    std::string files, mailboxes;
    for (const auto& path : events) {
        files += " '" + path + "'";
    }
    for (const auto& path : clitest::files_in(out, ".mbox")) {
        mailboxes += (mailboxes.empty() ? "" : ":") + path;
    }
    const python_oracle::TempFile none("[]", ".json");
    const auto python =
        RunCommand("/usr/bin/python3 '" MW_SOURCE_DIR "/tests/cli/check_calendar.py' '" +
                   none.path() + "' '" + mailboxes + "' --" + files);
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
    EXPECT_EQ(counted.output.find("ERROR"), std::string::npos) << counted.output;
    for (const char* counter : {"MAIL", "CARDS", "EVENTS"}) {
        EXPECT_NE(counted.output.find(counter + (" " + std::to_string(converted[counter])) + "\n"),
                  std::string::npos)
            << counter << "\n"
            << counted.output;
    }
}

using namespace mailwright::model;
const std::vector<std::int32_t> kMail = {kFolderMail, kFolderStoreRoot};
const std::vector<std::int32_t> kEveryKind = {kFolderMail, kFolderStoreRoot, kFolderContacts,
                                              kFolderCalendar};

const Kind kKinds[] = {
    {"mbox", "--kinds mail --mail-format mbox", kMail,
     [](const fs::path& out, const Folders& f, const auto&) { check_mail(out, f, "mbox"); }},
    {"eml", "--kinds mail --mail-format eml", kMail,
     [](const fs::path& out, const Folders& f, const auto&) { check_mail(out, f, "eml"); }},
    {"contacts", "--kinds contacts --merge-contacts", {kFolderContacts}, check_contacts},
    {"calendar", "--kinds calendar", {kFolderCalendar}, check_calendar},
    {"thunderbird", "--target thunderbird", kEveryKind,
     [](const fs::path& out, const Folders& f, const std::vector<Accounted>& e) {
         check_target("thunderbird", out, f, e);
     }},
    {"apple", "--target apple", kEveryKind,
     [](const fs::path& out, const Folders& f, const std::vector<Accounted>& e) {
         check_target("apple", out, f, e);
     }},
    {"outlook_archive", "--target outlook-archive", kEveryKind,
     [](const fs::path& out, const Folders& f, const std::vector<Accounted>& e) {
         check_target("outlook-archive", out, f, e);
     }},
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
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
    std::vector<fs::path> files;
    for (const char* variant : {"unicode", "ansi"}) {
        files.push_back(m_dir / (std::string(variant) + ".pst"));
        ASSERT_EQ(RunCommand("'" MW_BINARY_DIR "/tests/mkpst' --quiet --messages 60 --" +
                             std::string(variant) + " " + quoted(files.back()))
                      .exitCode,
                  0);
    }
    const auto corpus = clitest::corpus_files();
    files.insert(files.end(), corpus.begin(), corpus.end());
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
        kind.check(out, folders, expected);
    }
    EXPECT_GT(items, 0u);
    std::cout << files.size() << " files, " << items << " items as " << kind.name << "\n";
}

INSTANTIATE_TEST_SUITE_P(Kinds, ConvertCorpus, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
