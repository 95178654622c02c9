// The sinks a folder's router makes for the contacts and appointments
// among its other items: vCards (merged into "<folder>.vcf" or one file
// each) and iCalendar events with their reference mails, in the folder's
// own directory beside its output.
#include <memory>
#include <optional>
#include <string>

#include "export/calendar_item_sink.h"
#include "export/contact_item_sink.h"
#include "export/item_kind_router.h"
#include "export/outlook_assets_export_agent.h"
#include "formats/mime_calendar_writer.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {

std::function<std::unique_ptr<ItemSink>(ItemRoute)> OutlookAssetsExportAgent::sinksBesideFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& directory) {
    return [this, folder, directory](ItemRoute route) -> std::unique_ptr<ItemSink> {
        const _ExportSettings& settings = *_exportSettingsP;
        if (route == ItemRoute::contacts) {
            std::optional<std::string> merged;
            if (settings.MergeContacts) {
                merged = _layout->mergedContactsPath(directory, *folder);
            }
            auto sink =
                std::make_unique<ContactItemSink>(makeContactWriter(*folder), directory, merged);
            return sink->open() ? std::move(sink) : nullptr;
        }
        if (route == ItemRoute::calendar) {
            // Reference mails are files of their own: the folder's mailbox
            // is its mail's.
            auto sink = std::make_unique<CalendarItemSink>(
                makeCalendarWriter(*folder, false),
                _layout->calendarPathsBeside(directory, settings.MergeCalendarEvents), _refUID,
                _calendarSuffix);
            return sink->open() ? std::move(sink) : nullptr;
        }
        return nullptr;
    };
}

void OutlookAssetsExportAgent::countRoutedItems(const ItemKindRouter& router, ExportResult& result,
                                                std::uint32_t ExportResult::*ownCount) {
    result.contactCount += router.count(ItemRoute::contacts);
    result.calendarCount += router.count(ItemRoute::calendar);
    result.*ownCount += router.count(ItemRoute::folder);
    if (const auto* calendar =
            dynamic_cast<const CalendarItemSink*>(router.madeSink(ItemRoute::calendar))) {
        result.mailCount += calendar->referenceCount();
    }
}

}  // namespace mailwright::exporting
