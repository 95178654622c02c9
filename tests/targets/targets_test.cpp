// What each destination prepares before a run (its folders by the kinds
// selected, numbered names on a second run, the paths and settings it fixes,
// the archive package with its parts) and its mailboxes as Python's mailbox
// module and Thunderbird read them: every folder on the way down to a
// converted folder, in the destination's own layout, with the messages only
// in the converted folders; and where the contacts and appointments of a run
// go for each destination.
#include <gtest/gtest.h>

#include "export/archive_item_name.h"
#include "export/export_fixture.h"
#include "formats/vcard_consumers.h"
#include "platform/file_type_codes.h"
#include "support/appointment_builder.h"
#include "support/contact_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

using namespace exporttest;
using testfiles::count_of;
using Files = std::vector<std::string>;

constexpr const char* kResources = MW_BINARY_DIR "/share/mailwright";

// What a script of this folder prints for `dir` (standard error too), and
// its exit status.
vcardtest::Result script_output(const char* script, const std::string& dir) {
    return vcardtest::RunCommand("python3 '" MW_SOURCE_DIR "/tests/targets/" + std::string(script) +
                                 "' '" + dir + "'");
}

// "path<TAB>messages" of every file below `dir`, as Python's mailbox reads it.
std::string python_mailbox_counts(const std::string& dir) {
    return script_output("count_mailboxes.py", dir).output;
}

struct MailCase {
    const char* name;
    std::int32_t packing;
    std::vector<std::string> folders;  // below "Ann/Top of Personal Folders/"
    std::string expected;              // python_mailbox_counts of the mail base
};

const std::string kTB = "mail.pst.sbd/Ann.sbd/Top of Personal Folders.sbd/";
const std::string kTBTop =
    "mail.pst\t0\nmail.pst.sbd/Ann\t0\nmail.pst.sbd/Ann.sbd/Top of Personal Folders\t0\n";
const std::string kApple = "mail.pst/Ann/Top of Personal Folders/";
const std::string kAppleTop =
    "mail.pst/Ann.mbox/mbox\t0\nmail.pst/Ann/Top of Personal Folders.mbox/mbox\t0\n";

// Names the destination keeps for its own files get a "_".
const MailCase kCases[] = {
    {"ThunderbirdSecondLevelAndReservedNames",
     kPackingThunderbird,
     {"Inbox/Sub", "x.msf"},
     kTBTop + kTB + "Inbox\t0\n" + kTB + "Inbox.sbd/Sub\t3\n" + kTB + "x.msf_\t1\n"},
    {"ThunderbirdParentThenChild",
     kPackingThunderbird,
     {"Inbox", "Inbox/Sub"},
     kTBTop + kTB + "Inbox\t2\n" + kTB + "Inbox.sbd/Sub\t3\n"},
    {"AppleSecondLevelAndReservedNames",
     kPackingAppleApplications,
     {"Inbox/Sub", "y.MBOX/z"},
     kAppleTop + kApple + "Inbox.mbox/mbox\t0\n" + kApple + "Inbox/Sub.mbox/mbox\t3\n" + kApple +
         "y.MBOX_.mbox/mbox\t0\n" + kApple + "y.MBOX_/z.mbox/mbox\t1\n"},
    {"AppleParentThenChild",
     kPackingAppleApplications,
     {"Inbox", "Inbox/Sub"},
     kAppleTop + kApple + "Inbox.mbox/mbox\t2\n" + kApple + "Inbox/Sub.mbox/mbox\t3\n"},
    {"OutlookArchiveParentThenChild",
     kPackingOutlookArchive,
     {"Inbox", "Inbox/Sub"},
     kApple + "Inbox/Inbox.mbox\t2\n" + kApple + "Inbox/Sub/Sub.mbox\t3\n"},
};

// Inbox (2) with Sub (3), x.msf (1), y.MBOX with z (1), Entwürfe.sbd (1) and
// a calendar of one appointment under Ann's top folder.
pstbuild::Mailbox layout_mailbox() {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    inbox.messages = {psttest::mail("i1"), psttest::mail("i2")};
    inbox.add_folder("Sub").messages = {psttest::mail("s1"), psttest::mail("s2"),
                                        psttest::mail("s3")};
    box.top().add_folder("x.msf").messages = {psttest::mail("m")};
    box.top().add_folder("y.MBOX").add_folder("z").messages = {psttest::mail("z")};
    box.top().add_folder("Entw\xC3\xBCrfe.sbd").messages = {psttest::mail("e")};
    box.top().add_folder("Calendar", "IPF.Appointment").messages = {pstbuild::make_appointment(
        {.subject = "Review", .start = {2024, 3, 4, 10, 0}, .body = std::string("Agenda")})};
    return box;
}

class MailLayoutsTest : public ExportTest, public ::testing::WithParamInterface<MailCase> {
protected:
    // The destination's run over the folders, its output prepared.
    _ExportSettings converted(std::int32_t packing, const std::vector<std::string>& folders) {
        const auto session = open_session(psttest::build_file(layout_mailbox()));
        _ExportSettings s;
        s.ExportPacking = packing;
        s.ExportItems = pick(session, folders);
        EXPECT_FALSE(
            PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, kResources));
        const auto r = run(s);
        EXPECT_EQ(r.result.status, Success) << r.log;
        return s;
    }
};

TEST_P(MailLayoutsTest, EveryFolderOnTheWayIsAMailboxOfTheDestination) {
    const _ExportSettings s = converted(GetParam().packing, GetParam().folders);
    EXPECT_EQ(python_mailbox_counts(s.MailsOutputFolderPath), GetParam().expected);
    // Only the archive's mailboxes are marked as Outlook's.
    const auto codes = platform::GetFileTypeAndCreatorCodes(
        s.MailsOutputFolderPath + "/" +
        GetParam().expected.substr(0, GetParam().expected.find('\t')));
    EXPECT_EQ(codes.has_value(), GetParam().packing == kPackingOutlookArchive);
}

// Thunderbird itself, started on a fresh profile whose Local Folders hold
// the converted tree, finds every folder with the messages Python finds.
TEST_F(MailLayoutsTest, ThunderbirdReadsEveryFolderWithItsMessages) {
    converted(kPackingThunderbird, {"Inbox", "Inbox/Sub", "Entw\xC3\xBCrfe.sbd", "Calendar"});
    const std::string tree = (out() / "Mails").string();
    const auto thunderbird = script_output("thunderbird_counts.py", tree);
    if (thunderbird.exitCode == 77) {
        GTEST_SKIP() << "Thunderbird is not installed";
    }
    ASSERT_EQ(thunderbird.exitCode, 0) << thunderbird.output;
    const std::string python = python_mailbox_counts(tree);
    EXPECT_NE(python.find("Inbox.sbd/Sub\t3\n"), std::string::npos) << python;
    EXPECT_NE(python.find("Calendar References\t1\n"), std::string::npos) << python;
    EXPECT_EQ(thunderbird.output, python);
}

INSTANTIATE_TEST_SUITE_P(Destinations, MailLayoutsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every entry below `dir` but report files.
Files tree_below(const fs::path& dir) {
    Files out = files_below(dir, true);
    std::erase_if(out, [](const std::string& f) { return f.starts_with("PST Conversion Report"); });
    return out;
}

Files package(const std::string& p) {
    return {p + "/",          p + "/Archive.xml",         p + "/Calendar/",        p + "/Contacts/",
            p + "/Contents/", p + "/Contents/Info.plist", p + "/Contents/PkgInfo", p + "/Mail/"};
}

struct PreparationCase {
    const char* name;
    std::int32_t packing;
    SelectedKinds kinds;
    int runs;
    Files expected;  // below the chosen folder after the last run
};

const PreparationCase kPreparations[] = {
    {"ThunderbirdSecondRun",
     kPackingThunderbird,
     {true, false, true},
     2,
     {"Calendar Events (1)/", "Calendar Events/", "Mails (1)/", "Mails (1)/Mails",
      "Mails (1)/Mails.sbd/", "Mails/", "Mails/Mails", "Mails/Mails.sbd/"}},
    {"AppleContactsOnly", kPackingAppleApplications, {false, true, false}, 1, {"Contacts/"}},
    {"AppleCalendarOnlyStillMakesMails",
     kPackingAppleApplications,
     {false, false, true},
     1,
     {"Calendar Events/", "Mails/"}},
    {"ArchiveContactsOnlyHasEveryPart",
     kPackingOutlookArchive,
     {false, true, false},
     1,
     package("Mailwright Output.rge")},
    {"ArchiveSecondRun",
     kPackingOutlookArchive,
     {true, false, false},
     2,
     [] {
         Files both = package("Mailwright Output (1).rge");
         const Files first = package("Mailwright Output.rge");
         both.insert(both.end(), first.begin(), first.end());
         return both;
     }()},
};

class PreparationTest : public ExportTest, public ::testing::WithParamInterface<PreparationCase> {};

TEST_P(PreparationTest, MakesTheDestinationsFoldersAndFixesItsSettings) {
    const PreparationCase& c = GetParam();
    _ExportSettings s;
    for (int run = 0; run < c.runs; ++run) {
        s = _ExportSettings{};
        s.ExportPacking = c.packing;
        s.MailFormat = kMailFormatEML;
        s.MaxMBOXSizeInMB = 5;
        s.ReadUnreadSeparated = true;
        s.MergeContacts = s.MergeCalendarEvents = c.packing == kPackingOutlookArchive;
        ASSERT_FALSE(PrepareTargetOutput(s, out().string(), c.kinds, run * 60, kResources));
    }
    EXPECT_EQ(tree_below(out()), c.expected);
    EXPECT_EQ(fs::path(s.ExtendedLogReportPath).parent_path(), out());
    EXPECT_TRUE(fs::is_regular_file(s.ExtendedLogReportPath));
    EXPECT_EQ(std::tuple(s.MailFormat, s.MaxMBOXSizeInMB, s.ReadUnreadSeparated),
              std::tuple(kMailFormatMBOX, 0, false));
    EXPECT_EQ(s.MergeContacts && s.MergeCalendarEvents, c.packing != kPackingOutlookArchive);
    // The output paths name the folders made last, or nothing.
    const fs::path last = out() / c.expected.front().substr(0, c.expected.front().find('/'));
    EXPECT_EQ(s.OutputFolderPath,
              c.packing == kPackingOutlookArchive ? last.string() : out().string());
    EXPECT_EQ(s.ContactsOutputFolderPath.empty(),
              !c.kinds.contacts && c.packing != kPackingOutlookArchive);
    if (c.packing == kPackingThunderbird) {
        EXPECT_EQ(s.MailsOutputFolderPath,
                  (out() / (c.runs == 2 ? "Mails (1)" : "Mails") / "Mails.sbd").string());
    }
}

INSTANTIATE_TEST_SUITE_P(Destinations, PreparationTest, ::testing::ValuesIn(kPreparations),
                         [](const auto& info) { return std::string(info.param.name); });

class ArchivePackageTest : public ExportTest {};

TEST_F(ArchivePackageTest, PartsParseAndAreMarkedAndMissingResourcesAreLeftOut) {
    _ExportSettings s;
    s.ExportPacking = kPackingOutlookArchive;
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), {}, 0, kResources));
    const std::string package = s.OutputFolderPath;
    const std::string check = "xmllint --noout '" + package +
                              "/Archive.xml' && python3 -c '"
                              "import plistlib, sys; d = plistlib.load(open(sys.argv[1], \"rb\")); "
                              "sys.exit(d[\"CFBundleSignature\"] != \"OPIM\")' '" +
                              package + "/Contents/Info.plist'";
    EXPECT_EQ(std::system(check.c_str()), 0);
    EXPECT_EQ(slurp(package + "/Contents/PkgInfo").substr(4), "OPIM");
    const auto codes = platform::GetFileTypeAndCreatorCodes(package + "/Archive.xml");
    ASSERT_TRUE(codes);
    EXPECT_EQ(
        platform::FourCharacterCode(codes->type) + platform::FourCharacterCode(codes->creator),
        "TEXTOPIM");

    // Without resources the package still has its folders; a chosen folder
    // that cannot hold folders stops the preparation and says why.
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), {}, 0, (out() / "none").string()));
    EXPECT_EQ(tree_below(s.OutputFolderPath),
              (Files{"Calendar/", "Contacts/", "Contents/", "Mail/"}));
    for (const std::int32_t packing :
         {kPackingThunderbird, kPackingAppleApplications, kPackingOutlookArchive}) {
        s.ExportPacking = packing;
        const auto failed =
            PrepareTargetOutput(s, s.ExtendedLogReportPath, {true, true, true}, 0, "");
        ASSERT_TRUE(failed);
        EXPECT_TRUE(failed->ends_with(": Not a directory")) << *failed;
    }
}

// Contacts and appointments to each destination. Thunderbird and Apple get
// every contact of the run in one "Contacts.vcf" and every event in one
// "Calendar.ics" inside one envelope (the first free names), each card
// followed by an empty line, the reference mails in one mailbox; the
// archive one numbered file per item and the references beside each
// folder's mail; each in the contact style of its application. A mail
// folder's contacts and appointments join those files, whose folders the
// run makes, never the mail tree.

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
const std::string kAppleTopFolder = "Mails/mail.pst/Ann/Top of Personal Folders";
const std::string kArchive = "Mailwright Output.rge/Mail/mail.pst/Ann/Top of Personal Folders/";

const ItemCase kItemCases[] = {
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
      "Mails/Calendar References.mbox/mbox", "Mails/mail.pst/Ann.mbox/mbox",
      kAppleTopFolder + ".mbox/mbox", kAppleTopFolder + "/Inbox.mbox/mbox"},
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

INSTANTIATE_TEST_SUITE_P(Destinations, ItemTargetsTest, ::testing::ValuesIn(kItemCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
