// `mailwright convert --kinds calendar` on the builder's calendar in both
// store variants, checked by real consumers: icalendar and ical.js parse
// every file, every TZID has its VTIMEZONE, recurring_ical_events expands
// each series to exactly the builder's occurrences, the reference mails
// parse and name their events, and the output is the same byte for byte
// whatever zone the machine converting it is in.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "cli/command_test.h"
#include "support/calendar_mailbox.h"

namespace {

namespace fs = std::filesystem;
using clitest::files_in;
using testfiles::slurp;

int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// The ground truth as check_calendar.py reads it.
std::string expected_json(const std::vector<pstbuild::Appointment>& appointments) {
    std::string json = "[";
    for (const auto& appointment : appointments) {
        json += (json.size() > 1 ? ",{" : "{") + std::string("\"subject\":\"") +
                appointment.subject + "\",\"starts\":[";
        const auto list = pstbuild::occurrences(appointment);
        for (std::size_t i = 0; i < list.size(); ++i) {
            json += (i ? "," : "") + std::to_string(list[i].start);
        }
        json += "]}";
    }
    return json + "]";
}

class ConvertCalendarTest : public clitest::CommandTest,
                            public ::testing::WithParamInterface<pstbuild::Variant> {
protected:
    void SetUp() override {
        if (shell("/usr/bin/python3 -c 'import icalendar, recurring_ical_events' 2>/dev/null") !=
            0) {
            GTEST_SKIP() << "python3 icalendar and recurring_ical_events are not installed";
        }
        CommandTest::SetUp();
    }

    int convert(const std::string& zone, const fs::path& file, const fs::path& out,
                const std::string& options) {
        return shell("TZ=" + zone + " XDG_CONFIG_HOME=" + testfiles::quoted(m_dir / "config") +
                     " " + testfiles::quoted(fs::path(MW_BINARY_DIR) / "src" / "mailwright") +
                     " convert " + testfiles::quoted(file) + " -o " + testfiles::quoted(out) +
                     " --kinds calendar --quiet " + options + " >/dev/null 2>&1");
    }
};

TEST_P(ConvertCalendarTest, ConsumersReadEveryEventAtItsInstants) {
    const auto appointments = pstbuild::calendar_appointments();
    const auto built = psttest::build_file(pstbuild::calendar_mailbox(appointments), GetParam());
    const fs::path file = write("calendar.pst", built);
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
        EXPECT_NE(
            report.find("Converted Items Count: " + std::to_string(appointments.size()) + " \r\n"),
            std::string::npos);
        EXPECT_EQ(report.find("MESSAGE SKIPPED"), std::string::npos);
    }
    ASSERT_EQ(convert("Asia/Tokyo", file, m_dir / "single", "--mail-format eml"), 0);

    std::ofstream(m_dir / "expected.json") << expected_json(appointments);
    std::string command =
        "/usr/bin/python3 " +
        testfiles::quoted(fs::path(MW_SOURCE_DIR) / "tests/cli/check_calendar.py") + " " +
        testfiles::quoted(m_dir / "expected.json") + " " +
        testfiles::quoted((m_dir / "single" / folder / "Calendar References").string() + ":" +
                          (m_dir / "merged" / folder / "Calendar.mbox").string()) +
        " " + testfiles::quoted(m_dir / "merged" / folder / "Calendar Events.ics") + " --";
    const auto singles = files_in(m_dir / "single", ".ics");
    EXPECT_GT(singles.size(),
              appointments.size());  // the moved occurrences have files of their own
    for (const auto& path : singles) {
        command += " " + testfiles::quoted(path);
    }
    EXPECT_EQ(shell(command + " >" + testfiles::quoted(m_dir / "python.txt") + " 2>&1"), 0)
        << slurp(m_dir / "python.txt");
    std::cout << slurp(m_dir / "python.txt");

    const fs::path icaljs = fs::path(MW_SOURCE_DIR) / "tests/consumers";
    if (!fs::is_directory(icaljs / "node_modules/ical.js")) {
        GTEST_SKIP() << "ical.js is not installed (scripts/setup installs it)";
    }
    std::string node = "node " + testfiles::quoted(icaljs / "ical_parse.cjs") + " " +
                       testfiles::quoted(m_dir / "merged" / folder / "Calendar Events.ics");
    for (const auto& path : singles) {
        node += " " + testfiles::quoted(path);
    }
    EXPECT_EQ(shell(node + " >" + testfiles::quoted(m_dir / "node.txt") + " 2>&1"), 0)
        << slurp(m_dir / "node.txt");
}

INSTANTIATE_TEST_SUITE_P(BothVariants, ConvertCalendarTest,
                         ::testing::Values(pstbuild::Variant::unicode, pstbuild::Variant::ansi));

}  // namespace
