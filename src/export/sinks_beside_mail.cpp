// The sinks a folder's router makes for the contacts and appointments
// among its other items: vCards and iCalendar events with their reference
// mails, where the layout puts them: beside the folder's own output in its
// directory (separate files: merged into "<folder>.vcf" or one file each),
// or in the destination's run-wide or numbered files.
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
            const auto contactsIn = _layout->contactDirectoryBeside(directory);
            if (!contactsIn) {
                return nullptr;
            }
            std::optional<std::string> merged;
            if (settings.MergeContacts) {
                merged = _layout->mergedContactsPath(*contactsIn, *folder);
            }
            auto sink = std::make_unique<ContactItemSink>(
                makeContactWriter(*folder), *contactsIn, merged,
                _layout->archiveContactNames() ? &_contactSuffix : nullptr);
            return sink->open() ? std::move(sink) : nullptr;
        }
        if (route == ItemRoute::calendar) {
            const auto paths = _layout->calendarPathsBeside(folder, directory, _lastPSTSuffix,
                                                            settings.MergeCalendarEvents);
            if (!paths) {
                return nullptr;
            }
            auto sink = std::make_unique<CalendarItemSink>(
                makeCalendarWriter(*folder, paths->referenceMailbox.has_value()), *paths, _refUID,
                _calendarSuffix, paths->runWide ? runCalendar(*paths->mergedFile) : nullptr);
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
