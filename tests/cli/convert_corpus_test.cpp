// Every real sample file and the sample mailbox of both store variants,
// converted by `mailwright convert` once for each kind of output: for every
// folder of that kind the items written plus the items the report names as
// skipped equal the rows of its contents table, and real consumers read
// every file: Python's mailbox and email packages the MBOX and EML mail
// (counting the messages of each folder, without defects), vobject the
// merged cards (counting them) and ical.js too, icalendar and ical.js the
// calendar files and Python's email the reference mails.
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

struct Kind {
    const char* name;
    const char* options;
    std::vector<std::int32_t> folderTypes;  // the folders whose rows the run accounts for
    // Checks one file's output with the consumers.
    void (*check)(const fs::path& out, const std::vector<ReportFolder>& folders);
};

// The folders a run of the kind converts (the store root and its IPM
// subtree), with their contents table rows.
void accounted_folders(const std::shared_ptr<MAPIFolder>& folder, const Kind& kind,
                       std::vector<std::pair<std::string, std::size_t>>& out) {
    using namespace mailwright::model;
    const std::int32_t type = folder->defaultItemType();
    if (type == kFolderJournal || type == kFolderNotes || type == kFolderTasks) {
        return;
    }
    if (std::ranges::find(kind.folderTypes, type) != kind.folderTypes.end()) {
        out.emplace_back(folder->fullFolderPath(), folder->getFolder().get_contents_table().size());
    }
    for (const auto& child : userSubfolders(*folder, false)) {
        accounted_folders(child, kind, out);
    }
}

// Python counts the messages in each folder's output: as many as the report
// names converted there, without defects.
void check_mail(const fs::path& out, const std::vector<ReportFolder>& folders, const char* format) {
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

void check_contacts(const fs::path&, const std::vector<ReportFolder>& folders) {
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

void check_calendar(const fs::path& out, const std::vector<ReportFolder>&) {
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

const Kind kKinds[] = {
    {"mbox",
     "--kinds mail --mail-format mbox",
     {mailwright::model::kFolderMail, mailwright::model::kFolderStoreRoot},
     [](const fs::path& out, const std::vector<ReportFolder>& f) { check_mail(out, f, "mbox"); }},
    {"eml",
     "--kinds mail --mail-format eml",
     {mailwright::model::kFolderMail, mailwright::model::kFolderStoreRoot},
     [](const fs::path& out, const std::vector<ReportFolder>& f) { check_mail(out, f, "eml"); }},
    {"contacts",
     "--kinds contacts --merge-contacts",
     {mailwright::model::kFolderContacts},
     check_contacts},
    {"calendar", "--kinds calendar", {mailwright::model::kFolderCalendar}, check_calendar},
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
        std::vector<std::pair<std::string, std::size_t>> expected;
        accounted_folders(session->getRootStore()->getSubTreeFolder(), kind, expected);
        const auto folders = clitest::parse_report(report_in(out));
        ASSERT_EQ(folders.size(), expected.size());
        for (std::size_t i = 0; i < folders.size(); ++i) {
            EXPECT_EQ(folders[i].path, expected[i].first);
            EXPECT_EQ(folders[i].converted + folders[i].otherKinds + folders[i].skipped,
                      expected[i].second)
                << folders[i].path;
            items += folders[i].converted;
        }
        kind.check(out, folders);
    }
    EXPECT_GT(items, 0u);
    std::cout << files.size() << " files, " << items << " items as " << kind.name << "\n";
}

INSTANTIATE_TEST_SUITE_P(Kinds, ConvertCorpus, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
