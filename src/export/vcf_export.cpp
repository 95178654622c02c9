// The contacts exporter: writes every item of a contacts folder as a vCard,
// into one merged file when contacts are merged (the folder's, or the run's
// of the application destinations), else into a file per contact, in the
// folder's directory.
#include <string>

#include "export/contact_item_sink.h"
#include "export/conversion_report.h"
#include "export/item_kind_router.h"
#include "export/outlook_assets_export_agent.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/system_log.h"

namespace mailwright::exporting {

std::unique_ptr<formats::MIMEContactWriter> OutlookAssetsExportAgent::makeContactWriter(
    const model::MAPIFolder& folder) const {
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    if (!session) {
        throw std::logic_error("the folder's PST file is no longer open");
    }
    const std::int32_t chosen = _exportSettingsP->ContactStyle;
    const std::uint32_t style = chosen == kContactStyleOfLayout
                                    ? _layout->contactStyle()
                                    : static_cast<std::uint32_t>(chosen);
    auto writer = std::make_unique<formats::MIMEContactWriter>(
        style, static_cast<std::uint32_t>(session->pstDefaultCodePage()), session->isUnicodePST(),
        session->pstSession());
    writer->setFollowItemCodePages(session->itemCodePages().followItems);
    return writer;
}

ExportResult OutlookAssetsExportAgent::ExportFolderToVCFWithFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    ConversionReport report(logger, *extendedLogFileHandle);
    FolderState state = startFolder(*folder);

    const auto directory =
        _layout->contactDirectory(folder, settings.ContactsOutputFolderPath, _lastPSTSuffix);
    if (!directory && state.status == Success) {
        logNoOutputFolder(*folder, settings.ContactsOutputFolderPath);
        state.status = Failed;
        state.failure = "no output folder " + settings.ContactsOutputFolderPath;
    }

    if (state.status != Success) {
        return finishFolder(state, report, "contacts", directory.value_or(""));
    }
    std::optional<std::string> merged;
    if (settings.MergeContacts) {
        merged = _layout->mergedContactsPath(*directory, *folder);
    }
    ContactItemSink sink(makeContactWriter(*folder), *directory, merged,
                         _layout->archiveContactNames() ? &_contactSuffix : nullptr);
    ItemKindRouter router(folder->defaultItemType(), sink, sinksBesideFolder(folder, *directory));
    if (sink.open()) {
        runItems(*folder, router, state, presenter, report);
    } else {
        state.status = Failed;
    }
    finishSink(router, state);
    finishSink(sink, state);
    ExportResult result =
        finishFolder(state, report, "contacts", *directory, std::nullopt, &router);
    countRoutedItems(router, result, &ExportResult::contactCount);
    return result;
}

}  // namespace mailwright::exporting
