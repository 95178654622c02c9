// A mail folder that also holds a contact and an appointment, alone in a
// run: each destination puts them into the files its applications import
// (the run's Contacts.vcf and Calendar.ics, whose folders the run makes, or
// the package's numbered files), never as extra files in the mail tree.
#include <gtest/gtest.h>

#include "export/export_fixture.h"
#include "support/appointment_builder.h"
#include "support/contact_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

struct RoutedCase {
    const char* name;
    std::int32_t packing;
    std::vector<std::string> files;  // below the chosen folder, the report left out
};

const RoutedCase kCases[] = {
    {"Thunderbird",
     exporting::kPackingThunderbird,
     {"Calendar Events/Calendar.ics", "Contacts/Contacts.vcf", "Mails/Mails",
      "Mails/Mails.sbd/Calendar References", "Mails/Mails.sbd/mail.pst",
      "Mails/Mails.sbd/mail.pst.sbd/Ann",
      "Mails/Mails.sbd/mail.pst.sbd/Ann.sbd/Top of Personal "
      "Folders",
      "Mails/Mails.sbd/mail.pst.sbd/Ann.sbd/Top of Personal Folders.sbd/Inbox"}},
    {"Apple",
     exporting::kPackingAppleApplications,
     {"Calendar Events/Calendar.ics", "Contacts/Contacts.vcf",
      "Mails/Calendar References.mbox/mbox", "Mails/mail.pst/Ann.mbox/mbox",
      "Mails/mail.pst/Ann/Top of Personal Folders.mbox/mbox",
      "Mails/mail.pst/Ann/Top of Personal Folders/Inbox.mbox/mbox"}},
    {"OutlookArchive",
     exporting::kPackingOutlookArchive,
     {"Mailwright Output.rge/Calendar/OUTLOOKEXPORTEDCAL0000000A",
      "Mailwright Output.rge/Contacts/OUTLOOKEXPORTEDADR0000000A",
      "Mailwright Output.rge/Mail/mail.pst/Ann/Top of Personal Folders/Inbox/Calendar "
      "References.mbox",
      "Mailwright Output.rge/Mail/mail.pst/Ann/Top of Personal Folders/Inbox/Inbox.mbox"}},
};

class RoutedItemsTest : public exporttest::ExportTest,
                        public ::testing::WithParamInterface<RoutedCase> {};

TEST_P(RoutedItemsTest, ContactsAndAppointmentsOfAMailFolderJoinTheDestinationsFiles) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    pstbuild::Message note = psttest::mail("Hello");
    note.body = "Hi\r\n";
    box.top().add_folder("Inbox").messages = {
        note, pstbuild::contact_message({.file_as = "Sam Lee"}),
        pstbuild::make_appointment({.subject = "Review", .body = std::string("Agenda")})};
    const auto session = exporttest::open_session(psttest::build_file(box));
    exporting::_ExportSettings s;
    s.ExportPacking = GetParam().packing;
    s.ExportItems = {exporttest::folder_at(session, "Ann/Top of Personal Folders/Inbox")};
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, ""));
    const auto r = run(s);
    EXPECT_EQ(r.result.status, exporting::Success) << r.log;
    EXPECT_EQ(r.result.contactCount, 1u);
    EXPECT_EQ(r.result.calendarCount, 1u);
    std::vector<std::string> files = exporttest::files_below(out());
    std::erase_if(files, [](const std::string& f) {
        return f.ends_with(".txt") || f.ends_with("PkgInfo") || f.ends_with("Info.plist") ||
               f.ends_with("Archive.xml") || f.find("/.") != std::string::npos;
    });
    EXPECT_EQ(files, GetParam().files);
    // The mail and the reference mail, each in its mailbox.
    for (const auto& file : files) {
        if (file.find("Calendar References") != std::string::npos ||
            file.find("Inbox") != std::string::npos) {
            EXPECT_EQ(exporttest::mbox_messages(out() / file), 1u) << file;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Destinations, RoutedItemsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
