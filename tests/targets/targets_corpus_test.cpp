// Every real sample file converted into each destination by `mailwright
// convert --target`: for every folder the items converted plus the items
// the report names as skipped equal the rows of its contents table, and
// the output holds, as the applications' formats read it, exactly the
// converted mails, contacts and calendar items.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "model/user_folders.h"
#include "platform/user_defaults.h"
#include "test_files.h"
#include "text/python_oracle.h"

namespace {

namespace fs = std::filesystem;
using mailwright::model::MAPIFolder;
namespace model = mailwright::model;

struct SelectedFolder {
    std::string path;
    std::int32_t kind;
    std::size_t rows;
};

// The folders convert selects by default, in its order.
void selected_folders(const std::shared_ptr<MAPIFolder>& folder, std::vector<SelectedFolder>& out) {
    const std::int32_t kind = folder->defaultItemType();
    if (kind == model::kFolderJournal || kind == model::kFolderNotes ||
        kind == model::kFolderTasks) {
        return;
    }
    out.push_back(
        {folder->fullFolderPath(), kind, folder->getFolder().get_contents_table().size()});
    for (const auto& child : model::userSubfolders(*folder, false)) {
        selected_folders(child, out);
    }
}

struct ReportFolder {
    std::string path;
    std::size_t converted = 0;  // the folder's own kind
    std::size_t contacts = 0;   // contacts among other items
    std::size_t events = 0;     // appointments among other items
    std::size_t leftOut = 0;
    std::size_t skipped = 0;
};

struct Report {
    std::vector<ReportFolder> folders;
    std::vector<std::string> referenceMailboxes;
};

Report parse_report(const std::string& text) {
    Report report;
    const std::regex header(R"(^Folder: (.*) \[-?\d+\]\r$)");
    const std::regex count(
        R"(^(Converted Items|Converted Contacts|Converted Calendar Events|Left Out Items) Count: )"
        R"((\d+) .*\r$)");
    const std::regex references(R"(^Calendar References Saved in: (.*)\r$)");
    std::istringstream lines(text);
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, m, header)) {
            report.folders.push_back({m[1]});
        } else if (report.folders.empty()) {
            continue;
        } else if (std::regex_match(line, m, count)) {
            ReportFolder& folder = report.folders.back();
            std::size_t& counter = m[1] == "Converted Items"      ? folder.converted
                                   : m[1] == "Converted Contacts" ? folder.contacts
                                   : m[1] == "Left Out Items"     ? folder.leftOut
                                                                  : folder.events;
            counter = std::stoul(m[2]);
        } else if (std::regex_match(line, m, references)) {
            report.referenceMailboxes.push_back(m[1]);
        } else if (line.find("SKIPPED") != std::string::npos) {
            ++report.folders.back().skipped;
        }
    }
    return report;
}

// What a command prints (standard error too) and its exit status.
python_oracle::Result run_command(const std::string& command) {
    python_oracle::Result result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    for (int c; pipe && (c = std::fgetc(pipe)) != EOF;) {
        result.output += static_cast<char>(c);
    }
    if (pipe) {
        const int raw = ::pclose(pipe);
        result.exit_code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return result;
}

TEST(TargetsCorpus, EveryFileIntoEveryDestinationAccountsForEveryItem) {
    if (!fs::is_directory(MW_CORPUS_DIR) ||
        std::system("/usr/bin/python3 -c 'import icalendar, vobject' 2>/dev/null") != 0) {
        GTEST_SKIP() << "no sample files at " << MW_CORPUS_DIR << " or no icalendar and vobject";
    }
    const fs::path dir =
        fs::temp_directory_path() / ("mw_targets_corpus_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(MW_CORPUS_DIR)) {
        if (entry.path().extension() == ".pst" || entry.path().extension() == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::size_t items = 0;
    for (const fs::path& file : files) {
        const auto session = model::PSTSession::initWithFile(
            file.string(), mailwright::platform::InMemoryUserDefaults({{"defaultCodePage", 1252}}));
        std::vector<SelectedFolder> expected;
        selected_folders(session->getRootStore()->getSubTreeFolder(), expected);
        for (const std::string target : {"thunderbird", "apple", "outlook-archive"}) {
            SCOPED_TRACE(file.filename().string() + " into " + target);
            const fs::path out = dir / target / file.filename();
            fs::create_directories(out);
            const std::string command = "cd '" + dir.string() + "' && XDG_CONFIG_HOME=. '" +
                                        MW_BINARY_DIR "/src/mailwright' convert --quiet '" +
                                        file.string() + "' -o '" + out.string() + "' --target " +
                                        target + " >/dev/null 2>&1";
            const int raw = std::system(command.c_str());
            const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            EXPECT_TRUE(status == 0 || status == 3) << status;

            fs::path reportPath;
            for (const auto& entry : fs::directory_iterator(out)) {
                if (entry.path().extension() == ".txt") {
                    reportPath = entry.path();
                }
            }
            const Report report = parse_report(testfiles::slurp(reportPath));
            ASSERT_EQ(report.folders.size(), expected.size());
            std::map<std::string, std::size_t> converted;  // by kind word of the counter
            for (std::size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(report.folders[i].path, expected[i].path);
                const ReportFolder& folder = report.folders[i];
                EXPECT_EQ(folder.converted + folder.contacts + folder.events + folder.leftOut +
                              folder.skipped,
                          expected[i].rows)
                    << expected[i].path;
                const std::string counter = expected[i].kind == model::kFolderContacts   ? "CARDS"
                                            : expected[i].kind == model::kFolderCalendar ? "EVENTS"
                                                                                         : "MAIL";
                converted[counter] += folder.converted;
                converted["CARDS"] += folder.contacts;
                converted["EVENTS"] += folder.events;
                items += folder.converted + folder.contacts + folder.events;
            }
            std::string command_line = "/usr/bin/python3 '" MW_SOURCE_DIR
                                       "/tests/targets/count_target_items.py' " +
                                       target + " '" + out.string() + "'";
            for (const auto& mailbox : report.referenceMailboxes) {
                command_line += " '" + mailbox + "'";
            }
            const python_oracle::Result counted = run_command(command_line);
            ASSERT_EQ(counted.exit_code, 0) << counted.output;
            EXPECT_EQ(counted.output.find("ERROR"), std::string::npos) << counted.output;
            for (const char* counter : {"MAIL", "CARDS", "EVENTS"}) {
                EXPECT_NE(counted.output.find(std::string(counter) + " " +
                                              std::to_string(converted[counter]) + "\n"),
                          std::string::npos)
                    << counter << "\n"
                    << counted.output;
            }
        }
    }
    fs::remove_all(dir);
    std::cout << files.size() << " files, " << items
              << " items converted over three destinations\n";
}

}  // namespace
