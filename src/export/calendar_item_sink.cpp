#include "export/calendar_item_sink.h"

#include <sstream>

#include "export/archive_item_name.h"
#include "export/new_item_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/message.h"
#include "platform/file_type_codes.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

using formats::MIMECalendarWriter;

std::u16string ascii_to_utf16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// One calendar file: the envelope, the VTIMEZONEs of its zones, the events.
std::string calendar_file(const formats::CalendarTimeZones& zones, const std::string& events) {
    std::ostringstream file;
    file << MIMECalendarWriter::calendarOpening();
    zones.write(file);
    file << events << MIMECalendarWriter::calendarClosing();
    return std::move(file).str();
}

}  // namespace

CalendarItemSink::CalendarItemSink(std::unique_ptr<formats::MIMECalendarWriter> writer,
                                   CalendarPaths paths, std::uint32_t refUID,
                                   std::uint32_t& calendarSuffix, MergedCalendarFile* runCalendar)
    : m_writer(std::move(writer)),
      m_paths(std::move(paths)),
      m_refUID(refUID),
      m_calendarSuffix(calendarSuffix),
      m_merged(runCalendar) {}

bool CalendarItemSink::open() {
    if (m_paths.runWide && !m_merged) {
        return false;  // the run's calendar could not be opened
    }
    if (m_paths.mergedFile && !m_paths.runWide) {
        m_folderCalendar.emplace(*m_paths.mergedFile);
        m_merged = &*m_folderCalendar;
        if (!m_folderCalendar->open()) {
            return false;
        }
    }
    if (m_paths.referenceMailbox) {
        m_mailbox.emplace(*m_paths.referenceMailbox);
        return m_mailbox->isOpen();
    }
    return true;
}

std::string CalendarItemSink::itemText(const model::Message& item) const {
    return "Calendar Event.\r\nFrom: " + item.senderName() + "\r\nSubject: " + item.subject();
}

std::string CalendarItemSink::corruptItemText(const std::string& reason) const {
    return reason.empty() ? "Corrupt calendar event found."
                          : "Corrupt calendar event found. " + reason;
}

std::string CalendarItemSink::conversionErrorText(const model::Message& item,
                                                  const std::string& reason) const {
    return "Corrupt calendar event found. " + reason + " Subject: " + item.subject();
}

void CalendarItemSink::produce(model::Message& item, std::ostream& out) {
    const std::string id = std::to_string(m_refUID) + "." + std::to_string(m_calendarSuffix);
    m_prefix = "CalRef ID #" + id + " - ";
    const std::string note = "\r\n NOTE: Addition information about this event is saved in " +
                             m_paths.referencePlace + " with subject CalRef ID #" + id;
    std::ostringstream reference;
    m_item = m_writer->writeItem(&reference, item.getMessage(), ascii_to_utf16(m_prefix),
                                 ascii_to_utf16(note), m_paths.mergedFile.has_value(), true);
    m_reference = std::move(reference).str();
    for (const std::string& event : m_item.events) {
        out << event;
    }
}

bool CalendarItemSink::write(const model::Message& item, const std::string& /*text*/) {
    const bool written = writeEvents(item) && writeReference(item);
    // Every item that got this far has used its reference number.
    ++m_calendarSuffix;
    if (written && m_item.referenceWritten) {
        ++m_referenceCount;
    }
    return written;
}

bool CalendarItemSink::finish() {
    bool finished = true;
    if (m_folderCalendar) {
        finished = m_folderCalendar->finish();
    }
    if (m_mailbox) {
        if (!m_mailbox->close()) {
            platform::log_line("Cannot write " + m_mailbox->currentPath() + ": " +
                               m_mailbox->errorText());
            finished = false;
        }
        if (m_paths.referenceCodes) {
            platform::SetFileTypeAndCreatorCodes(m_mailbox->currentPath(),
                                                 m_paths.referenceCodes->type,
                                                 m_paths.referenceCodes->creator);
        }
    }
    return finished;
}

bool CalendarItemSink::writeEvents(const model::Message& item) {
    if (m_merged) {
        return m_merged->append(m_item);
    }
    if (m_paths.archiveNames) {
        return writeArchiveFile();
    }
    for (const std::string& event : m_item.events) {
        if (!WriteNewItemFile(m_paths.eventsFolder, item.subject(), m_fileNumber++, "ics",
                              calendar_file(m_item.zones, event))) {
            return false;
        }
    }
    return true;
}

bool CalendarItemSink::writeReference(const model::Message& item) {
    if (!m_item.referenceWritten) {
        return true;
    }
    if (m_mailbox) {
        if (m_mailbox->write(m_reference)) {
            return true;
        }
        platform::log_line("Cannot write " + m_mailbox->currentPath() + ": " +
                           m_mailbox->errorText());
        return false;
    }
    const std::string stem = m_prefix + SafeNameStem(item.subject());
    return WriteNewFile(UniquePath(*m_paths.referenceFolder, stem, "eml"), m_reference);
}

bool CalendarItemSink::writeArchiveFile() {
    // All of an item's events in one calendar, so that its changed
    // occurrences stay with their series.
    std::string events;
    for (const std::string& event : m_item.events) {
        events += event;
    }
    const std::string name = ArchiveItemName(kArchiveCalendarPrefix, m_calendarSuffix);
    return WriteNewFile(JoinPath(m_paths.eventsFolder, name), calendar_file(m_item.zones, events));
}

}  // namespace mailwright::exporting
