#include "targets/output_preparation.h"

#include "export/application_folders.h"
#include "export/output_paths.h"
#include "export/report_file.h"
#include "targets/archive_package.h"
#include "targets/forced_settings.h"

namespace mailwright::targets {
namespace {

using exporting::_ExportSettings;
using exporting::JoinPath;

// A folder that could not be created ends the preparation: "<path>: <the
// system's reason>".
struct CreationFailed {
    std::string text;
};

std::string made(const exporting::MadePath& made) {
    if (!made.made()) {
        throw CreationFailed{made.path + ": " + made.error.message()};
    }
    return made.path;
}

std::string make_folder(const std::string& path) {
    return made(exporting::MakeFolder(path));
}

// `folder` / name, or the first free "name (N)", created.
std::string make_unique_folder(const std::string& folder, const std::string& name,
                               const std::optional<std::string>& extension = std::nullopt) {
    return made(exporting::MakeUniqueFolder(folder, name, extension));
}

void clear_output_paths(_ExportSettings& settings) {
    settings.OutputFolderPath.clear();
    settings.MailsOutputFolderPath.clear();
    settings.ContactsOutputFolderPath.clear();
    settings.CalendarOutputFolderPath.clear();
}

// "Contacts" and "Calendar Events" of the Apple and Thunderbird layouts.
void make_item_folders(_ExportSettings& settings, const std::string& chosen,
                       const SelectedKinds& kinds) {
    if (kinds.contacts) {
        settings.ContactsOutputFolderPath = make_unique_folder(chosen, "Contacts");
    }
    if (kinds.calendar) {
        settings.CalendarOutputFolderPath = make_unique_folder(chosen, "Calendar Events");
    }
}

void prepare_thunderbird(_ExportSettings& settings, const std::string& chosen,
                         const SelectedKinds& kinds) {
    // Calendar items need the mail folder too: their reference mails go there.
    if (kinds.mails || kinds.calendar) {
        settings.MailsOutputFolderPath = made(exporting::MakeThunderbirdMailBase(chosen));
    }
    make_item_folders(settings, chosen, kinds);
}

void prepare_apple(_ExportSettings& settings, const std::string& chosen,
                   const SelectedKinds& kinds) {
    if (kinds.mails || kinds.calendar) {
        settings.MailsOutputFolderPath = made(exporting::MakeAppleMailBase(chosen));
    }
    make_item_folders(settings, chosen, kinds);
}

void prepare_archive(_ExportSettings& settings, const std::string& chosen,
                     const std::string& resourceDirectory) {
    const std::string package = make_unique_folder(chosen, kArchivePackageName, "rge");
    settings.OutputFolderPath = package;
    settings.MailsOutputFolderPath = make_folder(JoinPath(package, "Mail"));
    settings.ContactsOutputFolderPath = make_folder(JoinPath(package, "Contacts"));
    settings.CalendarOutputFolderPath = make_folder(JoinPath(package, "Calendar"));
    WritePackageParts(package, resourceDirectory);
}

}  // namespace

std::optional<std::string> PrepareTargetOutput(_ExportSettings& settings,
                                               const std::string& chosenFolder,
                                               const SelectedKinds& kinds, std::time_t reportTime,
                                               const std::string& resourceDirectory,
                                               std::string* reportFailure) {
    ForceTargetSettings(settings);
    clear_output_paths(settings);
    settings.OutputFolderPath = chosenFolder;
    try {
        switch (settings.ExportPacking) {
            case exporting::kPackingThunderbird:
                prepare_thunderbird(settings, chosenFolder, kinds);
                break;
            case exporting::kPackingAppleApplications:
                prepare_apple(settings, chosenFolder, kinds);
                break;
            case exporting::kPackingOutlookArchive:
                prepare_archive(settings, chosenFolder, resourceDirectory);
                break;
            default:
                settings.MailsOutputFolderPath = settings.ContactsOutputFolderPath =
                    settings.CalendarOutputFolderPath = chosenFolder;
                break;
        }
    } catch (const CreationFailed& failed) {
        return failed.text;
    }
    settings.ExtendedLogReportPath =
        exporting::CreateReportFile(chosenFolder, reportTime, reportFailure);
    return std::nullopt;
}

}  // namespace mailwright::targets
