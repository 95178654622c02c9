// The output of a run before it starts: the folders of the chosen
// destination in the folder the user chose, the run's four output paths,
// its report file, the settings the destination fixes and, for the Outlook
// archive, the package with its fixed parts.
//
//   settings.ExportPacking = kPackingThunderbird;
//   if (const auto failed = PrepareTargetOutput(settings, "/home/ann/out",
//                                               KindsOfFolders(settings.ExportItems),
//                                               std::time(nullptr),
//                                               platform::ResourceDirectory())) {
//       // *failed is "<path>: <reason>" of what could not be created: no run
//   }
//
// Folder names are unique in the chosen folder ("Mails", then "Mails (1)"
// on a second run into the same folder, and so on).
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "export/export_settings.h"
#include "targets/selected_kinds.h"

namespace mailwright::targets {

// The name of the Outlook archive package, given the extension "rge".
inline constexpr const char* kArchivePackageName = "Mailwright Output";

// Prepares `chosenFolder` (an existing folder) for a run to the destination
// settings.ExportPacking:
// - separate files: every output path is the chosen folder;
// - Thunderbird: "Mails" (with the empty mailbox "Mails" and the mail base
//   folder "Mails.sbd") when mail or calendar items are selected, "Contacts"
//   and "Calendar Events" when those are;
// - Apple: "Mails", "Contacts" and "Calendar Events", made as for
//   Thunderbird, the mail base folder being "Mails" itself;
// - Outlook archive: the package "Mailwright Output.rge" (the output folder
//   path) with "Mail", "Contacts" and "Calendar" whatever is selected, and
//   its fixed parts from `resourceDirectory`.
// The report file is created empty in the chosen folder, named after
// `reportTime`; a report file that cannot be created leaves the report
// path empty and, with `reportFailure`, says why there. Paths of kinds
// without a folder stay empty. Returns what could not be created, as
// "<path>: <the system's reason>" (then no run may start), nothing on
// success.
std::optional<std::string> PrepareTargetOutput(exporting::_ExportSettings& settings,
                                               const std::string& chosenFolder,
                                               const SelectedKinds& kinds, std::time_t reportTime,
                                               const std::string& resourceDirectory,
                                               std::string* reportFailure = nullptr);

}  // namespace mailwright::targets
