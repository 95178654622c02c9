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
using exporttest::ExportTest;
using exporttest::slurp;

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

TEST_F(ConversionReportTest, EachEventWritesItsTextsIntoItsRecords) {
    struct Case {
        const char* what;
        std::function<void(ConversionReport&)> event;
        std::string log;
        std::string file;
    };
    const std::string disk =
        "Please ensure that there is enough space available on the disk or you have sufficient "
        "previledges to write on the disk.\r\n\r\n";
    const Case cases[] = {
        {"path too long", [](auto& r) { r.pathTooLong("/o/p"); },
         "Conversion aborted due to following error :\r\nFollowing folder path is too long: "
         "/o/p\r\nPlease choose a shorter output path to avoid this error.\r\n",
         ""},
        {"session header", [](auto& r) { r.sessionHeader("/p/mail.pst"); },
         L + "Converting content from PST File: /p/mail.pst\r\n",
         L + "Converting content from PST File: /p/mail.pst\r\n"},
        {"session header without session", [](auto& r) { r.sessionHeader(std::nullopt); },
         L + "Converting content from Outlook\r\n", L + "Converting content from Outlook\r\n"},
        {"store separator", [](auto& r) { r.storeSeparator(); }, L, L + "\r\n"},
        {"folder header", [](auto& r) { r.folderHeader("Store/Inbox", 12); },
         "Folder: Store/Inbox [12]\r\n", L + "Folder: Store/Inbox [12]\r\n" + L},
        {"item", [](auto& r) { r.itemLine(MailItemText("Ann", "Monday", "Hi") + "\r\n\r\n"); }, "",
         "From: Ann\r\nDate: Monday\r\nSubject: Hi\r\n\r\n"},
        {"skipped item", [](auto& r) { r.skippedItem(); }, "",
         "\r\n*************** ERROR WHILE CONVERTING A MESSAGE : MESSAGE SKIPPED "
         "******************\r\n"},
        {"folder footer",
         [](auto& r) {
             r.folderFooter({3, "emails", 0, Success, "/o/I", {}});
         },
         "Converted Items Count: 3 \r\nSaved in: /o/I\r\n\r\n",
         "\r\n" + L + "Converted Items Count: 3 \r\nSaved in: /o/I\r\n\r\n"},
        {"folder footer with skips",
         [](auto& r) {
             r.folderFooter({1, "contacts", 2, CompletedWithErrors, "/o/C", {}});
         },
         "Converted Items Count: 1 \r\nError: Skipped following number of corrupt contacts "
         "(details could not be fetched): 2\r\nIf not acceptable, please repair your pst file "
         "using some pst repair tool such as \"scanpst\" (on Windows) and convert this folder "
         "again.\r\nSaved in: /o/C\r\n\r\n",
         "\r\n" + L +
             "Converted Items Count: 1 \r\nError: Skipped following number of corrupt contacts "
             "(details could not be fetched): 2\r\nIf not acceptable, please repair your pst "
             "file using some pst repair tool such as \"scanpst\" (on Windows) and convert this "
             "folder again.\r\nSaved in: /o/C\r\n\r\n"},
        {"failed folder",
         [](auto& r) {
             r.folderFooter({0, "emails", 0, Failed, "/o/I", {}});
         },
         "Converted Items Count: 0 \r\n\r\nConversion aborted due to following error:\r\n" + disk,
         "\r\n" + L +
             "Converted Items Count: 0 \r\n\r\nConversion aborted due to following error:\r\n" +
             disk},
        {"calendar footer",
         [](auto& r) {
             r.folderFooter({2, "calendar events", 0, Success, "/o/K", std::string("/o/R")});
         },
         "Converted Items Count: 2 \r\nSaved in: /o/K\r\nCalendar References Saved in: "
         "/o/R\r\n\r\n",
         "\r\n" + L +
             "Converted Items Count: 2 \r\nSaved in: /o/K\r\nCalendar References Saved in: "
             "/o/R\r\n\r\n"},
        {"exception", [](auto& r) { r.folderException("boom"); },
         "\r\n\r\nConversion aborted due to following error: boom",
         "\r\n\r\nConversion aborted due to following error: boom"},
        {"corrupt PST", [](auto& r) { r.corruptPST(); },
         L + "Conversion aborted due to following error :\r\nPST File appears to be corrupt. "
             "Please run some pst repair tool (such as \"scanpst\" on Windows) on this pst file "
             "and try again later.",
         L + "Conversion aborted due to following error :\r\nPST File appears to be corrupt. "
             "Please run some pst repair tool (such as \"scanpst\" on Windows) on this pst file "
             "and try again later."},
    };
    for (const Case& c : cases) {
        const auto [log, file] = records(c.event);
        EXPECT_EQ(log, c.log) << c.what;
        EXPECT_EQ(file, c.file) << c.what;
    }
}

TEST_F(ConversionReportTest, RunFooterByStatus) {
    const std::string start = "\r\n" + L + "\r\n";
    struct Case {
        ExportResult result;
        std::string log;
        std::string file;
    };
    const Case cases[] = {
        {{CompletedWithErrors, 3, 1, 2},
         start +
             "Total number of emails processed: 3\r\nTotal number of contacts processed: "
             "1\r\nTotal number of calendar items processed: 2\r\nConversion process completed "
             "with errors.\r\n\r\n" +
             L,
         start +
             "Total number of emails processed: 3\r\nTotal number of contacts processed: "
             "1\r\nTotal number of calendar items processed: 2\r\nConversion process completed "
             "with errors.\r\nOutput Path: /out\r\n" +
             L},
        {{Failed, 0, 0, 4},
         start +
             "Total number of calendar items processed: 4\r\nOperation aborted due to following "
             "error:\r\nPlease ensure that there is enough space avialable on the disk or you "
             "have sufficient privilege to access output folder.\r\n\r\n" +
             L,
         start +
             "Total number of calendar items processed: 4\r\nOperation aborted due to following "
             "error:\r\nPlease ensure that there is enough space avialable on the disk or you "
             "have sufficient privilege to access output folder.\r\n" +
             L},
    };
    for (const Case& c : cases) {
        const auto [log, file] = records([&](auto& r) { r.runFooter(c.result, "/out"); });
        EXPECT_EQ(log, c.log) << c.result.status;
        EXPECT_EQ(file, c.file) << c.result.status;
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
