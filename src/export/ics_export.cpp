// The calendar exporter: writes every item of a calendar folder as
// iCalendar events, either all into one "Calendar Events.ics" or each into
// a file of its own, and an item's reference mail (when it has a
// description or attachments) into the folder's reference mailbox or as a
// mail file of its own. Each item's reference id, "CalRef ID #<run>.<item>",
// is the subject prefix of its reference mail and is named in the note of
// its event's description.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "export/conversion_report.h"
#include "export/item_sink.h"
#include "export/mbox_mailbox.h"
#include "export/new_item_file.h"
#include "export/outlook_assets_export_agent.h"
#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "formats/mime_calendar_writer.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

using formats::CalendarItemOutput;
using formats::MIMECalendarWriter;

constexpr std::size_t kSpoolCopyBlock = 65536;

std::u16string ascii_to_utf16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

class CalendarSink : public ItemSink {
public:
    CalendarSink(MIMECalendarWriter& writer, CalendarPaths paths, std::uint32_t refUID,
                 std::uint32_t& calendarSuffix)
        : m_writer(writer),
          m_paths(std::move(paths)),
          m_refUID(refUID),
          m_calendarSuffix(calendarSuffix) {}

    // Opens the merged file's spool and the reference mailbox; false when
    // one cannot be opened.
    bool open() {
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

    std::string itemText(const model::Message& item) const override {
        return "Calendar Event.\r\nFrom: " + item.senderName() + "\r\nSubject: " + item.subject();
    }
    std::string corruptItemText(const std::string& reason) const override {
        return reason.empty() ? "Corrupt calendar event found."
                              : "Corrupt calendar event found. " + reason;
    }
    std::string conversionErrorText(const model::Message& item,
                                    const std::string& reason) const override {
        return "Corrupt calendar event found. " + reason + " Subject: " + item.subject();
    }

    // The item's texts and reference mail are kept for write(); `out` gets
    // its events for the record.
    void produce(model::Message& item, std::ostream& out) override {
        const std::string id = std::to_string(m_refUID) + "." + std::to_string(m_calendarSuffix);
        m_prefix = "CalRef ID #" + id + " - ";
        const std::string note = "\r\n NOTE: Addition information about this event is saved in " +
                                 m_paths.referencePlace + " with subject CalRef ID #" + id;
        std::ostringstream reference;
        m_item = m_writer.writeItem(&reference, item.getMessage(), ascii_to_utf16(m_prefix),
                                    ascii_to_utf16(note), m_paths.mergedFile.has_value(), true);
        m_reference = std::move(reference).str();
        for (const std::string& event : m_item.events) {
            out << event;
        }
    }

    bool write(const model::Message& item, const std::string& /*text*/) override {
        const bool written = writeEvents(item) && writeReference(item);
        // Every item that got this far has used its reference number.
        ++m_calendarSuffix;
        if (written && m_item.referenceWritten) {
            ++m_referenceCount;
        }
        return written;
    }

    bool finish() override {
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

    std::uint32_t referenceCount() const { return m_referenceCount; }

private:
    bool writeEvents(const model::Message& item) {
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

    bool writeReference(const model::Message& item) {
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

    // The merged file, written whole at the folder's end so that its
    // VTIMEZONEs come before the events that use them.
    bool writeMergedFile() {
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
        written = written && !std::ferror(m_spool.get()) &&
                  file.write(MIMECalendarWriter::calendarClosing());
        if (file.close() && written) {
            return true;
        }
        platform::log_line("Cannot write " + file.path() + ": " + file.errorText());
        return false;
    }

    MIMECalendarWriter& m_writer;
    CalendarPaths m_paths;
    std::uint32_t m_refUID;
    std::uint32_t& m_calendarSuffix;
    std::unique_ptr<std::FILE, FileCloser> m_spool;
    std::optional<SplittableMailbox> m_mailbox;
    formats::CalendarTimeZones m_zones;
    CalendarItemOutput m_item;
    std::string m_prefix;
    std::string m_reference;
    std::uint32_t m_fileNumber = 1;
    std::uint32_t m_referenceCount = 0;
};

}  // namespace

ExportResult OutlookAssetsExportAgent::ExportAppointmentFolderToICSWithFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    ConversionReport report(logger, *extendedLogFileHandle);
    FolderState state = startFolder(*folder);

    const auto store = folder->ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    if (!session) {
        throw std::logic_error("the folder's PST file is no longer open");
    }
    const bool mailboxReferences = settings.MailFormat == kMailFormatMBOX;
    MIMECalendarWriter writer(mailboxReferences, session->isUnicodePST(),
                              static_cast<std::uint32_t>(session->pstDefaultCodePage()));
    writer.resolveNamedPropIds(session->pstSession());

    const auto paths =
        _layout->calendarPaths(folder, settings.CalendarOutputFolderPath, _lastPSTSuffix,
                               settings.MergeCalendarEvents, mailboxReferences);
    std::optional<CalendarSink> sink;
    if (paths) {
        sink.emplace(writer, *paths, _refUID, _calendarSuffix);
    } else {
        platform::log_line("File opening failed for the folder " + folder->fullFolderPath() +
                           ": no output folder " + settings.CalendarOutputFolderPath + ".");
    }
    if ((!sink || !sink->open()) && state.status == Success) {
        state.status = Failed;
    }
    if (state.status == Success) {
        runItems(*folder, *sink, state, presenter, report);
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
    ExportResult result = finishFolder(state, report, "calendar events", savedIn, referencesIn);
    result.calendarCount = state.converted;
    result.mailCount = sink ? sink->referenceCount() : 0;
    return result;
}

}  // namespace mailwright::exporting
