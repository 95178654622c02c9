// The output a destination prepares before a run: its folders by the kinds
// selected, numbered names on a second run into the same folder, the paths
// and settings it fixes, and the archive package with its parts.
#include <gtest/gtest.h>

#include "export/export_fixture.h"
#include "platform/file_type_codes.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

namespace fs = std::filesystem;
using namespace exporttest;
using Tree = std::vector<std::string>;

constexpr std::int32_t kTB = kPackingThunderbird;
constexpr std::int32_t kApple = kPackingAppleApplications;
constexpr std::int32_t kArchive = kPackingOutlookArchive;
constexpr const char* kResources = MW_BINARY_DIR "/share/mailwright";

// Every entry below `dir` but report files, relative, folders ending in "/".
Tree tree_below(const fs::path& dir) {
    Tree out;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(entry.path(), dir).string();
        if (name.rfind("PST Conversion Report", 0) != 0) {
            out.push_back(entry.is_directory() ? name + "/" : name);
        }
    }
    std::sort(out.begin(), out.end());
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

const PreparationCase kCases[] = {
    {"ThunderbirdSecondRun",
     kTB,
     {true, false, true},
     2,
     {"Calendar Events (1)/", "Calendar Events/", "Mails (1)/", "Mails (1)/Mails",
      "Mails (1)/Mails.sbd/", "Mails/", "Mails/Mails", "Mails/Mails.sbd/"}},
    {"AppleContactsOnly", kApple, {false, true, false}, 1, {"Contacts/"}},
    {"AppleCalendarOnlyStillMakesMails",
     kApple,
     {false, false, true},
     1,
     {"Calendar Events/", "Mails/"}},
    {"ArchiveContactsOnlyHasEveryPart",
     kArchive,
     {false, true, false},
     1,
     package("Mailwright Output.rge")},
    {"ArchiveSecondRun",
     kArchive,
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
        s.MergeContacts = s.MergeCalendarEvents = c.packing == kArchive;
        ASSERT_FALSE(PrepareTargetOutput(s, out().string(), c.kinds, run * 60, kResources));
    }
    EXPECT_EQ(tree_below(out()), c.expected);
    EXPECT_EQ(fs::path(s.ExtendedLogReportPath).parent_path(), out());
    EXPECT_TRUE(fs::is_regular_file(s.ExtendedLogReportPath));
    EXPECT_EQ(std::tuple(s.MailFormat, s.MaxMBOXSizeInMB, s.ReadUnreadSeparated),
              std::tuple(kMailFormatMBOX, 0, false));
    EXPECT_EQ(s.MergeContacts && s.MergeCalendarEvents, c.packing != kArchive);
    // The output paths name the folders made last, or nothing.
    const fs::path last = out() / c.expected.front().substr(0, c.expected.front().find('/'));
    EXPECT_EQ(s.OutputFolderPath, c.packing == kArchive ? last.string() : out().string());
    EXPECT_EQ(s.ContactsOutputFolderPath.empty(), !c.kinds.contacts && c.packing != kArchive);
    if (c.packing == kTB) {
        EXPECT_EQ(s.MailsOutputFolderPath,
                  (out() / (c.runs == 2 ? "Mails (1)" : "Mails") / "Mails.sbd").string());
    }
}

INSTANTIATE_TEST_SUITE_P(Destinations, PreparationTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class ArchivePackageTest : public ExportTest {};

TEST_F(ArchivePackageTest, PartsParseAndAreMarkedAndMissingResourcesAreLeftOut) {
    _ExportSettings s;
    s.ExportPacking = kArchive;
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
    for (const std::int32_t packing : {kTB, kApple, kArchive}) {
        s.ExportPacking = packing;
        const auto failed =
            PrepareTargetOutput(s, s.ExtendedLogReportPath, {true, true, true}, 0, "");
        ASSERT_TRUE(failed);
        EXPECT_TRUE(failed->ends_with(": Not a directory")) << *failed;
    }
}

}  // namespace
}  // namespace mailwright::targets
