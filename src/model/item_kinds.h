// The kinds the session model gives folders (MAPIFolder::defaultItemType) and
// messages (Message::messageClass).
#pragma once

#include <cstdint>
#include <string_view>

namespace mailwright::model {

// defaultItemType: what a folder holds, from its container class.
constexpr std::int32_t kFolderStoreRoot = 1;  // made with an override name, no known class
constexpr std::int32_t kFolderCalendar = 2;   // "IPF.Appointment"
constexpr std::int32_t kFolderContacts = 3;   // "IPF.Contact"
constexpr std::int32_t kFolderJournal = 4;    // "IPF.Journal"
constexpr std::int32_t kFolderMail = 5;       // everything else
constexpr std::int32_t kFolderNotes = 6;      // "IPF.StickyNote"
constexpr std::int32_t kFolderTasks = 7;      // "IPF.Task"

// The kind of a folder from its container class: the class itself or the
// class followed by "." and more (case-sensitive), `other` for any other
// class.
std::int32_t folderKindOfContainerClass(std::string_view containerClass, std::int32_t other);

// messageClass: what a message is, from the start of its message class.
constexpr std::int32_t kMessageAppointment = 0;  // "IPM.Appointment..."
constexpr std::int32_t kMessageContact = 1;      // "IPM.Contact..."
constexpr std::int32_t kMessageDistList = 2;     // "IPM.DistList..."
constexpr std::int32_t kMessageJournal = 3;      // "IPM.Journal..."
constexpr std::int32_t kMessageNote = 4;         // "IPM.Note..." and everything else
constexpr std::int32_t kMessageStickyNote = 5;   // "IPM.StickyNote..."
constexpr std::int32_t kMessageTask = 6;         // "IPM.Task..."
// "IPM.Microsoft.ScheduleData.FreeBusy...": Outlook's own free/busy data,
// no item of the user's.
constexpr std::int32_t kMessageFreeBusy = 7;

// The kind of the first prefix of the table that the class begins with
// (case-sensitive), kMessageNote when none does.
std::int32_t messageKindOfMessageClass(std::string_view messageClass);

}  // namespace mailwright::model
