// Calendar folders to each destination: three folders give Thunderbird and
// Apple one calendar file of the run, inside one envelope, at the first free
// name; the archive one numbered file per item; the reference mails of the
// run land in the mailbox the events' notes name.
#include <gtest/gtest.h>

#include "export/export_fixture.h"
#include "platform/file_type_codes.h"
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
    const char* place;                       // as the last file's events' notes name it
};

const CalendarCase kCases[] = {
    {"Thunderbird",
     exporting::kPackingThunderbird,
     {"Calendar (1).ics", "Calendar.ics"},
     {"Calendar References"},
     "[Imported Mails]/Calendar References"},
    {"Apple",
     exporting::kPackingAppleApplications,
     {"Calendar (1).ics", "Calendar.ics"},
     {"Calendar References.mbox/mbox"},
     "[Imported Mails]/Calendar References.mbox"},
    {"OutlookArchive",
     exporting::kPackingOutlookArchive,
     {"OUTLOOKEXPORTEDCAL0000000A", "OUTLOOKEXPORTEDCAL0000000B", "OUTLOOKEXPORTEDCAL0000000C",
      "OUTLOOKEXPORTEDCAL0000000D"},
     {"mail.pst/Ann/Top of Personal Folders/A/A.mbox",
      "mail.pst/Ann/Top of Personal Folders/B/B.mbox",
      "mail.pst/Ann/Top of Personal Folders/C/C.mbox"},
     "[Imported Mails]/C"},
};

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class CalendarTargetsTest : public exporttest::ExportTest,
                            public ::testing::WithParamInterface<CalendarCase> {};

TEST_P(CalendarTargetsTest, EventsAndReferenceMailsGoWhereTheDestinationImportsThem) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    for (const char* name : {"A", "B", "C"}) {
        std::vector<pstbuild::Message> items;
        for (int n = 1; n <= (*name == 'C' ? 2 : 1); ++n) {
            items.push_back(pstbuild::make_appointment(
                {.subject = std::string("Meeting in ") + name + std::to_string(n),
                 .start = {2024, 3, 4, 10, 0},
                 .body = std::string("Agenda")}));
        }
        box.top().add_folder(name, "IPF.Appointment").messages = std::move(items);
    }
    const auto session = exporttest::open_session(psttest::build_file(box));
    _ExportSettings s;
    s.ExportPacking = GetParam().packing;
    for (const char* name : {"A", "B", "C"}) {
        s.ExportItems.push_back(
            exporttest::folder_at(session, std::string("Ann/Top of Personal Folders/") + name));
    }
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, ""));
    // A calendar of an earlier import in the way: the run takes the next
    // free name and leaves it alone.
    const bool runWide = s.ExportPacking != exporting::kPackingOutlookArchive;
    if (runWide) {
        std::ofstream(fs::path(s.CalendarOutputFolderPath) / "Calendar.ics") << "earlier";
    }
    const auto r = run(s);
    EXPECT_EQ(r.result.status, exporting::Success) << r.log;
    EXPECT_EQ(r.result.calendarCount, 4u);
    EXPECT_EQ(r.result.mailCount, 4u);
    EXPECT_EQ(exporttest::files_below(s.CalendarOutputFolderPath), GetParam().calendarFiles);
    std::size_t references = 0;
    for (const auto& mailbox : GetParam().mailboxes) {
        const fs::path path = fs::path(s.MailsOutputFolderPath) / mailbox;
        references += exporttest::mbox_messages(path);
        EXPECT_EQ(platform::GetFileTypeAndCreatorCodes(path).has_value(), !runWide) << mailbox;
    }
    EXPECT_EQ(references, 4u);

    const fs::path calendars = s.CalendarOutputFolderPath;
    std::string last = exporttest::slurp(calendars / GetParam().calendarFiles.back());
    if (runWide) {
        EXPECT_EQ(exporttest::slurp(calendars / "Calendar.ics"), "earlier");
        last = exporttest::slurp(calendars / "Calendar (1).ics");
    }
    EXPECT_EQ(count_of(last, "BEGIN:VCALENDAR"), 1u);
    EXPECT_EQ(count_of(last, "END:VCALENDAR"), 1u);
    EXPECT_EQ(count_of(last, "BEGIN:VEVENT"), runWide ? 4u : 1u);
    for (std::size_t fold; (fold = last.find("\r\n ")) != std::string::npos;) {
        last.erase(fold, 3);  // unfolded
    }
    EXPECT_NE(last.find(GetParam().place), std::string::npos) << last;
}

INSTANTIATE_TEST_SUITE_P(Destinations, CalendarTargetsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
