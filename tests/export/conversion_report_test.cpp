// The records of a run: what each event writes into the log and into the
// report file, the report file's name and encoding, and the report window's
// texts.
#include <gtest/gtest.h>

#include <ctime>

#include "export/conversion_report.h"
#include "export/export_fixture.h"
#include "export/export_settings.h"
#include "export/report_file.h"
#include "export/report_summary.h"
#include "export/string_logger.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;
using namespace exporttest;

const std::string L = std::string(74, '-') + "\r\n";

class ConversionReportTest : public ExportTest {
protected:
    // Runs `events` against a fresh log and report file and returns both.
    template <typename Events>
    std::pair<std::string, std::string> records(Events events) {
        const std::string path = (out() / "r.txt").string();
        fs::remove(path);
        StringLogger log;
        {
            ReportFile file(path);
            ConversionReport report(log, file);
            events(report);
            file.close();
        }
        return {log.getLogString(), slurp(path)};
    }
};

// The texts of whole runs are checked by the run tests; these are the
// events those runs do not reach.
TEST_F(ConversionReportTest, EachEventWritesItsTextsIntoItsRecords) {
    struct Case {
        const char* what;
        std::function<void(ConversionReport&)> event;
        std::string log;
        std::string file;
    };
    const std::string skips =
        "Converted Items Count: 1 \r\nError: Skipped following number of corrupt contacts "
        "(details could not be fetched): 2\r\nIf not acceptable, please repair your pst file "
        "using some pst repair tool such as \"scanpst\" (on Windows) and convert this folder "
        "again.\r\nSaved in: /o/C\r\n\r\n";
    const std::string calendar =
        "Converted Items Count: 2 \r\nSaved in: /o/K\r\nCalendar References Saved in: "
        "/o/R\r\n\r\n";
    const std::string corrupt =
        L +
        "Conversion aborted due to following error :\r\nPST File appears to be corrupt. "
        "Please run some pst repair tool (such as \"scanpst\" on Windows) on this pst file "
        "and try again later.";
    const std::string totals =
        "\r\n" + L +
        "\r\nTotal number of emails processed: 3\r\nTotal number of contacts processed: "
        "1\r\nTotal number of calendar items processed: 2\r\nConversion process completed ";
    const std::string failed =
        "\r\n" + L +
        "\r\nTotal number of calendar items processed: 4\r\nOperation aborted due to following "
        "error:\r\nPlease ensure that there is enough space avialable on the disk or you have "
        "sufficient privilege to access output folder.";
    const Case cases[] = {
        {"session header without session", [](auto& r) { r.sessionHeader(std::nullopt); },
         L + "Converting content from Outlook\r\n", L + "Converting content from Outlook\r\n"},
        {"folder footer with skips",
         [](auto& r) {
             r.folderFooter({1, "contacts", 2, CompletedWithErrors, "/o/C", {}});
         },
         skips, "\r\n" + L + skips},
        {"calendar footer",
         [](auto& r) {
             r.folderFooter({2, "calendar events", 0, Success, "/o/K", std::string("/o/R")});
         },
         calendar, "\r\n" + L + calendar},
        {"corrupt PST", [](auto& r) { r.corruptPST(); }, corrupt, corrupt},
        {"run footer with every kind",
         [](auto& r) {
             r.runFooter({CompletedWithErrors, 3, 1, 2}, "/out");
         },
         totals + "with errors.\r\n\r\n" + L, totals + "with errors.\r\nOutput Path: /out\r\n" + L},
        {"failed run footer",
         [](auto& r) {
             r.runFooter({Failed, 0, 0, 4}, "/out");
         },
         failed + "\r\n\r\n" + L, failed + "\r\n" + L},
    };
    for (const Case& c : cases) {
        const auto [log, file] = records(c.event);
        EXPECT_EQ(log, c.log) << c.what;
        EXPECT_EQ(file, c.file) << c.what;
    }
}

TEST_F(ConversionReportTest, ReportFileNameAndItsUniquePath) {
    std::tm when{};
    when.tm_year = 2009 - 1900;
    when.tm_mon = 0;
    when.tm_mday = 5;
    when.tm_hour = 15;
    when.tm_min = 7;
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    EXPECT_EQ(ReportFileName(t), "PST Conversion Report 03.07 PM-05 Jan 2009");
    when.tm_hour = 0;
    EXPECT_EQ(ReportFileName(std::mktime(&when)), "PST Conversion Report 12.07 AM-05 Jan 2009");

    const std::string first = CreateReportFile(out().string(), t);
    const std::string second = CreateReportFile(out().string(), t);
    EXPECT_EQ(first, (out() / "PST Conversion Report 03.07 PM-05 Jan 2009.txt").string());
    EXPECT_EQ(second, (out() / "PST Conversion Report 03.07 PM-05 Jan 2009 (1).txt").string());
    EXPECT_EQ(fs::file_size(first), 0u);
    EXPECT_EQ(CreateReportFile((out() / "missing").string(), t), "");
}

TEST_F(ConversionReportTest, AFailingReportFileDoesNotStopTheRecords) {
    StringLogger log;
    ReportFile file("/dev/full");
    ConversionReport report(log, file);
    report.folderHeader("S/I", 1);
    report.runFooter({Success, 1, 0, 0}, "/o");
    file.close();
    EXPECT_NE(log.getLogString().find("Conversion process completed successfully."),
              std::string::npos);
}

}  // namespace
}  // namespace mailwright::exporting
