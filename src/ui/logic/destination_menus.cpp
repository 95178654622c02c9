#include "ui/logic/destination_menus.h"

#include "export/export_settings.h"

namespace mailwright::ui {
namespace {

using namespace exporting;

// ", *.vcf" and ", *.ics" for the kinds beside mail.
std::string fileEndings(bool c, bool k) {
    return std::string(c ? ", *.vcf" : "") + (k ? ", *.ics" : "");
}

std::string appleConvertTitle(bool m, bool c, bool k) {
    std::string title = "Apple ";
    if (m || k) {
        title += "Mail";
    }
    if (c) {
        title += (m || k) ? ", Address Book" : "Address Book";
    }
    if (k) {
        title += ", Calendar (iCal)";
    }
    return title;
}

std::string appleImportTitle(bool m, bool c, bool k) {
    std::string title = "Apple ";
    if (m || k) {
        title += "Mail ";
    }
    if (c && (m || k)) {
        title += ", ";
    }
    if (c) {
        title += "Address Book ";
    }
    if (k) {
        title += ",Calendar (iCal)";
    }
    return title;
}

}  // namespace

std::vector<OptionMenuItem> buildConvertMenuForMails(bool m, bool c, bool k) {
    std::vector<OptionMenuItem> menu;
    menu.push_back({kPackingAppleApplications, kMailFormatMBOX, appleConvertTitle(m, c, k)});
    if (m || c || k) {
        menu.push_back(
            {kPackingOutlookArchive, kMailFormatMBOX, "Microsoft Outlook 2011/Entourage Archive"});
    }
    if (m || k) {
        menu.push_back({kPackingThunderbird, kMailFormatMBOX,
                        "Thunderbird Email Database" + fileEndings(c, k)});
        menu.push_back({kPackingSeparateFiles, kMailFormatMBOX, "*.mbox" + fileEndings(c, k)});
        menu.push_back({kPackingSeparateFiles, kMailFormatEML, "*.eml" + fileEndings(c, k)});
    } else if (c) {
        menu.push_back({kPackingSeparateFiles, kMailFormatMBOX, "*.vcf"});
    }
    return menu;
}

std::vector<OptionMenuItem> buildImportMenuForMails(bool m, bool c, bool k) {
    std::vector<OptionMenuItem> menu;
    if (m || c || k) {
        menu.push_back({kPackingAppleApplications, kMailFormatMBOX, appleImportTitle(m, c, k)});
        menu.push_back({kPackingOutlookArchive, kMailFormatMBOX, "Microsoft Outlook for Mac 2011"});
    }
    if (m) {
        menu.push_back({kPackingThunderbird, kMailFormatMBOX, "Mozilla Thunderbird"});
    }
    return menu;
}

}  // namespace mailwright::ui
