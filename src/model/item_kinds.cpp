#include "model/item_kinds.h"

#include <utility>

namespace mailwright::model {

std::int32_t folderKindOfContainerClass(std::string_view containerClass, std::int32_t other) {
    static constexpr std::pair<std::string_view, std::int32_t> kClasses[] = {
        {"IPF.Appointment", kFolderCalendar}, {"IPF.Contact", kFolderContacts},
        {"IPF.Journal", kFolderJournal},      {"IPF.StickyNote", kFolderNotes},
        {"IPF.Task", kFolderTasks},
    };
    // A class names its kind, or a special kind of it after a dot
    // ("IPF.Contact.RecipientCache" is a contacts folder, "IPF.Note.X" mail).
    for (const auto& [name, kind] : kClasses) {
        if (containerClass.starts_with(name) &&
            (containerClass.size() == name.size() || containerClass[name.size()] == '.')) {
            return kind;
        }
    }
    return other;
}

std::int32_t messageKindOfMessageClass(std::string_view messageClass) {
    // Checked in this order; the first prefix that matches wins.
    static constexpr std::pair<std::string_view, std::int32_t> kPrefixes[] = {
        {"IPM.Note", kMessageNote},
        {"IPM.Contact", kMessageContact},
        {"IPM.Appointment", kMessageAppointment},
        {"IPM.DistList", kMessageDistList},
        {"IPM.Journal", kMessageJournal},
        {"IPM.Task", kMessageTask},
        {"IPM.StickyNote", kMessageStickyNote},
        {"IPM.Microsoft.ScheduleData.FreeBusy", kMessageFreeBusy},
    };
    for (const auto& [prefix, kind] : kPrefixes) {
        if (messageClass.starts_with(prefix)) {
            return kind;
        }
    }
    return kMessageNote;
}

}  // namespace mailwright::model
