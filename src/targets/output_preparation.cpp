#include "targets/output_preparation.h"

#include <filesystem>
#include <system_error>

#include "export/output_paths.h"
#include "export/report_file.h"
#include "targets/archive_package.h"
#include "targets/forced_settings.h"

namespace mailwright::targets {
namespace {

namespace fs = std::filesystem;
using exporting::_ExportSettings;
using exporting::JoinPath;

// A folder that could not be created ends the preparation.
struct CreationFailed {
    std::string path;
};

std::string make_folder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (!fs::is_directory(path, error)) {
        throw CreationFailed{path};
    }
    return path;
}

// `folder` / name, or the first free "name (N)", created.
std::string make_unique_folder(const std::string& folder, const std::string& name,
                               const std::optional<std::string>& extension = std::nullopt) {
    return make_folder(exporting::UniquePath(folder, name, extension));
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
        const std::string mails = make_unique_folder(chosen, "Mails");
        const std::string topMailbox = JoinPath(mails, "Mails");
        if (!exporting::EnsureFile(topMailbox)) {
            throw CreationFailed{topMailbox};
        }
        settings.MailsOutputFolderPath = make_folder(topMailbox + ".sbd");
    }
    make_item_folders(settings, chosen, kinds);
}

void prepare_apple(_ExportSettings& settings, const std::string& chosen,
                   const SelectedKinds& kinds) {
    if (kinds.mails || kinds.calendar) {
        settings.MailsOutputFolderPath = make_unique_folder(chosen, "Mails");
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
                                               const std::string& resourceDirectory) {
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
        return failed.path;
    }
    settings.ExtendedLogReportPath = exporting::CreateReportFile(chosenFolder, reportTime);
    return std::nullopt;
}

}  // namespace mailwright::targets
