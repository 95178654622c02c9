// The driver and its records: statuses and how they merge, the log and
// report of whole runs in order, progress, cancellation (before the run and
// after skips; a cancel mid-run is the command's Ctrl-C test), items that
// cannot be converted, output that cannot be written, a path that is too
// long and a PST that turns out corrupt; what each other event writes into
// the log and the report file, and the report file's name.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fstream>

#include "export/conversion_report.h"
#include "export/export_fixture.h"
#include "export/export_settings.h"
#include "export/mbox_mailbox.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/report_file.h"
#include "export/report_summary.h"
#include "export/safe_name.h"
#include "export/string_logger.h"
#include "formats/text_charset.h"
#include "pstread/pst/folder.h"
#include "support/appointment_builder.h"
#include "support/contact_builder.h"
#include "support/mailbox_writer.h"
#include "support/property_value.h"

namespace mailwright::exporting {
namespace {

using namespace exporttest;

const std::string L = std::string(74, '-') + "\r\n";

// A store "Ann" with the folders Inbox, Sent and Archive under its top
// folder, holding the given numbers of messages.
pstbuild::Mailbox three_folders(int inbox, int sent, int archive) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    const std::pair<const char*, int> folders[] = {
        {"Inbox", inbox}, {"Sent", sent}, {"Archive", archive}};
    for (const auto& [name, count] : folders) {
        pstbuild::Folder& f = box.top().add_folder(name);
        for (int i = 1; i <= count; ++i) {
            f.messages.push_back(mail(std::string(name) + " " + std::to_string(i)));
        }
    }
    return box;
}

// True when every piece occurs in `text`, in this order.
::testing::AssertionResult in_order(const std::string& text,
                                    const std::vector<std::string>& pieces) {
    std::size_t at = 0;
    for (const auto& piece : pieces) {
        const std::size_t found = text.find(piece, at);
        if (found == std::string::npos) {
            return ::testing::AssertionFailure()
                   << "missing after offset " << at << ": \"" << piece << "\" in\n"
                   << text;
        }
        at = found + piece.size();
    }
    return ::testing::AssertionSuccess();
}

class ExportRunTest : public ExportTest {
protected:
    std::string inboxDir() const {
        return (out() / "mail.pst/Ann/Top of Personal Folders/Inbox").string();
    }
};

TEST_F(ExportRunTest, OneFolderOfThreeMessagesGivesTheWholeLogAndReport) {
    const auto session = open_session(psttest::build_file(three_folders(3, 0, 0)));
    const auto r = run(settings(pick(session, {"Inbox"})));
    EXPECT_EQ(r.result.status, Success);
    EXPECT_EQ(r.result.mailCount, 3u);
    const std::string folder = "Folder: Ann/Top of Personal Folders/Inbox [3]\r\n";
    EXPECT_EQ(r.log, L + "Converting content from PST File: /home/ann/mail.pst\r\n" + L + folder +
                         "Converted Items Count: 3 \r\nSaved in: " + inboxDir() + "\r\n\r\n\r\n" +
                         L + "\r\nTotal number of emails processed: 3\r\n" +
                         "Conversion process completed successfully.\r\n\r\n" + L);
    EXPECT_TRUE(in_order(
        r.report,
        {L + "Converting content from PST File: /home/ann/mail.pst\r\n" + L + "\r\n" + L + folder +
             L + "From: Ann Example\r\nDate: ",
         "\r\nSubject: Inbox 1\r\n\r\nFrom: Ann Example\r\nDate: ", "\r\nSubject: Inbox 2\r\n\r\n",
         "\r\nSubject: Inbox 3\r\n\r\n\r\n" + L + "Converted Items Count: 3 \r\nSaved in: " +
             inboxDir() + "\r\n\r\n\r\n" + L + "\r\nTotal number of emails processed: 3\r\n" +
             "Conversion process completed successfully.\r\nOutput Path: " + out().string() +
             "\r\n" + L}));
    EXPECT_TRUE(r.report.ends_with("\r\n" + L));
}

TEST_F(ExportRunTest, ProgressShowsFoldersItemsAndPercentages) {
    const auto session = open_session(psttest::build_file(three_folders(2, 0, 1)));
    RecordingPresenter shown;
    run(settings(pick(session, {"Inbox", "Archive"})), {}, &shown);
    EXPECT_EQ(shown.folderLabels, (std::vector<std::string>{"Overall: Folders [ 1 / 2 ]",
                                                            "Overall: Folders [ 2 / 2 ]", ""}));
    EXPECT_EQ(shown.itemLabels, (std::vector<std::string>{
                                    "Overall: Items [  0 / 3 ]", "Overall Items: [ 1 / 3 ]",
                                    "Overall Items: [ 2 / 3 ]", "Overall Items: [ 3 / 3 ]", ""}));
    EXPECT_TRUE(
        in_order(::testing::PrintToString(shown.labels),
                 {"Converting: Inbox", "Converting: Inbox [ 1 / 2]", "Converting: Inbox [ 2 / 2]",
                  "Converting: Archive", "Converting: Archive [ 1 / 1]"}));
    EXPECT_EQ(shown.currentValues, (std::vector<float>{-1, 50, 100, -1, 100, 0}));
    ASSERT_EQ(shown.overallValues.size(), 4u);
    EXPECT_FLOAT_EQ(shown.overallValues[0], 100.0f / 3);
    EXPECT_FLOAT_EQ(shown.overallValues[2], 100.0f);
    EXPECT_EQ(shown.filePaths,
              (std::vector<std::string>{"/home/ann/mail.pst", "/home/ann/mail.pst"}));
    EXPECT_EQ(shown.messages.front(), "Querying Content.");
}

TEST_F(ExportRunTest, AMessageThatCannotBeReadIsSkippedCountedAndReported) {
    auto built = psttest::build_file(three_folders(4, 2, 0));
    psttest::damage_node(built,
                         built.report.folder("Top of Personal Folders/Inbox").message_nid(2));
    const auto session = open_session(built);
    const auto r = run(settings(pick(session, {"Inbox", "Sent"})));
    EXPECT_EQ(r.result.status, CompletedWithErrors);
    EXPECT_EQ(r.result.mailCount, 5u);
    EXPECT_EQ(mbox_messages(inboxDir() + "/Inbox.mbox"), 3u);
    EXPECT_TRUE(in_order(
        r.report, {"Subject: Inbox 2\r\n\r\n",
                   "\r\n*************** ERROR WHILE CONVERTING A MESSAGE : MESSAGE SKIPPED "
                   "******************\r\n",
                   "Subject: Inbox 4\r\n\r\n", "Converted Items Count: 3 \r\n",
                   "Error: Skipped following number of corrupt emails (details could not be "
                   "fetched): 1\r\n",
                   "Folder: Ann/Top of Personal Folders/Sent [2]", "Converted Items Count: 2 \r\n",
                   "Total number of emails processed: 5\r\n",
                   "Items skipped because they could not be read: 1\r\n",
                   "Conversion process completed with errors.\r\n"}));
}

TEST_F(ExportRunTest, AMessageTheWriterCannotConvertIsSkippedNotCounted) {
    const auto session = open_session(psttest::build_file(three_folders(3, 0, 0)));
    for (const std::int32_t format : {kMailFormatMBOX, kMailFormatEML}) {
        fs::remove_all(out() / "mail.pst");
        const auto r = run(settings(pick(session, {"Inbox"}), format), failing_for({"Inbox 2"}));
        EXPECT_EQ(r.result.status, CompletedWithErrors);
        EXPECT_EQ(r.result.mailCount, 2u);
        EXPECT_TRUE(in_order(r.report, {"Subject: Inbox 2\r\n\r\n", "MESSAGE SKIPPED",
                                        "Subject: Inbox 3\r\n\r\n", "Converted Items Count: 2",
                                        "number of corrupt emails (details could not be "
                                        "fetched): 1"}));
        if (format == kMailFormatMBOX) {
            const std::string mailbox = slurp(inboxDir() + "/Inbox.mbox");
            EXPECT_EQ(mbox_messages(inboxDir() + "/Inbox.mbox"), 2u);
            EXPECT_EQ(mailbox.find("half written"), std::string::npos);
            EXPECT_EQ(mailbox.find("Subject: Inbox 2"), std::string::npos);
        } else {
            EXPECT_EQ(files_below(inboxDir()),
                      (std::vector<std::string>{"Inbox 1_1.eml", "Inbox 3_2.eml"}));
        }
    }
}

// A cancel before the run, one in a folder after a skip in an earlier one,
// and one in a folder that had skips: the run ends Cancelled, the later
// folders untouched.
TEST_F(ExportRunTest, ACancelStopsTheRunAfterTheCurrentItem) {
    struct Counts {
        int inbox, sent;
        std::uint32_t cancelAfter;  // converted items; 0: before the run
        std::uint32_t converted;
    };
    const struct {
        Counts n;
        std::vector<std::string> log;
        const char* absent;
    } cases[] = {
        {{2, 0, 0, 0}, {"Converted Items Count: 0 \r\n", "Operation aborted !!!\r\n"}, "Archive"},
        // The second converted item is Sent 1.
        {{2, 3, 2, 2},
         {"Folder: Ann/Top of Personal Folders/Inbox [2]",
          "corrupt emails (details could not be fetched): 1",
          "Folder: Ann/Top of Personal Folders/Sent [3]", "Converted Items Count: 1 ",
          "Operation aborted !!!"},
         "Archive"},
        {{4, 1, 1, 1}, {"Operation aborted !!!"}, "Folder: Ann/Top of Personal Folders/Sent"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n.cancelAfter);
        fs::remove_all(out() / "mail.pst");
        auto built = psttest::build_file(three_folders(c.n.inbox, c.n.sent, 1));
        psttest::damage_node(built,
                             built.report.folder("Top of Personal Folders/Inbox").message_nid(0));
        const auto session = open_session(built);
        RecordingPresenter shown;
        shown.cancelAfter = c.n.cancelAfter;
        shown.cancelBefore = c.n.cancelAfter == 0;
        const auto r = run(settings(pick(session, {"Inbox", "Sent", "Archive"})), {}, &shown);
        EXPECT_EQ(r.result.status, Cancelled);
        EXPECT_EQ(r.result.mailCount, c.n.converted);
        EXPECT_TRUE(in_order(r.log, c.log));
        EXPECT_EQ(r.log.find(c.absent), std::string::npos) << r.log;
    }
}

TEST_F(ExportRunTest, AMissingOutputFolderOrAnUnknownLayoutFailsTheRunWithItsReason) {
    const auto session = open_session(psttest::build_file(three_folders(2, 1, 0)));
    for (const std::int32_t format : {kMailFormatMBOX, kMailFormatEML}) {
        _ExportSettings s = settings(pick(session, {"Inbox", "Sent"}), format);
        s.MailsOutputFolderPath = (out() / "not there").string();
        const auto r = run(s);
        EXPECT_EQ(r.result.status, Failed);
        EXPECT_EQ(r.result.mailCount, 0u);
        EXPECT_TRUE(in_order(
            r.log,
            {"Converted Items Count: 0 \r\n\r\nConversion aborted due to following error:\r\n"
             "no output folder " +
                 s.MailsOutputFolderPath +
                 "\r\nPlease ensure that there is enough space available on the disk or you have "
                 "sufficient previledges to write on the disk.\r\n\r\n",
             "\r\n" + L + "\r\nOperation aborted due to following error:\r\nno output folder " +
                 s.MailsOutputFolderPath +
                 "\r\nPlease ensure that there is enough space avialable on the disk or you have "
                 "sufficient "
                 "privilege to access output folder.\r\n\r\n" +
                 L}));
        EXPECT_EQ(r.log.find("Sent"), std::string::npos);
    }
    // An unknown layout fails the run alike, with its own reason.
    _ExportSettings s = settings(pick(session, {"Inbox"}));
    s.ExportPacking = 7;
    const auto r = run(s);
    EXPECT_EQ(r.result.status, Failed);
    EXPECT_TRUE(in_order(r.log, {"\r\n\r\nConversion aborted due to following error: this output "
                                 "layout is not available (ExportPacking 7)",
                                 "Operation aborted due to following error:"}));
}

// Files of this process may not grow past `bytes` while it lives: writes
// beyond fail with EFBIG, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(ExportRunTest, AFullDiskStopsTheRunAndTheFailedMessageIsNotCounted) {
    const auto session = open_session(psttest::build_file(three_folders(8, 1, 0)));
    _ExportSettings s = settings(pick(session, {"Inbox", "Sent"}));
    s.ExtendedLogReportPath.clear();
    Run r;
    {
        const FileSizeLimit limit(2000);
        r = run(s);
    }
    EXPECT_EQ(r.result.status, Failed);
    const std::string mailbox = inboxDir() + "/Inbox.mbox";
    EXPECT_GT(r.result.mailCount, 0u);
    EXPECT_LT(r.result.mailCount, 8u);
    // The message that did not fit was taken back off: whole messages only.
    EXPECT_EQ(mbox_messages(mailbox), r.result.mailCount);
    EXPECT_TRUE(slurp(mailbox).ends_with("\n\n")) << slurp(mailbox);
    EXPECT_TRUE(in_order(r.log, {"Converted Items Count: " + std::to_string(r.result.mailCount) +
                                     " \r\n\r\nConversion aborted due to following error:\r\n",
                                 "Operation aborted due to following error:\r\n"}));
    EXPECT_EQ(r.log.find("Sent"), std::string::npos);
}

TEST_F(ExportRunTest, APathTooLongStopsBeforeAnyOutput) {
    const auto session = open_session(psttest::build_file(three_folders(1, 0, 0)));
    _ExportSettings s = settings(pick(session, {"Inbox"}));
    s.OutputFolderPath = "/" + std::string(1000, 'o');
    const auto r = run(s);
    EXPECT_EQ(r.result.status, Failed);
    EXPECT_EQ(r.log,
              "Conversion aborted due to following error :\r\nFollowing folder path is too "
              "long: " +
                  s.OutputFolderPath +
                  "/mail.pst/Ann/Top of Personal Folders/Inbox\r\nPlease choose a shorter output "
                  "path to avoid this error.\r\n");
    EXPECT_EQ(r.report, "");
    EXPECT_EQ(files_below(out()), std::vector<std::string>{"report.txt"});
}

// Changes the heap signature of a node's first block, so that opening
// the node's heap fails with sig_mismatch, a database_corrupt.
void break_heap_signature(psttest::BuiltMailbox& built, std::uint32_t nid) {
    built.bytes.at(built.layout.data_block_at(nid, 0).offset + 2) ^= 0xFF;
}

TEST_F(ExportRunTest, AFolderThatCannotBeReadIsReportedAndTheWalkGoesOn) {
    // A damaged contents table and one with a broken heap: each folder is
    // named with its file and reason, and the later folders still convert.
    for (const bool heap : {false, true}) {
        SCOPED_TRACE(heap);
        fs::remove_all(out());
        fs::create_directories(out());
        auto built = psttest::build_file(three_folders(1, 1, 1));
        const auto table =
            pstbuild::folder_part(built.folder_nid("Top of Personal Folders/Sent"), 0x0E);
        heap ? break_heap_signature(built, table) : psttest::damage_node(built, table);
        const auto session = open_session(built);
        const auto r = run(settings(pick(session, {"Inbox", "Sent", "Archive"})));
        EXPECT_EQ(r.result.status, CompletedWithErrors);
        EXPECT_EQ(r.result.mailCount, 2u);
        EXPECT_TRUE(in_order(r.log, {"Folder: Ann/Top of Personal Folders/Sent [1]\r\n",
                                     "Error: this folder of PST File ", " could not be read: ",
                                     "Folder: Ann/Top of Personal Folders/Archive [1]\r\n",
                                     "Folders that could not be read: 1\r\n",
                                     "Conversion process completed with errors.\r\n"}))
            << r.log;
    }
}

TEST_F(ExportRunTest, FoldersWithoutAnExporterYieldNothingAndNoError) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    for (const char* kind : {"IPF.StickyNote", "IPF.Task", "IPF.Journal"}) {
        box.top().add_folder(kind, kind).messages = {mail("item")};
    }
    const auto session = open_session(psttest::build_file(box));
    auto folders = all_folders(session);
    std::erase_if(folders, [](const auto& f) { return !f->folderName().starts_with("IPF."); });
    ASSERT_EQ(folders.size(), 3u);
    RecordingPresenter shown;
    const auto r = run(settings(folders), {}, &shown);
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount + r.result.contactCount + r.result.calendarCount, 0u);
    EXPECT_EQ(shown.itemLabels.front(), "Overall: Items [  0 / 3 ]");
    EXPECT_EQ(files_below(out()), std::vector<std::string>{"report.txt"});
}

TEST_F(ExportRunTest, SessionHeaderAndStoreSeparatorOncePerFile) {
    const auto one = open_session(psttest::build_file(three_folders(1, 1, 0)), "/a/one.pst");
    const auto two = open_session(psttest::build_file(three_folders(1, 0, 0)), "/a/two.pst");
    auto folders = pick(one, {"Inbox", "Sent"});
    folders.push_back(folder_at(two, "Ann/Top of Personal Folders/Inbox"));
    _ExportSettings s = settings(folders);
    s.ExtendedLogReportPath.clear();
    const auto r = run(s);
    EXPECT_EQ(r.result.mailCount, 3u);
    EXPECT_TRUE(in_order(r.log, {L + "Converting content from PST File: /a/one.pst\r\n" + L +
                                     "Folder: Ann/Top of Personal Folders/Inbox [1]",
                                 "Saved in: ", "Folder: Ann/Top of Personal Folders/Sent [1]",
                                 L + "Converting content from PST File: /a/two.pst\r\n" + L +
                                     "Folder: Ann/Top of Personal Folders/Inbox [1]"}));
    EXPECT_TRUE(fs::is_directory(out() / "two.pst"));
    EXPECT_FALSE(fs::exists(out() / "report.txt"));
}

TEST_F(ExportRunTest, ContactsAndAppointmentsOfAMailFolderAreConvertedByKindBesideItsMail) {
    pstbuild::Mailbox box = three_folders(1, 0, 0);
    pstbuild::Folder& inbox = *std::find_if(box.top().children.begin(), box.top().children.end(),
                                            [](const auto& f) { return f.name == "Inbox"; });
    inbox.messages.push_back(pstbuild::contact_message({.file_as = "Sam Lee"}));
    inbox.messages.push_back(pstbuild::make_appointment({.subject = "Review"}));
    pstbuild::Message request = pstbuild::make_appointment({.subject = "Plan"});
    request.message_class = "IPM.Schedule.Meeting.Request";
    inbox.messages.push_back(request);
    pstbuild::Message freeBusy = mail("Free busy");
    freeBusy.message_class = "IPM.Microsoft.ScheduleData.FreeBusy";
    inbox.messages.push_back(freeBusy);
    // Meeting requests as mail with their meeting, cards and events of mail
    // folders are read back from the real sample files by the fidelity test.
    const auto session = open_session(psttest::build_file(box));
    const auto r = run(settings(pick(session, {"Inbox"}), kMailFormatEML));
    EXPECT_EQ(r.result.status, Success);
    EXPECT_EQ(std::tuple(r.result.mailCount, r.result.contactCount, r.result.calendarCount),
              std::tuple(2u, 1u, 1u));
    EXPECT_NE(r.log.find("Converted Items Count: 2 \r\nConverted Contacts Count: 1 \r\n"
                         "Converted Calendar Events Count: 1 \r\n"
                         "Left Out Items Count: 1 (free/busy data) \r\n"),
              std::string::npos)
        << r.log;
    EXPECT_EQ(files_below(inboxDir()),
              (std::vector<std::string>{"Events/Review_1.ics", "Inbox 1_1.eml", "Plan_2.eml",
                                        "Sam Lee_1.vcf"}));
}

TEST_F(ExportRunTest, ContactsAndCalendarFoldersPassOnItemsOfTheOtherKind) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    for (const char* kind : {"Contact", "Appointment"}) {
        pstbuild::Folder& f = box.top().add_folder(kind, std::string("IPF.") + kind);
        f.messages = {pstbuild::contact_message({.file_as = "Sam"}),
                      pstbuild::make_appointment({.subject = "Meet"})};
    }
    const auto session = open_session(psttest::build_file(box));
    const auto r = run(settings(pick(session, {"Contact", "Appointment"})));
    EXPECT_EQ(r.result.contactCount, 2u);
    EXPECT_EQ(r.result.calendarCount, 2u);
    const std::string base = (out() / "mail.pst/Ann/Top of Personal Folders").string();
    EXPECT_EQ(files_below(base),
              (std::vector<std::string>{"Appointment/Appointment.mbox",
                                        "Appointment/Events/Meet_1.ics", "Appointment/Sam_1.vcf",
                                        "Contact/Events/Meet_1.ics", "Contact/Sam_1.vcf"}));
}

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

// Where a run's output goes: a folder tree that mirrors the PST, the PST
// suffix, unique paths and the path length limit; safe names (the cut at 65
// characters, the replacements, names that would not name a place of their
// own, the byte limit) with hostile folder names kept inside the output
// folder; mailboxes split by size (the rule at its 64-bit edge, parts never
// overwritten), read and unread mail apart, and message files numbered per
// folder.

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

class MailLayoutTest : public ExportTest {};

TEST_F(MailLayoutTest, FolderTreeIsMirroredWithOneMailboxPerMailFolder) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    inbox.messages = {mail("one"), mail("two"), mail("three")};
    inbox.add_folder("Sub").messages = {mail("four"), mail("five")};
    box.top().add_folder("Contacts", "IPF.Contact").messages = {mail("contact")};
    box.top().add_folder("Notes", "IPF.StickyNote").messages = {mail("note")};
    const auto session = open_session(psttest::build_file(box));

    const auto r = run(settings(all_folders(session)));
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount, 5u);
    const std::string top = "mail.pst/Ann/Top of Personal Folders/";
    EXPECT_EQ(files_below(out()), (std::vector<std::string>{
                                      "mail.pst/.mailwright-source",  // names the PST file
                                      "mail.pst/Ann/Ann.mbox",
                                      "mail.pst/Ann/Search Root/Search Root.mbox",
                                      top + "Contacts/contact_1.vcf",
                                      top + "Deleted Items/Deleted Items.mbox",
                                      top + "Inbox/Inbox.mbox",
                                      top + "Inbox/Sub/Sub.mbox",
                                      top + "Top of Personal Folders.mbox",
                                      "report.txt",
                                  }));
    EXPECT_EQ(mbox_messages(out() / (top + "Inbox/Inbox.mbox")), 3u);
    EXPECT_EQ(mbox_messages(out() / (top + "Inbox/Sub/Sub.mbox")), 2u);
    EXPECT_NE(slurp(out() / (top + "Inbox/Sub/Sub.mbox")).find("Subject: five"), std::string::npos);
}

TEST_F(MailLayoutTest, HostileFolderNamesStayInsideTheOutputFolder) {
    const std::string cjk = repeat("\u6587", 300);
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    const std::vector<std::string> names = {"..", ".", "a/b",         "c:d", std::string("\0", 1),
                                            "",   cjk, "../../escape"};
    for (const std::string& name : names) {
        pstbuild::Folder& f = box.top().add_folder(name);
        f.messages = {mail("in " + name)};
        f.add_folder("..").messages = {mail("below " + name)};
    }
    const auto session = open_session(psttest::build_file(box));
    const auto folders = all_folders(session);
    const auto r = run(settings(folders));
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount, 2 * names.size());

    std::size_t messages = 0;
    const std::string inside = fs::canonical(out()).string() + "/";
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
    for (const auto& entry : fs::recursive_directory_iterator(out())) {
        EXPECT_EQ(fs::weakly_canonical(entry.path()).string().rfind(inside, 0), 0u) << entry.path();
        EXPECT_LE(entry.path().filename().string().size(), 255u);
        if (entry.path().extension() == ".mbox") {
            messages += mbox_messages(entry.path());
        }
    }
    EXPECT_EQ(messages, 2 * names.size());
    // Names go through the safe-name rule, at every level.
    const fs::path top = out() / "mail.pst/Ann/Top of Personal Folders";
    EXPECT_TRUE(fs::is_regular_file(top / "_.." / "_.." / "_...mbox"));
    EXPECT_TRUE(
        fs::is_regular_file(top / "..\u2215..\u2215escape" / "..\u2215..\u2215escape.mbox"));
}

TEST_F(MailLayoutTest, MailboxesAreSplitBySizeIntoNumberedParts) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Small").messages = {mail("tiny")};
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    std::string body;
    while (body.size() < 300000) {
        body += std::string(74, 'x') + "\r\n";
    }
    for (int i = 0; i < 7; ++i) {
        pstbuild::Message m = mail("big " + std::to_string(i));
        m.body = body;
        // Stored size 300,000: x 1.4 = 420,000, so three messages fit in 1 MB.
        m.extra.push_back(pstbuild::ExtraProperty::of(0x0E08, pstbuild::pv_long(300000)));
        inbox.messages.push_back(m);
    }
    const auto session = open_session(psttest::build_file(box));
    _ExportSettings s = settings({folder_at(session, "Ann/Top of Personal Folders/Inbox"),
                                  folder_at(session, "Ann/Top of Personal Folders/Small")});
    ASSERT_EQ(s.ExportItems[0]->contentCount(), 7);
    s.MaxMBOXSizeInMB = 1;
    const auto r = run(s);
    EXPECT_EQ(r.result.status, Success) << r.log;
    const fs::path dir = out() / "mail.pst/Ann/Top of Personal Folders/Inbox";
    EXPECT_FALSE(fs::exists(dir / "Inbox.mbox"));
    EXPECT_EQ(mbox_messages(dir / "Inbox_Part_0.mbox"), 3u);
    EXPECT_EQ(mbox_messages(dir / "Inbox_Part_1.mbox"), 3u);
    EXPECT_EQ(mbox_messages(dir / "Inbox_Part_2.mbox"), 1u);
    // A mailbox that never overflows keeps its plain name.
    EXPECT_EQ(mbox_messages(out() / "mail.pst/Ann/Top of Personal Folders/Small/Small.mbox"), 1u);
}

TEST_F(MailLayoutTest, SplitPartsAreNumberedPastTakenNamesAndTheLimitIs64Bits) {
    const auto path = [this](const std::string& name) { return (out() / name).string(); };
    // A message larger than the limit leaves even an empty part behind.
    SplittableMailbox big(path("Big.mbox"));
    big.splitIfOver(800000, 1048576);
    EXPECT_EQ(big.currentPath(), path("Big_Part_1.mbox"));
    EXPECT_EQ(fs::file_size(path("Big_Part_0.mbox")), 0u);
    big.splitIfOver(800000, 1048576);
    EXPECT_EQ(big.currentPath(), path("Big_Part_2.mbox"));
    big.splitIfOver(1, 0);  // no limit: never splits
    EXPECT_EQ(big.currentPath(), path("Big_Part_2.mbox"));

    SplittableMailbox large(path("Large.mbox"));
    const std::uint64_t limit = 2048ull * 1048576;  // 2,147,483,648
    large.splitIfOver(1533916891, limit);           // x 1.4 = 2,147,483,647.4
    EXPECT_EQ(large.currentPath(), path("Large.mbox"));
    large.splitIfOver(1533916892, limit);  // x 1.4 = 2,147,483,648.8
    EXPECT_EQ(large.currentPath(), path("Large_Part_1.mbox"));

    // Parts that exist are never overwritten.
    std::ofstream(path("Mail_Part_0.mbox")) << "from an earlier folder";
    std::ofstream(path("Mail_Part_1.mbox")) << "from an earlier folder";
    SplittableMailbox taken(path("Mail.mbox"));
    ASSERT_TRUE(taken.write("first"));
    taken.splitIfOver(100, 10);
    EXPECT_EQ(slurp(path("Mail_Part_0.mbox")), "from an earlier folder");
    EXPECT_EQ(slurp(path("Mail_Part_1.mbox")), "from an earlier folder");
    EXPECT_EQ(slurp(path("Mail_Part_2.mbox")), "first");
    EXPECT_EQ(taken.currentPath(), path("Mail_Part_3.mbox"));
}

TEST_F(MailLayoutTest, ReadAndUnreadMailGoApart) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {mail("r1"), mail("u1", false), mail("r2"),
                                              mail("u2", false), mail("u3", false)};
    const auto session = open_session(psttest::build_file(box));
    const auto inbox = folder_at(session, "Ann/Top of Personal Folders/Inbox");
    const fs::path dir = out() / "mail.pst/Ann/Top of Personal Folders/Inbox";

    _ExportSettings s = settings({inbox});
    s.ReadUnreadSeparated = true;
    EXPECT_EQ(run(s).result.mailCount, 5u);
    EXPECT_EQ(mbox_messages(dir / "Read Mails.mbox"), 2u);
    EXPECT_EQ(mbox_messages(dir / "Unread Mails.mbox"), 3u);
    EXPECT_NE(slurp(dir / "Unread Mails.mbox").find("Subject: u3"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "Inbox.mbox"));

    fs::remove_all(out() / "mail.pst");
    s.MailFormat = kMailFormatEML;
    EXPECT_EQ(run(s).result.mailCount, 5u);
    EXPECT_EQ(files_below(dir),
              (std::vector<std::string>{"Read Mails/r1_1.eml", "Read Mails/r2_3.eml",
                                        "Unread Mails/u1_2.eml", "Unread Mails/u2_4.eml",
                                        "Unread Mails/u3_5.eml"}));
}

TEST_F(MailLayoutTest, MessageFilesAreNamedBySubjectAndNumberedPerFolder) {
    std::string eighty(80, 's');
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {mail("Same"), mail("Same"), mail(""), mail("a/b: c"),
                                              mail(eighty)};
    box.top().add_folder("Inbox").messages = {mail("Same")};  // a second folder "Inbox"
    const auto session = open_session(psttest::build_file(box));
    auto folders = all_folders(session);
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [](const auto& f) { return f->folderName() != "Inbox"; }),
                  folders.end());
    ASSERT_EQ(folders.size(), 2u);
    const auto r = run(settings(folders, kMailFormatEML));
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(r.result.mailCount, 6u);
    const fs::path dir = out() / "mail.pst/Ann/Top of Personal Folders/Inbox";
    // Both folders share the directory; the second folder's "Same_1.eml"
    // does not write into the first folder's file.
    EXPECT_EQ(files_below(dir),
              (std::vector<std::string>{"Same_1 (1).eml", "Same_1.eml", "Same_2.eml", "_3.eml",
                                        "a\u2215b- c_4.eml", std::string(60, 's') + "..._5.eml"}));
    for (const auto& name : files_below(dir)) {
        EXPECT_EQ(slurp(dir / name).find("From - "), std::string::npos) << name;
        EXPECT_NE(slurp(dir / name).find("\r\n\r\n"), std::string::npos) << name;
    }
}

pstbuild::Mailbox nested_mailbox() {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann's Mail");
    box.top().add_folder("Inbox").add_folder("Projects: 2024/25");
    return box;
}

TEST_F(MailLayoutTest, FolderHierarchyNeedsTheBaseFolderAndPassesOverFiles) {
    const auto session = open_session(psttest::build_file(nested_mailbox()), "mail.pst");
    const auto inbox = folder_at(session, "Ann's Mail/Top of Personal Folders/Inbox");
    EXPECT_EQ(FolderHierarchy(inbox, (out() / "missing").string(), -1), std::nullopt);
    EXPECT_FALSE(fs::exists(out() / "missing"));

    // A file where a folder should be: the folder is made beside it as "%@ (1)".
    fs::create_directories(out() / "mail.pst/Ann's Mail");
    std::ofstream(out() / "mail.pst/Ann's Mail/Top of Personal Folders") << "x";
    EXPECT_EQ(*FolderHierarchy(inbox, out().string(), -1),
              (out() / "mail.pst/Ann's Mail/Top of Personal Folders (1)/Inbox").string());
}

TEST_F(MailLayoutTest, SuffixesAndUniquePathsCountPastEveryTakenName) {
    const std::string dir = out().string();
    EXPECT_EQ(PSTSuffix(dir, "mail.pst"), -1);
    fs::create_directory(out() / "mail.pst");
    fs::create_directory(out() / "mail.pst (1)");
    std::ofstream(out() / "mail.pst (2)") << "a file also takes the name";
    EXPECT_EQ(PSTSuffix(dir, "mail.pst"), 3);

    std::ofstream(out() / "Report.txt") << "";
    fs::create_directory(out() / "Report (1).txt");
    EXPECT_EQ(UniquePath(dir, "Report", "txt"), dir + "/Report (2).txt");
    fs::create_symlink(out() / "nowhere", out() / "Dangling");
    EXPECT_EQ(UniquePath(dir, "Dangling"), dir + "/Dangling (1)");

    EXPECT_EQ(PSTFileName("/home/ann/mail.pst"), "mail.pst");
    EXPECT_EQ(PSTFileName("/d/" + std::string(250, 'p')), std::string(228, 'p') + "...");
}

TEST_F(MailLayoutTest, PathLengthLimitIs1024CharactersOfTheWholePath) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("S");
    box.top().add_folder("I");
    const auto session = open_session(psttest::build_file(box));
    const auto inbox = folder_at(session, "S/Top of Personal Folders/I");
    // The folder's files go to base / "mail.pst" / "S" / "Top of Personal Folders" / "I".
    const std::string tail = "/mail.pst/S/Top of Personal Folders/I";
    const auto base_of = [&](std::size_t total, const std::string& piece = "o") {
        std::string base = "/";
        while (CharacterCount(base) < total - tail.size()) {
            base += piece;
        }
        return base;
    };
    EXPECT_EQ(PathTooLong(inbox, base_of(1024)), std::nullopt);
    EXPECT_EQ(PathTooLong(inbox, base_of(1025)), base_of(1025) + tail);
    // Characters, not bytes: 1024 characters of CJK text pass.
    EXPECT_EQ(PathTooLong(inbox, base_of(1024, "\u6587")), std::nullopt);

    // A name already taken in the output folder adds its " (N)". The base
    // is made of real folders (each name at most 200 bytes).
    std::string base = out().string();
    while (base.size() + tail.size() < 1024) {
        base += "/" +
                std::string(std::min<std::size_t>(200, 1024 - tail.size() - base.size() - 1), 'd');
    }
    ASSERT_EQ(base.size() + tail.size(), 1024u);
    EXPECT_EQ(PathTooLong(inbox, base), std::nullopt);
    fs::create_directories(base + "/mail.pst");
    EXPECT_EQ(PathTooLong(inbox, base), base + "/mail.pst (1)/S/Top of Personal Folders/I");

    // Every file is checked whole when it is opened: nothing is written
    // at a path beyond the limit.
    const std::string fits = base + "/" + std::string(1023 - base.size(), 'f');
    const std::string longer = fits + "x";
    EXPECT_TRUE(OutputFile::open(fits, OutputFile::Mode::append).isOpen());
    OutputFile refused = OutputFile::open(longer, OutputFile::Mode::append);
    EXPECT_FALSE(refused.isOpen());
    EXPECT_EQ(refused.errorNumber(), ENAMETOOLONG);
    EXPECT_FALSE(fs::exists(longer));
}

bool valid_utf8(const std::string& text) {
    formats::Utf8Validator validator;
    validator.add(text);
    return validator.isValid();
}

struct NameCase {
    const char* what;
    std::string in;
    std::string out;
};

TEST(SafeName, TableOfNames) {
    const std::string x60 = repeat("x", 60);
    const NameCase cases[] = {
        {"colon and slash", "c:d/e", "c-d\u2215e"},
        {"64 characters stay", repeat("y", 64), repeat("y", 64)},
        {"65 characters are cut", repeat("z", 65), repeat("z", 60) + "..."},
        {"70 with colon and slash", "a:b/" + repeat("q", 66),
         "a-b\u2215" + repeat("q", 56) + "..."},
        {"NUL", std::string("a\0b", 3), "a_b"},
        {"controls", "tab\there\r\nand\x7f\u0085", "tab_here__and__"},
        {"empty", "", "(no name)"},
        {"dot", ".", "_."},
        {"dot dot", "..", "_.."},
        {"three dots stay", "...", "..."},
        {"invalid UTF-8",
         "a\xff"
         "b",
         "a\uFFFDb"},
        {"truncated sequence", "a\xe4\xb8", "a\uFFFD\uFFFD"},
        // Characters, not bytes, are counted for the 65 rule.
        {"64 three-byte characters stay", repeat("\u6587", 64), repeat("\u6587", 64)},
        {"300 three-byte characters are cut", repeat("\u6587", 300), repeat("\u6587", 60) + "..."},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(SafeName(c.in), c.out) << c.what;
    }
    // Stems (names before an exporter's suffix) keep empty and dot names.
    EXPECT_EQ(SafeNameStem(""), "");
    EXPECT_EQ(SafeNameStem(".."), "..");
}

TEST(SafeName, LongNamesOfWideCharactersFitTheByteLimitOnACharacterBoundary) {
    // 64 four-byte characters (256 bytes) are not cut by the character rule
    // but would not fit a file name with a suffix.
    for (const std::string& piece :
         {std::string("\U0001F600"), std::string("\u00e9x"), std::string("ab\u6587")}) {
        for (std::size_t n : {20u, 40u, 58u, 63u, 64u, 100u}) {
            const std::string name = SafeName(repeat(piece, n));
            EXPECT_LE(name.size(), kMaxSafeNameBytes) << n;
            EXPECT_LE(name.size() + std::string("_Part_4294967295.mbox").size(), kMaxNameBytes);
            EXPECT_TRUE(valid_utf8(name)) << n;
        }
    }
    const std::string emoji = SafeName(repeat("\U0001F600", 64));
    EXPECT_EQ(emoji, repeat("\U0001F600", 57) + "...");
}

}  // namespace
}  // namespace mailwright::exporting
