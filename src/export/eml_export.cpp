// The EML exporter: writes every message of a mail folder to a message file
// of its own, named after its subject and its number in the folder, in the
// folder's directory (or in its "Read Mails" and "Unread Mails" folders).
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "export/conversion_report.h"
#include "export/outlook_assets_export_agent.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

// A new message file named `stem` (+ " (%i)" when taken) in `folder`. Names
// already there are never written into: a file holds one message.
OutputFile create_message_file(const std::string& folder, const std::string& stem) {
    OutputFile file;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file = OutputFile::open(UniquePath(folder, stem, "eml"), OutputFile::Mode::createNew);
        if (file.isOpen() || file.errorNumber() != EEXIST) {
            break;
        }
    }
    return file;
}

// Writes the whole text and closes the file; on failure the file is
// removed, so that no half-written message is left.
bool write_message_file(OutputFile& file, const std::string& text) {
    const bool written = file.write(text);
    const bool closed = file.close();
    if (written && closed) {
        return true;
    }
    platform::log_line("Cannot write " + file.path() + ": " + file.errorText());
    ::unlink(file.path().c_str());
    return false;
}

}  // namespace

ExportResult OutlookAssetsExportAgent::ExportFolderToEMLWithFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    ConversionReport report(logger, *extendedLogFileHandle);
    FolderState state = startFolder(*folder);

    const auto directory =
        _layout->mailDirectory(folder, settings.MailsOutputFolderPath, _lastPSTSuffix);
    if (!directory && state.status == Success) {
        platform::log_line("File opening failed for the folder " + folder->fullFolderPath() +
                           ": no output folder " + settings.MailsOutputFolderPath + ".");
        state.status = Failed;
    }

    if (state.status == Success) {
        const MessageFileFolders folders =
            _layout->messageFileFolders(*directory, settings.ReadUnreadSeparated);
        const auto writer = makeWriter(*folder, MessageFraming::eml);
        std::uint32_t fileNumber = 1;
        std::string text;
        while (const auto message = nextItem(*folder, state, report)) {
            announceItem(*message,
                         "Converting: " + folder->folderName() + " [ " +
                             std::to_string(state.converted + 1) + " / " +
                             std::to_string(folder->contentCount()) + "]",
                         presenter, report);
            if (!produceItem(*writer, *message, text, state, report)) {
                continue;
            }
            const std::string number = "_" + std::to_string(fileNumber++);
            const std::string& place = message->isRead() ? folders.read : folders.unread;
            OutputFile file = create_message_file(place, SafeNameStem(message->subject()) + number);
            if (!file.isOpen()) {
                platform::log_line("File opening failed for " + file.path() + ".");
                file = create_message_file(place, "--------" + number);
            }
            if (!file.isOpen()) {
                platform::log_line("File opening failed for " + file.path() + ": " +
                                   file.errorText());
                state.status = Failed;
                break;
            }
            if (!write_message_file(file, text)) {
                state.status = Failed;
                break;
            }
            itemConverted(*folder, state, presenter);
        }
    }

    ExportResult result = finishFolder(state, report, "emails", directory.value_or(""));
    result.mailCount = state.converted;
    return result;
}

}  // namespace mailwright::exporting
