#include <gtest/gtest.h>

#include "export/export_settings.h"
#include "ui/logic/destination_menus.h"
#include "ui/logic/mbox_size.h"
#include "ui/logic/options_rules.h"

namespace mailwright::ui {
namespace {

using namespace exporting;

std::vector<std::string> titles(const std::vector<OptionMenuItem>& menu) {
    std::vector<std::string> out;
    for (const auto& entry : menu) {
        out.push_back(entry.uiString);
    }
    return out;
}

TEST(DestinationMenus, ConvertAndImportMenusByKinds) {
    struct Case {
        bool m, c, k;
        std::vector<std::string> convert;
        std::vector<std::string> import;
    };
    const Case cases[] = {
        {true,
         true,
         true,
         {"Apple Mail, Address Book, Calendar (iCal)", "Microsoft Outlook 2011/Entourage Archive",
          "Thunderbird Email Database, *.vcf, *.ics", "*.mbox, *.vcf, *.ics",
          "*.eml, *.vcf, *.ics"},
         {"Apple Mail , Address Book ,Calendar (iCal)", "Microsoft Outlook for Mac 2011",
          "Mozilla Thunderbird"}},
        {false,
         true,
         false,
         {"Apple Address Book", "Microsoft Outlook 2011/Entourage Archive", "*.vcf"},
         {"Apple Address Book ", "Microsoft Outlook for Mac 2011"}},
        {true,
         false,
         false,
         {"Apple Mail", "Microsoft Outlook 2011/Entourage Archive", "Thunderbird Email Database",
          "*.mbox", "*.eml"},
         {"Apple Mail ", "Microsoft Outlook for Mac 2011", "Mozilla Thunderbird"}},
        {false,
         false,
         true,
         {"Apple Mail, Calendar (iCal)", "Microsoft Outlook 2011/Entourage Archive",
          "Thunderbird Email Database, *.ics", "*.mbox, *.ics", "*.eml, *.ics"},
         {"Apple Mail ,Calendar (iCal)", "Microsoft Outlook for Mac 2011"}},
        {false, false, false, {"Apple "}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m << c.c << c.k);
        EXPECT_EQ(titles(buildConvertMenuForMails(c.m, c.c, c.k)), c.convert);
        EXPECT_EQ(titles(buildImportMenuForMails(c.m, c.c, c.k)), c.import);
    }
    const auto all = buildConvertMenuForMails(true, false, false);
    const std::vector<std::pair<std::int32_t, std::int32_t>> layouts = {
        {kPackingAppleApplications, kMailFormatMBOX},
        {kPackingOutlookArchive, kMailFormatMBOX},
        {kPackingThunderbird, kMailFormatMBOX},
        {kPackingSeparateFiles, kMailFormatMBOX},
        {kPackingSeparateFiles, kMailFormatEML}};
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(std::make_pair(all[i].packingType, all[i].mailFormat), layouts[i]) << i;
    }
}

KindBox box(int state) {
    return {.state = state, .enabled = true};
}

TEST(OptionsRules, SwitchesFollowKindsAndDestination) {
    struct Case {
        const char* what;
        KindBoxes kinds;
        std::int32_t action;
        std::int32_t chosen;
        bool readUnread, mergeContacts, mergeCalendar, split;
    };
    const KindBox none;
    const Case cases[] = {
        {"only contacts, *.vcf",
         {none, box(kAllOn), none},
         kActionConvert,
         2,
         false,
         true,
         false,
         false},
        {"mail and calendar, *.eml",
         {box(kAllOn), none, box(kAllOn)},
         kActionConvert,
         4,
         true,
         false,
         true,
         false},
        {"mail and calendar, *.mbox",
         {box(kAllOn), none, box(kAllOn)},
         kActionConvert,
         3,
         true,
         false,
         true,
         true},
        {"mixed mail counts as mail",
         {box(kMixed), none, none},
         kActionConvert,
         3,
         true,
         false,
         false,
         true},
        {"mail off",
         {box(kAllOff), box(kAllOn), none},
         kActionConvert,
         0,
         false,
         false,
         false,
         false},
        {"Thunderbird",
         {box(kAllOn), box(kAllOn), box(kAllOn)},
         kActionConvert,
         2,
         false,
         false,
         false,
         false},
        {"import menu merges nothing",
         {box(kAllOn), box(kAllOn), box(kAllOn)},
         kActionImportMenu,
         0,
         false,
         false,
         false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OptionsState options;
        options.kinds = c.kinds;
        options.actionOption = c.action;
        options.destinationTypeOptions = c.chosen;
        EvaluateOptions(options, false);
        EXPECT_EQ(options.destinationTypeOptions, c.chosen);
        EXPECT_EQ(options.saveReadUnreadEnabled, c.readUnread);
        EXPECT_EQ(options.mergeContactsEnabled, c.mergeContacts);
        EXPECT_EQ(options.mergeCalendarEventsEnabled, c.mergeCalendar);
        EXPECT_EQ(options.splitMBOXFilesEnabled, c.split);
        EXPECT_TRUE(options.startButtonEnabled);
    }
}

TEST(OptionsRules, MenuChangesKeepTheChoiceInside) {
    OptionsState options;
    options.kinds = {box(kAllOn), box(kAllOn), box(kAllOn)};
    options.destinationTypeOptions = 4;
    EvaluateOptions(options, false);
    EXPECT_EQ(options.chosenEntry()->uiString, "*.eml, *.vcf, *.ics");

    options.kinds.allMails.state = kAllOff;  // five entries stay: calendar is on
    options.kinds.allCalendar = KindBox{};
    EvaluateOptions(options, false);  // only contacts: three entries
    EXPECT_EQ(options.destinationTypeOptions, 2);

    options.actionOption = kActionImportMenu;
    EvaluateOptions(options, true);
    EXPECT_EQ(options.destinationTypeOptions, 0);

    options.kinds = KindBoxes{};  // nothing selected: nothing enabled
    EvaluateOptions(options, false);
    EXPECT_FALSE(options.startButtonEnabled);
    EXPECT_FALSE(options.destinationTypeOptionEnabled);
    EXPECT_EQ(options.chosenEntry(), nullptr);
}

TEST(MBOXSize, OnlyDigitsAboveZero) {
    EXPECT_EQ(ParseMBOXSize("2048"), 2048);
    EXPECT_EQ(ParseMBOXSize("1"), 1);
    for (const char* bad : {"", "0", "000", "20a8", "-5", " 12", "1.5", "99999999999"}) {
        EXPECT_EQ(ParseMBOXSize(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(SplitSwitchTitle(2048), "Split MBOX files over 2048 MB.");
}

}  // namespace
}  // namespace mailwright::ui
