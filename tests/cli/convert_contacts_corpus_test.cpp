// Every real sample file, and the sample mailbox of both store variants,
// converted with `mailwright convert --kinds contacts --merge-contacts`: for
// every contacts folder the cards written plus the contacts the report
// names as skipped equal the rows of its contents table, vobject finds
// exactly the written cards in the folder's file, and vobject and ical.js
// read every file without an error or a warning.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "formats/vcard_consumers.h"
#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"

namespace {

namespace fs = std::filesystem;

// Contacts folders with their contents table rows, in walk order.
void contacts_folders(const std::shared_ptr<mailwright::model::MAPIFolder>& folder,
                      std::vector<std::pair<std::string, std::size_t>>& out) {
    if (folder->defaultItemType() == mailwright::model::kFolderContacts) {
        out.emplace_back(folder->fullFolderPath(), folder->getFolder().get_contents_table().size());
    }
    for (const auto& child : folder->getFolders()) {
        contacts_folders(child, out);
    }
}

// Per folder of the report: path, converted, skipped, the folder's file.
struct ReportFolder {
    std::string path;
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::string file;
};

std::vector<ReportFolder> parse_report(std::istream& report) {
    std::vector<ReportFolder> folders;
    const std::regex header(R"(^Folder: (.*) \[-?\d+\]\r$)");
    const std::regex count(R"(^Converted Items Count: (\d+) \r$)");
    std::smatch m;
    for (std::string line; std::getline(report, line);) {
        if (std::regex_match(line, m, header)) {
            folders.push_back({m[1], 0, 0, {}});
        } else if (!folders.empty() && std::regex_match(line, m, count)) {
            folders.back().converted = std::stoul(m[1]);
        } else if (!folders.empty() && line.rfind("Saved in: ", 0) == 0) {
            const std::string dir = line.substr(10, line.size() - 11);
            const std::string name = folders.back().path.substr(folders.back().path.rfind('/') + 1);
            folders.back().file = dir + "/" + name + ".vcf";
        } else if (!folders.empty() && line.find("MESSAGE SKIPPED") != std::string::npos) {
            ++folders.back().skipped;
        }
    }
    return folders;
}

TEST(ConvertContactsCorpus, EveryContactIsWrittenOrReportedAndEveryFileParses) {
    if (!vcardtest::VobjectAvailable() || !vcardtest::IcalJsAvailable()) {
        GTEST_SKIP() << "vobject or ical.js is not installed (scripts/setup)";
    }
    const fs::path dir = fs::temp_directory_path() / ("mw_contacts_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<fs::path> files;
    for (const char* variant : {"--unicode", "--ansi"}) {
        files.push_back(dir / (std::string(variant + 2) + ".pst"));
        const std::string mkpst = "'" MW_BINARY_DIR "/tests/mkpst' --quiet --messages 60 " +
                                  std::string(variant) + " '" + files.back().string() + "'";
        ASSERT_EQ(std::system(mkpst.c_str()), 0);
    }
    if (fs::is_directory(MW_CORPUS_DIR)) {
        for (const auto& entry : fs::directory_iterator(MW_CORPUS_DIR)) {
            if (entry.path().extension() == ".pst" || entry.path().extension() == ".ost") {
                files.push_back(entry.path());
            }
        }
    } else {
        std::cout << "no sample files at " MW_CORPUS_DIR ": only the sample mailboxes\n";
    }
    std::size_t cards = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path out = dir / "out" / file.filename();
        const auto r = vcardtest::RunCommand("XDG_CONFIG_HOME='" + dir.string() +
                                             "' '" MW_BINARY_DIR
                                             "/src/mailwright' convert --quiet --kinds contacts "
                                             "--merge-contacts '" +
                                             file.string() + "' -o '" + out.string() + "'");
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 3) << r.output;
        const auto session = mailwright::model::PSTSession::initWithFile(
            file.string(), mailwright::platform::InMemoryUserDefaults({{"defaultCodePage", 1252}}));
        std::vector<std::pair<std::string, std::size_t>> expected;
        contacts_folders(session->getRootStore()->getSubTreeFolder(), expected);
        std::vector<ReportFolder> folders;
        for (const auto& entry : fs::directory_iterator(out)) {
            if (entry.path().extension() == ".txt") {
                std::ifstream report(entry.path(), std::ios::binary);
                folders = parse_report(report);
            }
        }
        ASSERT_EQ(folders.size(), expected.size());
        for (std::size_t i = 0; i < folders.size(); ++i) {
            EXPECT_EQ(folders[i].path, expected[i].first);
            EXPECT_EQ(folders[i].converted + folders[i].skipped, expected[i].second);
            cards += folders[i].converted;
            if (folders[i].converted == 0) {
                continue;
            }
            const auto counted = vcardtest::Vobject({"count", folders[i].file});
            EXPECT_EQ(counted.output, "COUNT " + std::to_string(folders[i].converted) + " " +
                                          folders[i].file + "\n");
            const auto parsed = vcardtest::IcalJs({folders[i].file});
            EXPECT_EQ(parsed.exitCode, 0) << parsed.output;
        }
    }
    EXPECT_GT(cards, 0u);
    std::cout << files.size() << " files, " << cards << " cards\n";
    fs::remove_all(dir);
}

}  // namespace
