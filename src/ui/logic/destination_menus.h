// The destination menus of the options panel, built from which kinds of
// items are selected: the convert menu and the import menu. Each entry is an
// output layout (ExportPacking) with a mail format and the title shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailwright::ui {

struct OptionMenuItem {
    std::int32_t packingType = 0;  // ExportPacking of the run
    std::int32_t mailFormat = 1;   // 1 MBOX, 0 EML
    std::string uiString;

    bool operator==(const OptionMenuItem&) const = default;
};

// Entries for mails (m), contacts (c) and calendar (k) selected.
std::vector<OptionMenuItem> buildConvertMenuForMails(bool m, bool c, bool k);
std::vector<OptionMenuItem> buildImportMenuForMails(bool m, bool c, bool k);

}  // namespace mailwright::ui
