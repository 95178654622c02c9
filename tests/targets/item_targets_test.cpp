// Contacts and appointments to each destination. Thunderbird and Apple get
// every contact of the run in one "Contacts.vcf" and every event in one
// "Calendar.ics" inside one envelope (the first free names), each card
// followed by an empty line, the reference mails in one mailbox; the
// archive one numbered file per item and the references beside each
// folder's mail; each in the contact style of its application. A mail
// folder's contacts and appointments join those files, whose folders the
// run makes, never the mail tree.
#include <gtest/gtest.h>

#include "export/archive_item_name.h"
#include "export/export_fixture.h"
#include "platform/file_type_codes.h"
#include "support/appointment_builder.h"
#include "support/contact_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

using namespace exporttest;
using testfiles::count_of;
using Files = std::vector<std::string>;

TEST(ArchiveItemName, PutsTheNumbersLettersOverTheLastPlaces) {
    EXPECT_EQ(ArchiveItemName(kArchiveContactPrefix, 0), "OUTLOOKEXPORTEDADR0000000A");
    EXPECT_EQ(ArchiveItemName(kArchiveContactPrefix, 25), "OUTLOOKEXPORTEDADR000000CF");
    EXPECT_EQ(ArchiveItemName(kArchiveContactPrefix, 123456789), "OUTLOOKEXPORTEDADRBCDEFGHIJ");
}

Files numbered(const std::string& prefix, std::size_t count) {
    Files names;
    for (std::uint32_t n = 0; n < count; ++n) {
        names.push_back(ArchiveItemName(prefix, n));
    }
    return names;
}

struct ItemCase {
    const char* name;
    std::int32_t packing;
    Files routed;           // below the chosen folder for a mail folder alone, reports left out
    Files contactFiles;     // below the contacts base folder
    const char* styleMark;  // how the assistant is written
    Files calendarFiles;    // below the calendar base folder
    Files mailboxes;        // reference mailboxes below the mail base folder
    const char* place;      // as the events of the last calendar file name it
};

const std::string kTbInbox = "Mails/Mails.sbd/mail.pst.sbd/Ann.sbd/Top of Personal Folders";
const std::string kApple = "Mails/mail.pst/Ann/Top of Personal Folders";
const std::string kArchive = "Mailwright Output.rge/Mail/mail.pst/Ann/Top of Personal Folders/";

const ItemCase kCases[] = {
    {"Thunderbird",
     kPackingThunderbird,
     {"Calendar Events/Calendar.ics", "Contacts/Contacts.vcf", "Mails/Mails",
      "Mails/Mails.sbd/Calendar References", "Mails/Mails.sbd/mail.pst",
      "Mails/Mails.sbd/mail.pst.sbd/Ann", kTbInbox, kTbInbox + ".sbd/Inbox"},
     {"Contacts (1).vcf", "Contacts.vcf"},
     "\r\nnote",
     {"Calendar (1).ics", "Calendar.ics"},
     {"Calendar References"},
     "[Imported Mails]/Calendar References"},
    {"Apple",
     kPackingAppleApplications,
     {"Calendar Events/Calendar.ics", "Contacts/Contacts.vcf",
      "Mails/Calendar References.mbox/mbox", "Mails/mail.pst/Ann.mbox/mbox", kApple + ".mbox/mbox",
      kApple + "/Inbox.mbox/mbox"},
     {"Contacts (1).vcf", "Contacts.vcf"},
     "X-ABRELATEDNAMES",
     {"Calendar (1).ics", "Calendar.ics"},
     {"Calendar References.mbox/mbox"},
     "[Imported Mails]/Calendar References.mbox"},
    {"OutlookArchive",
     kPackingOutlookArchive,
     {"Mailwright Output.rge/Calendar/OUTLOOKEXPORTEDCAL0000000A",
      "Mailwright Output.rge/Contacts/OUTLOOKEXPORTEDADR0000000A",
      kArchive + "Inbox/Calendar References.mbox", kArchive + "Inbox/Inbox.mbox"},
     numbered("OUTLOOKEXPORTEDADR", 11),
     "X-assistant",
     numbered("OUTLOOKEXPORTEDCAL", 4),
     {"mail.pst/Ann/Top of Personal Folders/A/A.mbox",
      "mail.pst/Ann/Top of Personal Folders/B/B.mbox",
      "mail.pst/Ann/Top of Personal Folders/C/C.mbox"},
     "[Imported Mails]/C"},
};

// Inbox holds a mail, a contact and an appointment; Friends (6) and Work (5)
// hold contacts (the archive's 11th file is "...BA"), A (1), B (1) and C (2)
// appointments.
pstbuild::Mailbox item_mailbox() {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().add_folder("Inbox").messages = {
        psttest::mail("Hello"), pstbuild::contact_message({.file_as = "Sam Lee"}),
        pstbuild::make_appointment({.subject = "Review", .body = std::string("Agenda")})};
    for (const auto& [folder, count] : {std::pair{"Friends", 6}, std::pair{"Work", 5}}) {
        pstbuild::Folder& f = box.top().add_folder(folder, "IPF.Contact");
        for (int n = 0; n < count; ++n) {
            f.messages.push_back(pstbuild::contact_message(
                {.file_as = folder + (" " + std::to_string(n)), .details = {{0x3A30, "Bea"}}}));
        }
    }
    for (const char* name : {"A", "B", "C"}) {
        pstbuild::Folder& f = box.top().add_folder(name, "IPF.Appointment");
        for (int n = 1; n <= (*name == 'C' ? 2 : 1); ++n) {
            f.messages.push_back(pstbuild::make_appointment(
                {.subject = std::string("Meeting in ") + name + std::to_string(n),
                 .start = {2024, 3, 4, 10, 0},
                 .body = std::string("Agenda")}));
        }
    }
    return box;
}

class ItemTargetsTest : public ExportTest, public ::testing::WithParamInterface<ItemCase> {
protected:
    // The destination's settings for the folders, its output prepared.
    _ExportSettings prepared(const Files& folders) {
        m_session = open_session(psttest::build_file(item_mailbox()));
        _ExportSettings s;
        s.ExportPacking = GetParam().packing;
        s.ExportItems = pick(m_session, folders);
        EXPECT_FALSE(PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, ""));
        return s;
    }
    bool runWide() const { return GetParam().packing != kPackingOutlookArchive; }

    std::shared_ptr<model::PSTSession> m_session;
};

TEST_P(ItemTargetsTest, ContactsAndAppointmentsOfAMailFolderJoinTheDestinationsFiles) {
    const _ExportSettings s = prepared({"Inbox"});
    const auto r = run(s);
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(std::tuple(r.result.mailCount, r.result.contactCount, r.result.calendarCount),
              std::tuple(2u, 1u, 1u));
    Files files = files_below(out());
    std::erase_if(files, [](const std::string& f) {
        return f.ends_with(".txt") || f.ends_with("PkgInfo") || f.ends_with("Info.plist") ||
               f.ends_with("Archive.xml") || f.find("/.") != std::string::npos;
    });
    EXPECT_EQ(files, GetParam().routed);
    // The mail and the reference mail, each in its mailbox.
    for (const auto& file : files) {
        if (file.find("Calendar References") != std::string::npos ||
            file.find("Inbox") != std::string::npos) {
            EXPECT_EQ(mbox_messages(out() / file), 1u) << file;
        }
    }
}

TEST_P(ItemTargetsTest, ContactsAndEventsGoWhereTheDestinationImportsThem) {
    const _ExportSettings s = prepared({"Friends", "Work", "A", "B", "C"});
    const fs::path contacts = s.ContactsOutputFolderPath;
    const fs::path calendars = s.CalendarOutputFolderPath;
    // Files of an earlier import in the way: the run takes the next free
    // names and leaves them alone.
    if (runWide()) {
        std::ofstream(contacts / "Contacts.vcf") << "earlier";
        std::ofstream(calendars / "Calendar.ics") << "earlier";
    }
    const auto r = run(s);
    EXPECT_EQ(r.result.status, Success) << r.log;
    EXPECT_EQ(std::tuple(r.result.contactCount, r.result.calendarCount, r.result.mailCount),
              std::tuple(11u, 4u, 4u));
    EXPECT_EQ(files_below(contacts), GetParam().contactFiles);
    EXPECT_EQ(files_below(calendars), GetParam().calendarFiles);
    if (runWide()) {
        EXPECT_EQ(slurp(contacts / "Contacts.vcf"), "earlier");
        EXPECT_EQ(slurp(calendars / "Calendar.ics"), "earlier");
    }

    std::string cards;
    for (const auto& file : GetParam().contactFiles) {
        cards += !runWide() || file == "Contacts (1).vcf" ? slurp(contacts / file) : "";
    }
    const std::string end = runWide() ? "end:vcard\r\n\r\n" : "end:vcard\r\n";
    EXPECT_EQ(count_of(cards, "end:vcard"), 11u);
    EXPECT_EQ(count_of(cards, end), 11u);
    EXPECT_NE(cards.find("Work 4"), std::string::npos);
    for (const char* mark : {"\r\nnote", "X-ABRELATEDNAMES", "X-assistant"}) {
        EXPECT_EQ(cards.find(mark) != std::string::npos, mark == std::string(GetParam().styleMark))
            << mark;
    }

    std::size_t references = 0;
    for (const auto& mailbox : GetParam().mailboxes) {
        const fs::path path = fs::path(s.MailsOutputFolderPath) / mailbox;
        references += mbox_messages(path);
        EXPECT_EQ(platform::GetFileTypeAndCreatorCodes(path).has_value(), !runWide()) << mailbox;
    }
    EXPECT_EQ(references, 4u);
    std::string last =
        slurp(calendars / (runWide() ? "Calendar (1).ics" : GetParam().calendarFiles.back()));
    EXPECT_EQ(count_of(last, "BEGIN:VCALENDAR"), 1u);
    EXPECT_EQ(count_of(last, "END:VCALENDAR"), 1u);
    EXPECT_EQ(count_of(last, "BEGIN:VEVENT"), runWide() ? 4u : 1u);
    for (std::size_t fold; (fold = last.find("\r\n ")) != std::string::npos;) {
        last.erase(fold, 3);  // unfolded
    }
    EXPECT_NE(last.find(GetParam().place), std::string::npos) << last;
}

INSTANTIATE_TEST_SUITE_P(Destinations, ItemTargetsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
