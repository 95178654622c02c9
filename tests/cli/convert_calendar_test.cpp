// `mailwright convert --kinds calendar` on the builder's calendar in both
// store variants, checked by real consumers: icalendar and ical.js parse
// every file, every TZID has its VTIMEZONE, recurring_ical_events expands
// each series to exactly the builder's occurrences, the reference mails
// parse and name their events, and the output is the same byte for byte
// whatever zone the machine converting it is in.
#include <iostream>

#include "cli/command_test.h"
#include "support/calendar_mailbox.h"

namespace {

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
        if (RunCommand("/usr/bin/python3 -c 'import icalendar, recurring_ical_events'").exitCode) {
            GTEST_SKIP() << "python3 icalendar and recurring_ical_events are not installed";
        }
        CommandTest::SetUp();
    }

    int convert(const std::string& zone, const fs::path& file, const fs::path& out,
                const std::string& options) {
        return RunCommand("TZ=" + zone + " XDG_CONFIG_HOME=" + quoted(m_dir / "config") + " " +
                          quoted(fs::path(MW_BINARY_DIR) / "src/mailwright") + " convert " +
                          quoted(file) + " -o " + quoted(out) + " --kinds calendar --quiet " +
                          options)
            .exitCode;
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
        EXPECT_THAT(
            report,
            HasSubstr("Converted Items Count: " + std::to_string(appointments.size()) + " \r\n"));
        EXPECT_THAT(report, Not(HasSubstr("MESSAGE SKIPPED")));
    }
    ASSERT_EQ(convert("Asia/Tokyo", file, m_dir / "single", "--mail-format eml"), 0);

    const python_oracle::TempFile expected(expected_json(appointments), ".json");
    const fs::path merged_ics = m_dir / "merged" / folder / "Calendar Events.ics";
    const auto singles = files_in(m_dir / "single", ".ics");
    EXPECT_GT(singles.size(),
              appointments.size());  // the moved occurrences have files of their own
    const auto python = RunCommand(
        "/usr/bin/python3 " + quoted(fs::path(MW_SOURCE_DIR) / "tests/cli/check_calendar.py") +
        " " + quoted(fs::path(expected.path())) + " " +
        quoted(fs::path((m_dir / "single" / folder / "Calendar References").string() + ":" +
                        (m_dir / "merged" / folder / "Calendar.mbox").string())) +
        " " + quoted(merged_ics) + " --" + clitest::quoted_all(singles));
    EXPECT_EQ(python.exitCode, 0) << python.output;
    std::cout << python.output;

    if (!fs::is_directory(fs::path(MW_SOURCE_DIR) / "tests/consumers/node_modules/ical.js")) {
        GTEST_SKIP() << "ical.js is not installed (scripts/setup installs it)";
    }
    const auto node = RunCommand("node '" MW_SOURCE_DIR "/tests/consumers/ical_parse.cjs' " +
                                 quoted(merged_ics) + clitest::quoted_all(singles));
    EXPECT_EQ(node.exitCode, 0) << node.output;
}

INSTANTIATE_TEST_SUITE_P(BothVariants, ConvertCalendarTest,
                         ::testing::Values(pstbuild::Variant::unicode, pstbuild::Variant::ansi));

}  // namespace
