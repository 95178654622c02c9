#include "export/merged_calendar_file.h"

#include <sstream>
#include <string_view>

#include "export/output_file.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

constexpr std::size_t kSpoolCopyBlock = 65536;

}  // namespace

bool MergedCalendarFile::open() {
    m_spool.reset(std::tmpfile());
    if (!m_spool) {
        platform::log_line("File opening failed for " + m_path + ": no temporary file.");
    }
    return m_spool != nullptr;
}

bool MergedCalendarFile::append(const formats::CalendarItemOutput& item) {
    m_zones.merge(item.zones);
    for (const std::string& event : item.events) {
        if (!m_spool || std::fwrite(event.data(), 1, event.size(), m_spool.get()) != event.size()) {
            platform::log_line("Cannot write the events of " + m_path + ".");
            return false;
        }
    }
    return true;
}

bool MergedCalendarFile::finish() {
    OutputFile file = OutputFile::open(m_path, OutputFile::Mode::createNew);
    std::ostringstream head;
    head << formats::MIMECalendarWriter::calendarOpening();
    m_zones.write(head);
    bool written = m_spool && file.isOpen() && file.write(head.str());
    if (written) {
        std::rewind(m_spool.get());
    }
    std::string block(kSpoolCopyBlock, '\0');
    while (written) {
        const std::size_t count = std::fread(block.data(), 1, block.size(), m_spool.get());
        if (count == 0) {
            break;
        }
        written = file.write(std::string_view(block.data(), count));
    }
    written = written && !std::ferror(m_spool.get()) &&
              file.write(formats::MIMECalendarWriter::calendarClosing());
    m_spool.reset();
    if (file.close() && written) {
        return true;
    }
    platform::log_line("Cannot write " + m_path + ": " + file.errorText());
    return false;
}

}  // namespace mailwright::exporting
