#include "ui/row_icons.h"

#include <map>
#include <string>

#include "ui/desktop_resources.h"
#include "ui/logic/folder_tree.h"

namespace mailwright::desktop {
namespace {

// Made once: a row keeps its icon, and every row of a class shares it.
const QIcon& icon(const char* path) {
    RegisterDesktopResources();
    static std::map<std::string, QIcon> icons;
    auto it = icons.find(path);
    if (it == icons.end()) {
        it = icons.emplace(path, QIcon(QString::fromLatin1(path))).first;
    }
    return it->second;
}

}  // namespace

const QIcon& IconForContainerClass(std::int32_t containerClass) {
    switch (containerClass) {
        case ui::kClassSession:
            return icon(":/icons/Office.svg");
        case ui::kClassStore:
            return icon(":/icons/Store.svg");
        case ui::kClassCalendar:
            return icon(":/icons/Calendar.svg");
        case ui::kClassContacts:
            return icon(":/icons/Contact.svg");
        default:
            return icon(":/icons/Folder.svg");
    }
}

const QIcon& ApplicationIcon() {
    return icon(":/icons/Mailwright.svg");
}

}  // namespace mailwright::desktop
