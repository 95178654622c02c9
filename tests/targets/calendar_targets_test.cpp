// Calendar folders to each destination: the events in the destination's
// calendar folder, the reference mails of the whole run in the mailbox the
// events' notes name, and no failed folders.
#include <gtest/gtest.h>

#include "export/export_fixture.h"
#include "support/appointment_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

namespace fs = std::filesystem;
using exporting::_ExportSettings;

struct CalendarCase {
    const char* name;
    std::int32_t packing;
    std::vector<std::string> calendarFiles;  // below the calendar base folder
    std::vector<std::string> mailboxes;      // reference mailboxes below the mail base folder
    const char* place;                       // as the events' notes name it
};

const CalendarCase kCases[] = {
    {"Thunderbird",
     exporting::kPackingThunderbird,
     {"Calendar (1).ics", "Calendar (2).ics", "Calendar.ics"},
     {"Calendar References"},
     "[Imported Mails]/Calendar References"},
    {"Apple",
     exporting::kPackingAppleApplications,
     {"Calendar (1).ics", "Calendar (2).ics", "Calendar.ics"},
     {"Calendar References.mbox/mbox"},
     "[Imported Mails]/Calendar References.mbox"},
    {"OutlookArchive",
     exporting::kPackingOutlookArchive,
     {"Meeting in A_1.ics", "Meeting in B_1.ics", "Meeting in C_1.ics"},
     {"mail.pst/Ann/Top of Personal Folders/A/A.mbox",
      "mail.pst/Ann/Top of Personal Folders/B/B.mbox",
      "mail.pst/Ann/Top of Personal Folders/C/C.mbox"},
     "[Imported Mails]/C"},
};

class CalendarTargetsTest : public exporttest::ExportTest,
                            public ::testing::WithParamInterface<CalendarCase> {};

TEST_P(CalendarTargetsTest, EventsAndReferenceMailsGoWhereTheDestinationImportsThem) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    for (const char* name : {"A", "B", "C"}) {
        pstbuild::Appointment appointment{.subject = std::string("Meeting in ") + name,
                                          .start = {2024, 3, 4, 10, 0},
                                          .body = std::string("Agenda")};
        box.top().add_folder(name, "IPF.Appointment").messages = {
            pstbuild::make_appointment(appointment)};
    }
    const auto session = exporttest::open_session(psttest::build_file(box));
    _ExportSettings s;
    s.ExportPacking = GetParam().packing;
    for (const char* name : {"A", "B", "C"}) {
        s.ExportItems.push_back(
            exporttest::folder_at(session, std::string("Ann/Top of Personal Folders/") + name));
    }
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, ""));
    const auto r = run(s);
    EXPECT_EQ(r.result.status, exporting::Success) << r.log;
    EXPECT_EQ(r.result.calendarCount, 3u);
    EXPECT_EQ(r.result.mailCount, 3u);
    EXPECT_EQ(exporttest::files_below(s.CalendarOutputFolderPath), GetParam().calendarFiles);
    std::size_t references = 0;
    for (const auto& mailbox : GetParam().mailboxes) {
        references += exporttest::mbox_messages(fs::path(s.MailsOutputFolderPath) / mailbox);
    }
    EXPECT_EQ(references, 3u);
    std::string first =
        exporttest::slurp(fs::path(s.CalendarOutputFolderPath) / GetParam().calendarFiles.back());
    for (std::size_t fold; (fold = first.find("\r\n ")) != std::string::npos;) {
        first.erase(fold, 3);  // unfolded
    }
    EXPECT_NE(first.find(GetParam().place), std::string::npos) << first;
}

INSTANTIATE_TEST_SUITE_P(Destinations, CalendarTargetsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
