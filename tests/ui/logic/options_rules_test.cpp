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
    const struct {
        std::string kinds;  // M mail, C contacts, K calendar selected
        std::vector<std::string> convert;
        std::vector<std::string> import;
    } cases[] = {
        {"MCK",
         {"Apple Mail, Address Book, Calendar (iCal)", "Microsoft Outlook 2011/Entourage Archive",
          "Thunderbird Email Database, *.vcf, *.ics", "*.mbox, *.vcf, *.ics",
          "*.eml, *.vcf, *.ics"},
         {"Apple Mail , Address Book ,Calendar (iCal)", "Microsoft Outlook for Mac 2011",
          "Mozilla Thunderbird"}},
        {"C",
         {"Apple Address Book", "Microsoft Outlook 2011/Entourage Archive", "*.vcf"},
         {"Apple Address Book ", "Microsoft Outlook for Mac 2011"}},
        {"M",
         {"Apple Mail", "Microsoft Outlook 2011/Entourage Archive", "Thunderbird Email Database",
          "*.mbox", "*.eml"},
         {"Apple Mail ", "Microsoft Outlook for Mac 2011", "Mozilla Thunderbird"}},
        {"K",
         {"Apple Mail, Calendar (iCal)", "Microsoft Outlook 2011/Entourage Archive",
          "Thunderbird Email Database, *.ics", "*.mbox, *.ics", "*.eml, *.ics"},
         {"Apple Mail ,Calendar (iCal)", "Microsoft Outlook for Mac 2011"}},
        {"", {"Apple "}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kinds);
        const bool m = c.kinds.find('M') != std::string::npos;
        const bool k = c.kinds.find('K') != std::string::npos;
        const bool contacts = c.kinds.find('C') != std::string::npos;
        EXPECT_EQ(titles(buildConvertMenuForMails(m, contacts, k)), c.convert);
        EXPECT_EQ(titles(buildImportMenuForMails(m, contacts, k)), c.import);
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
    // The switches enabled: R read/unread apart, C merge contacts, K merge
    // calendar events, S split mailboxes.
    const KindBox none;
    const KindBoxes all = {box(kAllOn), box(kAllOn), box(kAllOn)};
    const struct {
        const char* what;
        KindBoxes kinds;
        std::int32_t action;
        std::int32_t chosen;
        std::string enabled;
    } cases[] = {
        {"only contacts, *.vcf", {none, box(kAllOn), none}, kActionConvert, 2, "C"},
        {"mail and calendar, *.eml", {box(kAllOn), none, box(kAllOn)}, kActionConvert, 4, "RK"},
        {"mail and calendar, *.mbox", {box(kAllOn), none, box(kAllOn)}, kActionConvert, 3, "RKS"},
        {"mixed mail counts as mail", {box(kMixed), none, none}, kActionConvert, 3, "RS"},
        {"mail off", {box(kAllOff), box(kAllOn), none}, kActionConvert, 0, ""},
        {"Thunderbird", all, kActionConvert, 2, ""},
        {"import menu merges nothing", all, kActionImportMenu, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OptionsState options;
        options.kinds = c.kinds;
        options.actionOption = c.action;
        options.destinationTypeOptions = c.chosen;
        EvaluateOptions(options, false);
        EXPECT_EQ(options.destinationTypeOptions, c.chosen);
        const auto on = [&](char letter) { return c.enabled.find(letter) != std::string::npos; };
        EXPECT_EQ(options.saveReadUnreadEnabled, on('R'));
        EXPECT_EQ(options.mergeContactsEnabled, on('C'));
        EXPECT_EQ(options.mergeCalendarEventsEnabled, on('K'));
        EXPECT_EQ(options.splitMBOXFilesEnabled, on('S'));
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
