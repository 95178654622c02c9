// The time zones one calendar file uses, each written once as a VTIMEZONE
// component that covers the file's events: its rules from January 1 of the
// year before the earliest instant the file shows in that zone, so a client
// finds the offset of every event without a zone database of its own.
//
//   CalendarTimeZones zones;
//   zones.use(zone, startOfEvent);   // for every TZID written
//   zones.write(out);                // "\r\nBEGIN:VTIMEZONE..." per zone
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "text/time_conversion.h"
#include "text/time_zone.h"

namespace mailwright::formats {

class CalendarTimeZones {
public:
    // Records that the file shows `instant` in `zone` (by its id).
    void use(const text::DateTimeZone& zone, text::Instant instant);
    // Adds the zones of another set.
    void merge(const CalendarTimeZones& other);
    // One VTIMEZONE per zone, in the order of their ids; every line starts
    // with CR LF.
    void write(std::ostream& out) const;
    bool empty() const { return m_zones.empty(); }

private:
    struct Use {
        text::DateTimeZone zone;
        text::Instant earliest;
    };
    std::map<std::string, Use> m_zones;
};

// The VTIMEZONE of `zone` with its rules from `from` on; every line starts
// with CR LF.
std::string VTimeZoneText(const text::DateTimeZone& zone, text::Instant from);

}  // namespace mailwright::formats
