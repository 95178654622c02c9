// The sink of calendar items: each item's VEVENTs go either into one
// merged calendar file (MergedCalendarFile: the folder's, written at the
// folder's end, or the run's, written at the run's end), or into a file of
// its own per event, or, for the archive package, into one file per item
// named by its number in the run; an item's reference mail (when it has a description or
// attachments) goes into the reference mailbox or into a mail file of its
// own. Each item's reference id, "CalRef ID #<run>.<item>", is the subject
// prefix of its reference mail and is named in the note of its event's
// description.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "export/item_sink.h"
#include "export/mbox_mailbox.h"
#include "export/merged_calendar_file.h"
#include "export/output_layout.h"
#include "formats/mime_calendar_writer.h"

namespace mailwright::exporting {

class CalendarItemSink : public ItemSink {
public:
    // `calendarSuffix` is the run's running item number, advanced by
    // every item written. `runCalendar` is the run's one calendar file,
    // which the paths ask for when they are run-wide.
    CalendarItemSink(std::unique_ptr<formats::MIMECalendarWriter> writer, CalendarPaths paths,
                     std::uint32_t refUID, std::uint32_t& calendarSuffix,
                     MergedCalendarFile* runCalendar = nullptr);

    // Opens the folder's merged file (unless the run's calendar is used)
    // and the reference mailbox; false when one cannot be opened.
    bool open();

    std::string itemText(const model::Message& item) const override;
    std::string corruptItemText(const std::string& reason) const override;
    std::string conversionErrorText(const model::Message& item,
                                    const std::string& reason) const override;
    // The item's texts and reference mail are kept for write(); `out` gets
    // its events for the record.
    void produce(model::Message& item, std::ostream& out) override;
    bool write(const model::Message& item, const std::string& text) override;
    bool finish() override;

    // The reference mails written.
    std::uint32_t referenceCount() const { return m_referenceCount; }

private:
    bool writeEvents(const model::Message& item);
    bool writeArchiveFile();
    bool writeReference(const model::Message& item);

    std::unique_ptr<formats::MIMECalendarWriter> m_writer;
    CalendarPaths m_paths;
    std::uint32_t m_refUID;
    std::uint32_t& m_calendarSuffix;
    MergedCalendarFile* m_merged;
    std::optional<MergedCalendarFile> m_folderCalendar;
    std::optional<SplittableMailbox> m_mailbox;
    formats::CalendarItemOutput m_item;
    std::string m_prefix;
    std::string m_reference;
    std::uint32_t m_fileNumber = 1;
    std::uint32_t m_referenceCount = 0;
};

}  // namespace mailwright::exporting
