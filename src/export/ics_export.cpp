// The calendar exporter: writes every item of a calendar folder as
// iCalendar events, either all into one merged calendar file (the folder's
// "Calendar Events.ics", or the run's one calendar of the application
// destinations) or each into a file of its own, and an item's reference
// mail (when it has a description or attachments) into the folder's
// reference mailbox or as a mail file of its own. Each item's reference id,
// "CalRef ID #<run>.<item>", is the subject prefix of its reference mail and
// is named in the note of its event's description.
#include <memory>
#include <string>

#include "export/calendar_item_sink.h"
#include "export/conversion_report.h"
#include "export/item_kind_router.h"
#include "export/outlook_assets_export_agent.h"
#include "formats/mime_calendar_writer.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/system_log.h"

namespace mailwright::exporting {

std::unique_ptr<formats::MIMECalendarWriter> OutlookAssetsExportAgent::makeCalendarWriter(
    const model::MAPIFolder& folder, bool mailboxReferences) const {
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    if (!session) {
        throw std::logic_error("the folder's PST file is no longer open");
    }
    auto writer = std::make_unique<formats::MIMECalendarWriter>(
        mailboxReferences, session->isUnicodePST(),
        static_cast<std::uint32_t>(session->pstDefaultCodePage()));
    writer->setFollowItemCodePages(session->itemCodePages().followItems);
    writer->resolveNamedPropIds(session->pstSession());
    return writer;
}

ExportResult OutlookAssetsExportAgent::ExportAppointmentFolderToICSWithFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    ConversionReport report(logger, *extendedLogFileHandle);
    FolderState state = startFolder(*folder);

    const bool mailboxReferences = settings.MailFormat == kMailFormatMBOX;
    auto writer = makeCalendarWriter(*folder, mailboxReferences);

    const auto paths =
        _layout->calendarPaths(folder, settings.CalendarOutputFolderPath, _lastPSTSuffix,
                               settings.MergeCalendarEvents, mailboxReferences);
    std::optional<CalendarItemSink> sink;
    if (paths) {
        sink.emplace(std::move(writer), *paths, _refUID, _calendarSuffix,
                     paths->runWide ? runCalendar(*paths->mergedFile) : nullptr);
    } else {
        logNoOutputFolder(*folder, settings.CalendarOutputFolderPath);
    }
    if ((!sink || !sink->open()) && state.status == Success) {
        state.status = Failed;
        state.failure =
            sink ? sink->failureText() : "no output folder " + settings.CalendarOutputFolderPath;
    }
    std::optional<ItemKindRouter> router;
    if (state.status == Success) {
        router.emplace(folder->defaultItemType(), *sink,
                       sinksBesideFolder(folder, paths->directory));
        runItems(*folder, *router, state, presenter, report);
        finishSink(*router, state);
    }
    if (sink) {
        finishSink(*sink, state);
    }
    const std::string savedIn = !paths              ? std::string()
                                : paths->mergedFile ? paths->directory
                                                    : paths->eventsFolder;
    const std::string referencesIn =
        !paths ? std::string()
               : paths->referenceMailbox.value_or(paths->referenceFolder.value_or(""));
    ExportResult result = finishFolder(state, report, "calendar events", savedIn, referencesIn,
                                       router ? &*router : nullptr);
    if (router) {
        countRoutedItems(*router, result, &ExportResult::calendarCount);
    }
    result.mailCount += sink ? sink->referenceCount() : 0;
    return result;
}

}  // namespace mailwright::exporting
