// `mailwright convert --kinds calendar` on the builder's calendar in both
// store variants, checked by real consumers: icalendar and ical.js parse
// every file, every TZID has its VTIMEZONE, recurring_ical_events expands
// each series to exactly the builder's occurrences, the reference mails
// parse and name their events, and the output is the same byte for byte
// whatever zone the machine converting it is in. Every real sample file
// converts too, each calendar folder's events plus its skipped items
// equalling its contents table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/pst/mailbox_file.h"
#include "support/calendar_mailbox.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int run(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string shell_quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The ground truth as check_calendar.py reads it.
std::string expected_json(const std::vector<pstbuild::AppointmentSpec>& specs) {
    std::string json = "[";
    for (const auto& spec : specs) {
        json += (json.size() > 1 ? ",{" : "{") + std::string("\"subject\":\"") + spec.subject +
                "\",\"starts\":[";
        const auto list = pstbuild::occurrences(spec);
        for (std::size_t i = 0; i < list.size(); ++i) {
            json += (i ? "," : "") + std::to_string(list[i].start);
        }
        json += "]}";
    }
    return json + "]";
}

std::vector<std::string> files_in(const fs::path& folder, const std::string& extension) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == extension) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class ConvertCalendarTest : public ::testing::TestWithParam<pstbuild::Variant> {
protected:
    void SetUp() override {
        if (run("/usr/bin/python3 -c 'import icalendar, recurring_ical_events' 2>/dev/null") != 0) {
            GTEST_SKIP() << "python3 icalendar and recurring_ical_events are not installed";
        }
        m_dir = fs::temp_directory_path() /
                ("mailwright_calendar_" + std::to_string(::getpid()) +
                 (GetParam() == pstbuild::Variant::ansi ? "_ansi" : "_unicode"));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int convert(const std::string& zone, const fs::path& file, const fs::path& out,
                const std::string& options) {
        return run("TZ=" + zone + " XDG_CONFIG_HOME=" + shell_quoted(m_dir / "config") + " " +
                   shell_quoted(fs::path(MW_BINARY_DIR) / "src" / "mailwright") + " convert " +
                   shell_quoted(file) + " -o " + shell_quoted(out) + " --kinds calendar --quiet " +
                   options + " >/dev/null 2>&1");
    }

    fs::path m_dir;
};

TEST_P(ConvertCalendarTest, ConsumersReadEveryEventAtItsInstants) {
    const auto specs = pstbuild::calendar_appointments();
    const auto built = psttest::build_file(pstbuild::calendar_mailbox(specs), GetParam());
    const fs::path file = m_dir / "calendar.pst";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(built.bytes.data()),
               static_cast<std::streamsize>(built.bytes.size()));
    const fs::path folder = "calendar.pst/Calendar Test/Top of Personal Folders/Calendar";

    std::string merged;
    for (const std::string zone : {"UTC", "America/Los_Angeles", "Asia/Tokyo"}) {
        const fs::path out = m_dir / (merged.empty() ? "merged" : "merged_again");
        fs::remove_all(out);
        ASSERT_EQ(convert(zone, file, out, "--merge-calendar"), 0) << zone;
        const std::string text = slurp(out / folder / "Calendar Events.ics");
        merged = merged.empty() ? text : merged;
        EXPECT_EQ(text, merged) << "converted under TZ=" << zone;
        const std::string report = slurp(files_in(out, ".txt").front());
        EXPECT_NE(report.find("Converted Items Count: " + std::to_string(specs.size()) + " \r\n"),
                  std::string::npos);
        EXPECT_EQ(report.find("MESSAGE SKIPPED"), std::string::npos);
    }
    ASSERT_EQ(convert("Asia/Tokyo", file, m_dir / "single", "--mail-format eml"), 0);

    std::ofstream(m_dir / "expected.json") << expected_json(specs);
    std::string command =
        "/usr/bin/python3 " +
        shell_quoted(fs::path(MW_SOURCE_DIR) / "tests/cli/check_calendar.py") + " " +
        shell_quoted(m_dir / "expected.json") + " " +
        shell_quoted((m_dir / "single" / folder / "Calendar References").string() + ":" +
                     (m_dir / "merged" / folder / "Calendar.mbox").string()) +
        " " + shell_quoted(m_dir / "merged" / folder / "Calendar Events.ics") + " --";
    const auto singles = files_in(m_dir / "single", ".ics");
    EXPECT_GT(singles.size(), specs.size());  // the moved occurrences have files of their own
    for (const auto& path : singles) {
        command += " " + shell_quoted(path);
    }
    EXPECT_EQ(run(command + " >" + shell_quoted(m_dir / "python.txt") + " 2>&1"), 0)
        << slurp(m_dir / "python.txt");
    std::cout << slurp(m_dir / "python.txt");

    const fs::path icaljs = fs::path(MW_SOURCE_DIR) / "tests/consumers";
    if (!fs::is_directory(icaljs / "node_modules/ical.js")) {
        GTEST_SKIP() << "ical.js is not installed (scripts/setup installs it)";
    }
    std::string node = "node " + shell_quoted(icaljs / "ical_parse.cjs") + " " +
                       shell_quoted(m_dir / "merged" / folder / "Calendar Events.ics");
    for (const auto& path : singles) {
        node += " " + shell_quoted(path);
    }
    EXPECT_EQ(run(node + " >" + shell_quoted(m_dir / "node.txt") + " 2>&1"), 0)
        << slurp(m_dir / "node.txt");
}

INSTANTIATE_TEST_SUITE_P(BothVariants, ConvertCalendarTest,
                         ::testing::Values(pstbuild::Variant::unicode, pstbuild::Variant::ansi));

std::size_t calendar_rows(const std::shared_ptr<mailwright::model::MAPIFolder>& folder) {
    std::size_t rows = folder->defaultItemType() == mailwright::model::kFolderCalendar
                           ? folder->getFolder().get_contents_table().size()
                           : 0;
    for (const auto& child : folder->getFolders()) {
        rows += calendar_rows(child);
    }
    return rows;
}

TEST(ConvertCalendarCorpus, EveryCalendarItemIsWrittenOrNamedAsSkipped) {
    if (!fs::is_directory(MW_CORPUS_DIR)) {
        GTEST_SKIP() << "no sample files at " << MW_CORPUS_DIR;
    }
    if (run("/usr/bin/python3 -c 'import icalendar' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3 icalendar is not installed";
    }
    const fs::path dir =
        fs::temp_directory_path() / ("mailwright_calcorpus_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::string files_to_check, mailboxes;
    std::size_t total = 0;
    for (const auto& entry : fs::directory_iterator(MW_CORPUS_DIR)) {
        const fs::path& file = entry.path();
        if (file.extension() != ".pst" && file.extension() != ".ost") {
            continue;
        }
        SCOPED_TRACE(file.filename().string());
        const auto session = mailwright::model::PSTSession::initWithFile(
            file.string(), mailwright::platform::InMemoryUserDefaults({{"defaultCodePage", 1252}}));
        const std::size_t rows = calendar_rows(session->getRootStore()->getSubTreeFolder());

        const fs::path out = dir / file.filename();
        const int status = run("XDG_CONFIG_HOME='" + dir.string() + "' '" +
                               (fs::path(MW_BINARY_DIR) / "src" / "mailwright").string() +
                               "' convert '" + file.string() + "' -o '" + out.string() +
                               "' --kinds calendar --quiet >/dev/null 2>&1");
        EXPECT_TRUE(status == 0 || status == 3) << status;
        const std::string report = slurp(files_in(out, ".txt").front());
        std::size_t written = 0, skipped = 0;
        const std::regex count(R"(Converted Items Count: (\d+) )");
        for (auto m = std::sregex_iterator(report.begin(), report.end(), count);
             m != std::sregex_iterator(); ++m) {
            written += std::stoul((*m)[1]);
        }
        for (std::size_t at = report.find("MESSAGE SKIPPED"); at != std::string::npos;
             at = report.find("MESSAGE SKIPPED", at + 1)) {
            ++skipped;
        }
        EXPECT_EQ(written + skipped, rows);
        total += written;
        for (const auto& path : files_in(out, ".ics")) {
            files_to_check += " " + shell_quoted(path);
        }
        for (const auto& path : files_in(out, ".mbox")) {
            mailboxes += (mailboxes.empty() ? "" : ":") + path;
        }
    }
    ASSERT_FALSE(files_to_check.empty());
    std::ofstream(dir / "none.json") << "[]";
    const std::string python =
        "/usr/bin/python3 '" MW_SOURCE_DIR "/tests/cli/check_calendar.py' '" +
        (dir / "none.json").string() + "' '" + mailboxes + "' --" + files_to_check;
    EXPECT_EQ(run(python + " >'" + (dir / "python.txt").string() + "' 2>&1"), 0)
        << slurp(dir / "python.txt");
    if (fs::is_directory(MW_SOURCE_DIR "/tests/consumers/node_modules/ical.js")) {
        EXPECT_EQ(run("node '" MW_SOURCE_DIR "/tests/consumers/ical_parse.cjs'" + files_to_check +
                      " >'" + (dir / "node.txt").string() + "' 2>&1"),
                  0)
            << slurp(dir / "node.txt");
    }
    std::cout << total << " calendar items of the sample files converted; "
              << slurp(dir / "python.txt");
    fs::remove_all(dir);
}

}  // namespace
