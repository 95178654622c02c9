// Every real sample file converted by `mailwright convert` into MBOX and
// into EML: every mailbox and message file parses with Python's mailbox and
// email packages without defects, and for every folder the messages in its
// output plus the messages the report names as skipped equal the rows of its
// contents table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

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
using mailwright::model::PSTSession;
using testfiles::slurp;

// Counts the messages of every mailbox or message file directly in each
// listed folder and reports every parsing defect.
constexpr const char* kCheckScript = R"PY(
import email, email.policy, mailbox, os, sys
fmt, listing = sys.argv[1], sys.argv[2]
def defects(msg):
    found = []
    for part in msg.walk():
        found += [type(d).__name__ for d in part.defects]
    return found
for folder in open(listing, encoding='utf-8').read().split('\n'):
    if not folder:
        continue
    count = 0
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if fmt == 'mbox' and name.endswith('.mbox') and os.path.isfile(path):
            for message in mailbox.mbox(path, create=False):
                count += 1
                parsed = email.message_from_bytes(message.as_bytes(), policy=email.policy.default)
                for d in defects(parsed):
                    print('DEFECT', path, count, d)
        elif fmt == 'eml' and name.endswith('.eml'):
            count += 1
            with open(path, 'rb') as f:
                parsed = email.message_from_binary_file(f, policy=email.policy.default)
            for d in defects(parsed):
                print('DEFECT', path, d)
    print('COUNT', count, folder)
)PY";

// One folder's block of the report: its path, what it converted and
// skipped, and where its output went.
struct report_folder {
    std::string path;
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::string saved_in;
    // Contacts and appointments converted beside the mail, items left out.
    std::size_t other_kinds = 0;
};

std::vector<report_folder> parse_report(const std::string& report) {
    std::vector<report_folder> folders;
    const std::regex header(R"(^Folder: (.*) \[-?\d+\]\r$)");
    const std::regex count(R"(^Converted Items Count: (\d+) \r$)");
    const std::regex saved(R"(^Saved in: (.*)\r$)");
    const std::regex other(
        R"(^(?:Converted Contacts|Converted Calendar Events|Left Out Items) Count: (\d+) .*\r$)");
    std::istringstream lines(report);
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, m, header)) {
            folders.push_back({m[1], 0, 0, {}, 0});
        } else if (folders.empty()) {
            continue;
        } else if (std::regex_match(line, m, count)) {
            folders.back().converted = std::stoul(m[1]);
        } else if (std::regex_match(line, m, other)) {
            folders.back().other_kinds += std::stoul(m[1]);
        } else if (std::regex_match(line, m, saved)) {
            folders.back().saved_in = m[1];
        } else if (line.find("MESSAGE SKIPPED") != std::string::npos) {
            ++folders.back().skipped;
        }
    }
    return folders;
}

// Mail folders as the convert command selects them with --kinds mail (the
// store's IPM subtree and the root), with their contents table rows.
void mail_folders(const std::shared_ptr<MAPIFolder>& folder,
                  std::vector<std::pair<std::string, std::size_t>>& out) {
    const std::int32_t kind = folder->defaultItemType();
    using namespace mailwright::model;
    if (kind == kFolderJournal || kind == kFolderNotes || kind == kFolderTasks) {
        return;
    }
    if (kind == kFolderMail || kind == kFolderStoreRoot) {
        out.emplace_back(folder->fullFolderPath(), folder->getFolder().get_contents_table().size());
    }
    for (const auto& child : mailwright::model::userSubfolders(*folder, false)) {
        mail_folders(child, out);
    }
}

class ConvertCorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(MW_CORPUS_DIR)) {
            GTEST_SKIP() << "no sample files at " << MW_CORPUS_DIR;
        }
        if (!python_oracle::Available()) {
            GTEST_SKIP() << "python3 is not available";
        }
        m_dir = fs::temp_directory_path() / ("mailwright_corpus_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config");
    }
    void TearDown() override {
        if (!m_dir.empty()) {
            fs::remove_all(m_dir);
        }
    }

    fs::path m_dir;
};

TEST_F(ConvertCorpusTest, EveryFileConvertsCompletelyIntoBothFormats) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(MW_CORPUS_DIR)) {
        const auto ext = entry.path().extension();
        if (ext == ".pst" || ext == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    std::size_t total_messages = 0;
    for (const fs::path& file : files) {
        const auto session = PSTSession::initWithFile(
            file.string(), mailwright::platform::InMemoryUserDefaults({{"defaultCodePage", 1252}}));
        std::vector<std::pair<std::string, std::size_t>> expected;
        mail_folders(session->getRootStore()->getSubTreeFolder(), expected);

        for (const std::string format : {"mbox", "eml"}) {
            SCOPED_TRACE(file.filename().string() + " as " + format);
            const fs::path out = m_dir / format / file.filename();
            const std::string command = "XDG_CONFIG_HOME='" + (m_dir / "config").string() + "' '" +
                                        (fs::path(MW_BINARY_DIR) / "src" / "mailwright").string() +
                                        "' convert '" + file.string() + "' -o '" + out.string() +
                                        "' --kinds mail --quiet --mail-format " + format + " >'" +
                                        (m_dir / "stdout").string() + "' 2>&1";
            const int raw = std::system(command.c_str());
            const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            EXPECT_TRUE(status == 0 || status == 3) << status << slurp(m_dir / "stdout");

            fs::path report_path;
            for (const auto& entry : fs::directory_iterator(out)) {
                if (entry.path().extension() == ".txt") {
                    report_path = entry.path();
                }
            }
            const auto folders = parse_report(slurp(report_path));
            ASSERT_EQ(folders.size(), expected.size());
            std::map<std::string, std::size_t> converted_in;
            std::string listing;
            for (std::size_t i = 0; i < folders.size(); ++i) {
                EXPECT_EQ(folders[i].path, expected[i].first);
                EXPECT_EQ(folders[i].converted + folders[i].other_kinds + folders[i].skipped,
                          expected[i].second)
                    << folders[i].path;
                if (converted_in.emplace(folders[i].saved_in, 0).second) {
                    listing += folders[i].saved_in + "\n";
                }
                converted_in[folders[i].saved_in] += folders[i].converted;
                total_messages += folders[i].converted;
            }
            const python_oracle::TempFile list(listing, ".txt");
            const auto checked = python_oracle::Run(kCheckScript, {format, list.path()});
            ASSERT_EQ(checked.exit_code, 0) << checked.output;
            std::istringstream lines(checked.output);
            std::size_t counted = 0;
            for (std::string line; std::getline(lines, line);) {
                EXPECT_NE(line.rfind("DEFECT", 0), 0u) << line;
                if (line.rfind("COUNT ", 0) == 0) {
                    const std::size_t space = line.find(' ', 6);
                    const std::string folder = line.substr(space + 1);
                    EXPECT_EQ(std::stoul(line.substr(6, space - 6)), converted_in[folder])
                        << folder;
                    ++counted;
                }
            }
            EXPECT_EQ(counted, converted_in.size());
        }
    }
    std::cout << files.size() << " files, " << total_messages
              << " messages converted over both formats\n";
}

}  // namespace
