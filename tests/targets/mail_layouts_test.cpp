// What each destination prepares before a run (its folders by the kinds
// selected, numbered names on a second run, the paths and settings it fixes,
// the archive package with its parts) and its mailboxes as Python's mailbox
// module and Thunderbird read them: every folder on the way down to a
// converted folder, in the destination's own layout, with the messages only
// in the converted folders.
#include <gtest/gtest.h>

#include "export/export_fixture.h"
#include "formats/vcard_consumers.h"
#include "platform/file_type_codes.h"
#include "support/appointment_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

using namespace exporttest;
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

using Tree = std::vector<std::string>;

// Every entry below `dir` but report files.
Tree tree_below(const fs::path& dir) {
    Tree out = files_below(dir, true);
    std::erase_if(out, [](const std::string& f) { return f.starts_with("PST Conversion Report"); });
    return out;
}

Tree package(const std::string& p) {
    return {p + "/",          p + "/Archive.xml",         p + "/Calendar/",        p + "/Contacts/",
            p + "/Contents/", p + "/Contents/Info.plist", p + "/Contents/PkgInfo", p + "/Mail/"};
}

struct PreparationCase {
    const char* name;
    std::int32_t packing;
    SelectedKinds kinds;
    int runs;
    Tree expected;  // below the chosen folder after the last run
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
         Tree both = package("Mailwright Output (1).rge");
         const Tree first = package("Mailwright Output.rge");
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
              (Tree{"Calendar/", "Contacts/", "Contents/", "Mail/"}));
    for (const std::int32_t packing :
         {kPackingThunderbird, kPackingAppleApplications, kPackingOutlookArchive}) {
        s.ExportPacking = packing;
        const auto failed =
            PrepareTargetOutput(s, s.ExtendedLogReportPath, {true, true, true}, 0, "");
        ASSERT_TRUE(failed);
        EXPECT_TRUE(failed->ends_with(": Not a directory")) << *failed;
    }
}

}  // namespace
}  // namespace mailwright::targets
