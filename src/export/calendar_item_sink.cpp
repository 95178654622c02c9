#include "export/calendar_item_sink.h"

#include <sstream>

#include "export/new_item_file.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/message.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

using formats::MIMECalendarWriter;

constexpr std::size_t kSpoolCopyBlock = 65536;

std::u16string ascii_to_utf16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// Writes a whole text into a new file; false after logging why.
bool write_new_file(const std::string& path, const std::string& text) {
    OutputFile file = OutputFile::open(path, OutputFile::Mode::createNew);
    const bool written = file.isOpen() && file.write(text);
    if (file.close() && written) {
        return true;
    }
    platform::log_line("Cannot write " + path + ": " + file.errorText());
    return false;
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
                                   std::uint32_t& calendarSuffix)
    : m_writer(std::move(writer)),
      m_paths(std::move(paths)),
      m_refUID(refUID),
      m_calendarSuffix(calendarSuffix) {}

bool CalendarItemSink::open() {
    if (m_paths.mergedFile) {
        m_spool.reset(std::tmpfile());
        if (!m_spool) {
            platform::log_line("File opening failed for " + *m_paths.mergedFile +
                               ": no temporary file.");
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
    if (m_paths.mergedFile) {
        finished = writeMergedFile();
    }
    if (m_mailbox && !m_mailbox->close()) {
        platform::log_line("Cannot write " + m_mailbox->currentPath() + ": " +
                           m_mailbox->errorText());
        finished = false;
    }
    return finished;
}

bool CalendarItemSink::writeEvents(const model::Message& item) {
    if (m_spool) {
        m_zones.merge(m_item.zones);
        for (const std::string& event : m_item.events) {
            if (std::fwrite(event.data(), 1, event.size(), m_spool.get()) != event.size()) {
                platform::log_line("Cannot write the events of " + *m_paths.mergedFile + ".");
                return false;
            }
        }
        return true;
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
    return write_new_file(UniquePath(*m_paths.referenceFolder, stem, "eml"), m_reference);
}

bool CalendarItemSink::writeMergedFile() {
    OutputFile file = OutputFile::open(*m_paths.mergedFile, OutputFile::Mode::createNew);
    std::ostringstream head;
    head << MIMECalendarWriter::calendarOpening();
    m_zones.write(head);
    bool written = file.isOpen() && file.write(head.str());
    std::rewind(m_spool.get());
    std::string block(kSpoolCopyBlock, '\0');
    while (written) {
        const std::size_t count = std::fread(block.data(), 1, block.size(), m_spool.get());
        if (count == 0) {
            break;
        }
        written = file.write(std::string_view(block.data(), count));
    }
    written =
        written && !std::ferror(m_spool.get()) && file.write(MIMECalendarWriter::calendarClosing());
    if (file.close() && written) {
        return true;
    }
    platform::log_line("Cannot write " + file.path() + ": " + file.errorText());
    return false;
}

}  // namespace mailwright::exporting
