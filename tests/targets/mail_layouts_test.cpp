// The mailboxes of each destination, as Python's mailbox module reads them:
// every folder on the way down to a converted folder, in the destination's
// own layout, with the messages only in the converted folders.
#include <gtest/gtest.h>

#include "export/export_fixture.h"
#include "formats/vcard_consumers.h"
#include "platform/file_type_codes.h"
#include "support/appointment_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

using exporting::_ExportSettings;
using exporttest::folder_at;
using exporttest::open_session;

// What a script of this folder prints for `dir` (standard error too), and
// its exit status.
vcardtest::Result script_output(const char* script, const std::string& dir) {
    return vcardtest::RunCommand("python3 '" MW_SOURCE_DIR "/tests/targets/" +
                                 std::string(script) + "' '" + dir + "'");
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
const std::string kApple = "mail.pst/Ann/Top of Personal Folders/";
const std::string kAppleTop =
    "mail.pst/Ann.mbox/mbox\t0\nmail.pst/Ann/Top of Personal Folders.mbox/mbox\t0\n";
const std::string kArchive = "mail.pst/Ann/Top of Personal Folders/";

const MailCase kCases[] = {
    {"ThunderbirdSecondLevelOnly",
     exporting::kPackingThunderbird,
     {"Inbox/Sub"},
     "mail.pst\t0\nmail.pst.sbd/Ann\t0\nmail.pst.sbd/Ann.sbd/Top of Personal Folders\t0\n" + kTB +
         "Inbox\t0\n" + kTB + "Inbox.sbd/Sub\t3\n"},
    {"ThunderbirdParentThenChild",
     exporting::kPackingThunderbird,
     {"Inbox", "Inbox/Sub"},
     "mail.pst\t0\nmail.pst.sbd/Ann\t0\nmail.pst.sbd/Ann.sbd/Top of Personal Folders\t0\n" + kTB +
         "Inbox\t2\n" + kTB + "Inbox.sbd/Sub\t3\n"},
    {"AppleSecondLevelOnly",
     exporting::kPackingAppleApplications,
     {"Inbox/Sub"},
     kAppleTop + kApple + "Inbox.mbox/mbox\t0\n" + kApple + "Inbox/Sub.mbox/mbox\t3\n"},
    {"AppleParentThenChild",
     exporting::kPackingAppleApplications,
     {"Inbox", "Inbox/Sub"},
     kAppleTop + kApple + "Inbox.mbox/mbox\t2\n" + kApple + "Inbox/Sub.mbox/mbox\t3\n"},
    {"OutlookArchiveParentThenChild",
     exporting::kPackingOutlookArchive,
     {"Inbox", "Inbox/Sub"},
     kArchive + "Inbox/Inbox.mbox\t2\n" + kArchive + "Inbox/Sub/Sub.mbox\t3\n"},
    // Names the destination keeps for its own files get a "_".
    {"ThunderbirdReservedNames",
     exporting::kPackingThunderbird,
     {"x.msf"},
     "mail.pst\t0\nmail.pst.sbd/Ann\t0\nmail.pst.sbd/Ann.sbd/Top of Personal Folders\t0\n" + kTB +
         "x.msf_\t1\n"},
    {"AppleReservedNames",
     exporting::kPackingAppleApplications,
     {"y.MBOX/z"},
     kAppleTop + kApple + "y.MBOX_.mbox/mbox\t0\n" + kApple + "y.MBOX_/z.mbox/mbox\t1\n"},
};

class MailLayoutsTest : public exporttest::ExportTest,
                        public ::testing::WithParamInterface<MailCase> {};

TEST_P(MailLayoutsTest, EveryFolderOnTheWayIsAMailboxOfTheDestination) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    inbox.messages = {psttest::mail("i1"), psttest::mail("i2")};
    inbox.add_folder("Sub").messages = {psttest::mail("s1"), psttest::mail("s2"),
                                        psttest::mail("s3")};
    box.top().add_folder("x.msf").messages = {psttest::mail("m")};
    box.top().add_folder("y.MBOX").add_folder("z").messages = {psttest::mail("z")};
    const auto session = open_session(psttest::build_file(box));

    _ExportSettings s;
    s.ExportPacking = GetParam().packing;
    for (const auto& path : GetParam().folders) {
        s.ExportItems.push_back(folder_at(session, "Ann/Top of Personal Folders/" + path));
    }
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), {true, false, false}, 0,
                                     MW_BINARY_DIR "/share/mailwright"));
    const auto r = run(s);
    EXPECT_EQ(r.result.status, exporting::Success) << r.log;
    EXPECT_EQ(python_mailbox_counts(s.MailsOutputFolderPath), GetParam().expected);
    // Only the archive's mailboxes are marked as Outlook's.
    const auto codes = platform::GetFileTypeAndCreatorCodes(
        s.MailsOutputFolderPath + "/" +
        GetParam().expected.substr(0, GetParam().expected.find('\t')));
    EXPECT_EQ(codes.has_value(), GetParam().packing == exporting::kPackingOutlookArchive);
}

// Thunderbird itself, started on a fresh profile whose Local Folders hold
// the converted tree, finds every folder with the messages Python finds.
TEST_F(MailLayoutsTest, ThunderbirdReadsEveryFolderWithItsMessages) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    pstbuild::Folder& inbox = box.top().add_folder("Inbox");
    inbox.messages = {psttest::mail("i1"), psttest::mail("i2")};
    inbox.add_folder("Sub").messages = {psttest::mail("s1")};
    box.top().add_folder("Entw\xC3\xBCrfe.sbd").messages = {psttest::mail("e")};
    box.top().add_folder("Calendar", "IPF.Appointment").messages = {pstbuild::make_appointment(
        {.subject = "Review", .start = {2024, 3, 4, 10, 0}, .body = std::string("Agenda")})};
    const auto session = open_session(psttest::build_file(box));
    _ExportSettings s;
    s.ExportPacking = exporting::kPackingThunderbird;
    for (const char* path : {"Inbox", "Inbox/Sub", "Entw\xC3\xBCrfe.sbd", "Calendar"}) {
        s.ExportItems.push_back(
            folder_at(session, std::string("Ann/Top of Personal Folders/") + path));
    }
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, ""));
    ASSERT_EQ(run(s).result.status, exporting::Success);

    const std::string tree = (out() / "Mails").string();
    const auto thunderbird = script_output("thunderbird_counts.py", tree);
    if (thunderbird.exitCode == 77) {
        GTEST_SKIP() << "Thunderbird is not installed";
    }
    ASSERT_EQ(thunderbird.exitCode, 0) << thunderbird.output;
    const std::string python = python_mailbox_counts(tree);
    EXPECT_NE(python.find("Inbox.sbd/Sub\t1\n"), std::string::npos) << python;
    EXPECT_NE(python.find("Calendar References\t1\n"), std::string::npos) << python;
    EXPECT_EQ(thunderbird.output, python);
}

INSTANTIATE_TEST_SUITE_P(Destinations, MailLayoutsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
