// The MBOX exporter: appends every message of a mail folder to the folder's
// mailbox (or to a read and an unread mailbox), splitting mailboxes that
// would grow past the run's size limit.
#include <optional>
#include <string>

#include "export/conversion_report.h"
#include "export/item_kind_router.h"
#include "export/mail_item_sink.h"
#include "export/mbox_mailbox.h"
#include "export/message_lookahead.h"
#include "export/outlook_assets_export_agent.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "platform/file_type_codes.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

constexpr std::uint64_t kBytesPerMB = 1048576;

// "cannot write PATH: system text", as the failure is shown and logged.
std::string cannot_write(const SplittableMailbox& mailbox, const std::string& path) {
    return "cannot write " + path + ": " + mailbox.errorText();
}

// Closes a mailbox and marks it with the layout's codes; false (and the
// reason in `failure`) when its last writes did not reach the file.
bool close_mailbox(std::optional<SplittableMailbox>& mailbox,
                   const std::optional<FileTypeCodes>& codes, std::string& failure) {
    if (!mailbox) {
        return true;
    }
    const std::string path = mailbox->currentPath();
    const bool closed = mailbox->close();
    if (!closed) {
        failure = cannot_write(*mailbox, path);
        platform::log_line(failure);
    }
    if (codes) {
        platform::SetFileTypeAndCreatorCodes(path, codes->type, codes->creator);
    }
    return closed;
}

// Appends each message to the folder's mailbox, or to the unread mailbox
// for an unread message when read and unread mail are separated.
class MailboxSink : public MailItemSink {
public:
    MailboxSink(std::unique_ptr<MessageTextWriter> writer, std::uint64_t limit,
                std::optional<FileTypeCodes> codes)
        : MailItemSink(std::move(writer)), m_limit(limit), m_codes(codes) {}

    // Opens the mailboxes; false when one cannot be opened.
    bool open(const MailboxPaths& paths) {
        m_main.emplace(paths.main);
        if (paths.unread) {
            m_unread.emplace(*paths.unread);
        }
        for (const auto* mailbox : {&m_main, &m_unread}) {
            if (*mailbox && !(*mailbox)->isOpen()) {
                m_failure =
                    "cannot create " + (*mailbox)->currentPath() + ": " + (*mailbox)->errorText();
                platform::log_line(m_failure);
                return false;
            }
        }
        return true;
    }

    bool write(const model::Message& item, const std::string& text) override {
        SplittableMailbox& mailbox = m_unread && !item.isRead() ? *m_unread : *m_main;
        mailbox.splitIfOver(item.messageSize(), m_limit);
        if (mailbox.write(text)) {
            return true;
        }
        m_failure = cannot_write(mailbox, mailbox.currentPath());
        platform::log_line(m_failure);
        return false;
    }

    bool finish() override {
        const bool mainClosed = close_mailbox(m_main, m_codes, m_failure);
        const bool unreadClosed = close_mailbox(m_unread, m_codes, m_failure);
        return mainClosed && unreadClosed;
    }

    std::string failureText() const override { return m_failure; }

private:
    std::uint64_t m_limit;
    std::optional<FileTypeCodes> m_codes;
    std::optional<SplittableMailbox> m_main;
    std::optional<SplittableMailbox> m_unread;
    std::string m_failure;
};

}  // namespace

ExportResult OutlookAssetsExportAgent::ExportFolderToMBOXWithFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    ConversionReport report(logger, *extendedLogFileHandle);
    FolderState state = startFolder(*folder);

    const auto directory =
        _layout->mailDirectory(folder, settings.MailsOutputFolderPath, _lastPSTSuffix);
    const std::uint64_t limit =
        _layout->splitsMailboxes() && settings.MaxMBOXSizeInMB > 0
            ? static_cast<std::uint64_t>(settings.MaxMBOXSizeInMB) * kBytesPerMB
            : 0;
    MailboxSink sink(makeWriter(*folder, MessageFraming::mbox), limit, _layout->mailboxFileCodes());
    bool opened = false;
    if (directory) {
        opened =
            sink.open(_layout->mailboxPaths(*directory, *folder, settings.ReadUnreadSeparated));
    } else {
        logNoOutputFolder(*folder, settings.MailsOutputFolderPath);
    }
    if (!opened && state.status == Success) {
        state.status = Failed;
        state.failure =
            directory ? sink.failureText() : "no output folder " + settings.MailsOutputFolderPath;
    }

    ItemKindRouter router(folder->defaultItemType(), sink,
                          sinksBesideFolder(folder, directory.value_or("")));
    if (state.status == Success) {
        const auto ahead = mailLookahead(*folder, MessageFraming::mbox);
        runItems(*folder, router, state, presenter, report, ahead.get());
    }
    finishSink(router, state);
    finishSink(sink, state);
    ExportResult result =
        finishFolder(state, report, "emails", directory.value_or(""), std::nullopt, &router);
    countRoutedItems(router, result, &ExportResult::mailCount);
    return result;
}

}  // namespace mailwright::exporting
