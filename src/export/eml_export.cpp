// The EML exporter: writes every message of a mail folder to a message file
// of its own, named after its subject and its number in the folder, in the
// folder's directory (or in its "Read Mails" and "Unread Mails" folders).
#include <string>

#include "export/conversion_report.h"
#include "export/item_kind_router.h"
#include "export/mail_item_sink.h"
#include "export/message_lookahead.h"
#include "export/new_item_file.h"
#include "export/outlook_assets_export_agent.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

// Writes each message to a new file "<subject>_<number>.eml" in the read or
// unread folder.
class MessageFileSink : public MailItemSink {
public:
    MessageFileSink(std::unique_ptr<MessageTextWriter> writer, MessageFileFolders folders)
        : MailItemSink(std::move(writer)), m_folders(std::move(folders)) {}

    bool write(const model::Message& item, const std::string& text) override {
        const std::string& place = item.isRead() ? m_folders.read : m_folders.unread;
        return WriteNewItemFile(place, item.subject(), m_fileNumber++, "eml", text, &m_failure);
    }

    std::string failureText() const override { return m_failure; }

private:
    MessageFileFolders m_folders;
    std::uint32_t m_fileNumber = 1;
    std::string m_failure;
};

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
        logNoOutputFolder(*folder, settings.MailsOutputFolderPath);
        state.status = Failed;
        state.failure = "no output folder " + settings.MailsOutputFolderPath;
    }

    if (state.status != Success) {
        return finishFolder(state, report, "emails", directory.value_or(""));
    }
    MessageFileSink sink(makeWriter(*folder, MessageFraming::eml),
                         _layout->messageFileFolders(*directory, settings.ReadUnreadSeparated));
    ItemKindRouter router(folder->defaultItemType(), sink, sinksBesideFolder(folder, *directory));
    const auto ahead = mailLookahead(*folder, MessageFraming::eml);
    runItems(*folder, router, state, presenter, report, ahead.get());
    finishSink(router, state);
    ExportResult result = finishFolder(state, report, "emails", *directory, std::nullopt, &router);
    countRoutedItems(router, result, &ExportResult::mailCount);
    return result;
}

}  // namespace mailwright::exporting
