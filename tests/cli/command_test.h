// Runs of the built program for the command tests: a scratch folder per
// test with the program's settings in it, builder and generated files
// written there, shell commands with their output, the folder blocks of a
// conversion report, and the real sample files.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "pstread/pst/mailbox_file.h"
#include "test_files.h"
#include "text/python_oracle.h"

namespace clitest {

namespace fs = std::filesystem;
using python_oracle::RunCommand;  // a shell command's status and both its streams
using testfiles::count_of;
using testfiles::quoted;
using testfiles::run_result;
using testfiles::slurp;

// Writes a mailbox with the project's generator, tests/mkpst.
inline void mkpst(const std::string& options, const fs::path& path) {
    const auto made =
        RunCommand("'" MW_BINARY_DIR "/tests/mkpst' --quiet " + options + " " + quoted(path));
    ASSERT_EQ(made.exitCode, 0) << made.output;
}

// Each path quoted, after a space.
template <typename Paths>
std::string quoted_all(const Paths& paths) {
    std::string text;
    for (const auto& path : paths) {
        text += " " + quoted(fs::path(path));
    }
    return text;
}

// Files below `folder` with the extension, sorted.
inline std::vector<std::string> files_in(const fs::path& folder, const std::string& extension) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == extension) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// One folder's block of a conversion report: its path, what it converted
// and skipped, and where its output went.
struct ReportFolder {
    std::string path;
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::string savedIn;
    // Contacts and appointments converted beside the folder's own kind,
    // items left out, and where the reference mails went.
    std::size_t contacts = 0;
    std::size_t events = 0;
    std::size_t leftOut = 0;
    std::string references;
};

inline std::vector<ReportFolder> parse_report(const std::string& report) {
    std::vector<ReportFolder> folders;
    const std::regex header(R"(^Folder: (.*) \[-?\d+\]\r$)");
    const std::regex count(R"(^Converted Items Count: (\d+) \r$)");
    const std::regex saved(R"(^(Calendar References )?Saved in: (.*)\r$)");
    const std::regex other(
        R"(^(Converted Contacts|Converted Calendar Events|Left Out Items) Count: (\d+) .*\r$)");
    std::istringstream lines(report);
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, m, header)) {
            folders.emplace_back().path = m[1];
        } else if (folders.empty()) {
            continue;
        } else if (std::regex_match(line, m, count)) {
            folders.back().converted = std::stoul(m[1]);
        } else if (std::regex_match(line, m, other)) {
            ReportFolder& f = folders.back();
            (m[1] == "Converted Contacts" ? f.contacts
             : m[1] == "Left Out Items"   ? f.leftOut
                                          : f.events) = std::stoul(m[2]);
        } else if (std::regex_match(line, m, saved)) {
            (m[1].matched ? folders.back().references : folders.back().savedIn) = m[2];
        } else if (line.find("MESSAGE SKIPPED") != std::string::npos) {
            ++folders.back().skipped;
        }
    }
    return folders;
}

// A scratch folder per test, with the program's settings in DIR/config.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ranges::replace(name, '/', '_');
        m_dir = fs::temp_directory_path() /
                ("mailwright_cli_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path write(const std::string& name, const psttest::BuiltMailbox& built) const {
        return testfiles::write_bytes(m_dir / name, built.bytes);
    }

    // `mailwright COMMAND ARGUMENTS` with its output captured.
    run_result run(const std::string& arguments) const {
        return testfiles::run_mailwright(m_dir, m_command + " " + arguments);
    }

    // The report a run wrote into `out`.
    static std::string report_in(const fs::path& out) {
        for (const auto& entry : fs::directory_iterator(out)) {
            if (entry.path().extension() == ".txt") {
                return slurp(entry.path());
            }
        }
        return {};
    }

    fs::path m_dir;
    std::string m_command = "convert";
};

}  // namespace clitest

// The names the command tests share.
namespace fs = std::filesystem;
using clitest::count_of;
using clitest::files_in;
using clitest::RunCommand;
using testfiles::quoted;
using testfiles::run_result;
using testfiles::slurp;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
