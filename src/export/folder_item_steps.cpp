// The steps every exporter takes for each item of a folder: taking it from
// the folder's cursor, recording it, producing its text, counting it or
// recording it as skipped, progress and cancellation, and the folder's end.
#include <exception>
#include <sstream>

#include "export/conversion_report.h"
#include "export/outlook_assets_export_agent.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "platform/system_log.h"

namespace mailwright::exporting {

OutlookAssetsExportAgent::FolderState OutlookAssetsExportAgent::startFolder(
    const model::MAPIFolder& folder) const {
    FolderState state;
    state.status = isCanceled() ? Cancelled : Success;
    state.callsLeft = folder.getFolder().get_contents_table().size() + 1;
    return state;
}

std::shared_ptr<model::Message> OutlookAssetsExportAgent::nextItem(model::MAPIFolder& folder,
                                                                   FolderState& state,
                                                                   ConversionReport& report) {
    while (state.status == Success && state.callsLeft > 0) {
        --state.callsLeft;
        try {
            return folder.queryMessage();
        } catch (const std::exception& error) {
            skipItem(state, report, std::string("Corrupt Message found. ") + error.what());
        } catch (...) {
            skipItem(state, report, "Corrupt Message found.");
        }
        takeCancelRequest(state);
    }
    return nullptr;
}

void OutlookAssetsExportAgent::skipItem(FolderState& state, ConversionReport& report,
                                        const std::string& diagnostic) {
    report.skippedItem();
    platform::log_line(diagnostic);
    ++state.skipped;
}

void OutlookAssetsExportAgent::announceItem(const model::Message& message, const std::string& label,
                                            IProgressPresenter& presenter,
                                            ConversionReport& report) {
    const std::string text =
        MailItemText(message.senderName(), message.sentOn(), message.subject());
    presenter.updateProgressMessage(text);
    presenter.updateCurrentProgressLabel(label);
    report.itemLine(text + "\r\n\r\n");
}

bool OutlookAssetsExportAgent::produceItem(MessageTextWriter& writer, model::Message& message,
                                           std::string& text, FolderState& state,
                                           ConversionReport& report) {
    try {
        std::ostringstream out;
        writer.writeMessage(out, message);
        text = std::move(out).str();
        return true;
    } catch (const std::exception& error) {
        skipItem(state, report,
                 "Conversion error: \"" + std::string(error.what()) +
                     "\" in following Mail\n: Sender: " + message.senderName() + "\nDate " +
                     message.sentOn() + " \nSubject: " + message.subject());
    } catch (...) {
        skipItem(state, report,
                 "Conversion error in following Mail\n: Sender: " + message.senderName() +
                     "\nDate " + message.sentOn() + " \nSubject: " + message.subject());
    }
    takeCancelRequest(state);
    return false;
}

void OutlookAssetsExportAgent::itemConverted(const model::MAPIFolder& folder, FolderState& state,
                                             IProgressPresenter& presenter) {
    const std::uint32_t before = state.converted;
    ++state.converted;
    ++_numberOfItemsExported;
    UpdateProgressPresenterWithPresenter(presenter, before, folder.contentCount());
    takeCancelRequest(state);
}

void OutlookAssetsExportAgent::takeCancelRequest(FolderState& state) const {
    if (state.status == Success && isCanceled()) {
        state.status = Cancelled;
    }
}

ExportResult OutlookAssetsExportAgent::finishFolder(FolderState& state, ConversionReport& report,
                                                    const std::string& kindWord,
                                                    const std::string& savedIn) const {
    report.folderFooter({state.converted, kindWord, state.skipped, state.status, savedIn, {}});
    // Skipped items make a finished folder "completed with errors"; a
    // cancel or a failure stays what it is, so that the run stops.
    if (state.skipped > 0 && state.status == Success) {
        state.status = CompletedWithErrors;
    }
    return ExportResult{state.status, 0, 0, 0};
}

std::unique_ptr<MessageTextWriter> OutlookAssetsExportAgent::makeWriter(
    const model::MAPIFolder& folder, MessageFraming framing) const {
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    if (!session) {
        throw std::logic_error("the folder's PST file is no longer open");
    }
    return _writerFactory(*session, framing);
}

}  // namespace mailwright::exporting
