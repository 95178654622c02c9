#include "formats/calendar_time_zones.h"

#include <unicode/basictz.h>
#include <unicode/simpletz.h>
#include <unicode/vtzone.h>

#include <chrono>
#include <memory>

namespace mailwright::formats {
namespace {

constexpr double kMillisPerSecond = 1000.0;

// January 1 (UTC) of the year before the instant's year.
text::Instant start_of_previous_year(text::Instant instant) {
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_seconds{seconds{instant}});
    const year_month_day date{day};
    const sys_days first{(date.year() - years{1}) / January / 1};
    return duration_cast<seconds>(first.time_since_epoch()).count();
}

// ICU's text without its X-TZINFO line (it names ICU's own data version),
// with every line starting with CR LF instead of ending with one.
std::string leading_line_ends(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        if (line.rfind("X-TZINFO:", 0) != 0) {
            out += "\r\n" + line;
        }
        start = end + 2;
    }
    return out;
}

}  // namespace

void CalendarTimeZones::use(const text::DateTimeZone& zone, text::Instant instant) {
    const std::string id = zone.id();
    const auto found = m_zones.find(id);
    if (found == m_zones.end()) {
        m_zones.emplace(id, Use{zone, instant});
    } else if (instant < found->second.earliest) {
        found->second.earliest = instant;
    }
}

void CalendarTimeZones::merge(const CalendarTimeZones& other) {
    for (const auto& [id, use] : other.m_zones) {
        this->use(use.zone, use.earliest);
    }
}

void CalendarTimeZones::write(std::ostream& out) const {
    for (const auto& [id, use] : m_zones) {
        out << VTimeZoneText(use.zone, use.earliest);
    }
}

std::string VTimeZoneText(const text::DateTimeZone& zone, text::Instant from) {
    const icu::TimeZone& icuZone = zone.icu_zone();
    std::unique_ptr<icu::BasicTimeZone> fixed;
    const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&icuZone);
    if (basic == nullptr) {
        icu::UnicodeString id;
        fixed = std::make_unique<icu::SimpleTimeZone>(icuZone.getRawOffset(), icuZone.getID(id));
        basic = fixed.get();
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::VTimeZone> vzone(
        icu::VTimeZone::createVTimeZoneFromBasicTimeZone(*basic, status));
    icu::UnicodeString text;
    if (vzone) {
        vzone->write(static_cast<UDate>(start_of_previous_year(from)) * kMillisPerSecond, text,
                     status);
    }
    std::string utf8;
    if (U_SUCCESS(status)) {
        text.toUTF8String(utf8);
    }
    return leading_line_ends(utf8);
}

}  // namespace mailwright::formats
