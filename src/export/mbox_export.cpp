// The MBOX exporter: appends every message of a mail folder to the folder's
// mailbox (or to a read and an unread mailbox), splitting mailboxes that
// would grow past the run's size limit.
#include <optional>
#include <string>

#include "export/conversion_report.h"
#include "export/mbox_mailbox.h"
#include "export/outlook_assets_export_agent.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "platform/file_type_codes.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

constexpr std::uint64_t kBytesPerMB = 1048576;

// Closes a mailbox and marks it with the layout's codes; false when its
// last writes did not reach the file.
bool close_mailbox(std::optional<SplittableMailbox>& mailbox,
                   const std::optional<FileTypeCodes>& codes) {
    if (!mailbox) {
        return true;
    }
    const std::string path = mailbox->currentPath();
    const bool closed = mailbox->close();
    if (!closed) {
        platform::log_line("Cannot write " + path + ": " + mailbox->errorText());
    }
    if (codes) {
        platform::SetFileTypeAndCreatorCodes(path, codes->type, codes->creator);
    }
    return closed;
}

}  // namespace

ExportResult OutlookAssetsExportAgent::ExportFolderToMBOXWithFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    ConversionReport report(logger, *extendedLogFileHandle);
    FolderState state = startFolder(*folder);

    const auto directory =
        _layout->mailDirectory(folder, settings.MailsOutputFolderPath, _lastPSTSuffix);
    std::optional<SplittableMailbox> main;
    std::optional<SplittableMailbox> unread;
    if (directory) {
        const MailboxPaths paths =
            _layout->mailboxPaths(*directory, *folder, settings.ReadUnreadSeparated);
        main.emplace(paths.main);
        if (paths.unread) {
            unread.emplace(*paths.unread);
        }
    } else {
        platform::log_line("File opening failed for the folder " + folder->fullFolderPath() +
                           ": no output folder " + settings.MailsOutputFolderPath + ".");
    }
    if ((!main || !main->isOpen() || (unread && !unread->isOpen())) && state.status == Success) {
        state.status = Failed;
    }
    const std::uint64_t limit =
        _layout->splitsMailboxes() && settings.MaxMBOXSizeInMB > 0
            ? static_cast<std::uint64_t>(settings.MaxMBOXSizeInMB) * kBytesPerMB
            : 0;

    if (state.status == Success) {
        const auto writer = makeWriter(*folder, MessageFraming::mbox);
        std::string text;
        while (const auto message = nextItem(*folder, state, report)) {
            announceItem(*message,
                         "Converting: " + folder->folderName() + " [ " +
                             std::to_string(state.converted + 1) + " / " +
                             std::to_string(folder->contentCount()) + " ]",
                         presenter, report);
            if (!produceItem(*writer, *message, text, state, report)) {
                continue;
            }
            SplittableMailbox& mailbox = unread && !message->isRead() ? *unread : *main;
            mailbox.splitIfOver(message->messageSize(), limit);
            if (!mailbox.write(text)) {
                platform::log_line("Cannot write " + mailbox.currentPath() + ": " +
                                   mailbox.errorText());
                state.status = Failed;
                break;
            }
            itemConverted(*folder, state, presenter);
        }
    }

    const auto codes = _layout->mailboxFileCodes();
    const bool mainClosed = close_mailbox(main, codes);
    const bool unreadClosed = close_mailbox(unread, codes);
    if ((!mainClosed || !unreadClosed) && state.status != Failed) {
        state.status = Failed;
    }
    ExportResult result = finishFolder(state, report, "emails", directory.value_or(""));
    result.mailCount = state.converted;
    return result;
}

}  // namespace mailwright::exporting
