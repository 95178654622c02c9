// One calendar file that holds the events of many items: the events are
// kept in a temporary spool file as they come and the file is written whole
// at the end, so that the VTIMEZONEs of every zone the events use come
// first, inside one envelope. Memory holds only the zones, not the events.
//
//   MergedCalendarFile file(path);
//   if (!file.open()) { ... }
//   file.append(item);            // per item, false when the spool failed
//   if (!file.finish()) { ... }   // writes `path`
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "formats/calendar_time_zones.h"
#include "formats/mime_calendar_writer.h"

namespace mailwright::exporting {

class MergedCalendarFile {
public:
    explicit MergedCalendarFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }

    // Opens the spool; false after logging why.
    bool open();
    // Spools the item's events and records its zones; false after logging.
    bool append(const formats::CalendarItemOutput& item);
    // Writes the file as a new file: envelope, zones, events. False after
    // logging when it could not be written whole. Once only.
    bool finish();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string m_path;
    std::unique_ptr<std::FILE, FileCloser> m_spool;
    formats::CalendarTimeZones m_zones;
};

}  // namespace mailwright::exporting
