#include "text/time_zone.h"

#include <unicode/ucal.h>
#include <unicode/unistr.h>

#include <ctime>
#include <memory>
#include <mutex>

namespace mailwright::text {
namespace {

std::string to_utf8(const icu::UnicodeString& text) {
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

// The system zone, made once for every message that asks for it until the
// machine's zone is read again.
std::mutex system_zone_mutex;
std::shared_ptr<const icu::TimeZone> system_zone;

}  // namespace

DateTimeZone DateTimeZone::system() {
    std::lock_guard lock(system_zone_mutex);
    if (!system_zone) {
        system_zone.reset(icu::TimeZone::createDefault());
    }
    return DateTimeZone(system_zone);
}

DateTimeZone DateTimeZone::gmt() {
    return DateTimeZone(std::shared_ptr<const icu::TimeZone>(icu::TimeZone::getGMT()->clone()));
}

std::optional<DateTimeZone> DateTimeZone::from_id(std::string_view id) {
    const icu::UnicodeString name =
        icu::UnicodeString::fromUTF8(icu::StringPiece(id.data(), static_cast<int32_t>(id.size())));
    std::shared_ptr<const icu::TimeZone> zone(icu::TimeZone::createTimeZone(name));
    icu::UnicodeString resolved;
    if (zone == nullptr || zone->getID(resolved) == UNICODE_STRING_SIMPLE(UCAL_UNKNOWN_ZONE_ID)) {
        return std::nullopt;
    }
    return DateTimeZone(std::move(zone));
}

DateTimeZone DateTimeZone::adopt(std::unique_ptr<icu::TimeZone> zone) {
    return DateTimeZone(std::shared_ptr<const icu::TimeZone>(std::move(zone)));
}

std::string DateTimeZone::id() const {
    icu::UnicodeString name;
    return to_utf8(zone_->getID(name));
}

void reload_system_time_zone() {
    tzset();
    icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
    std::lock_guard lock(system_zone_mutex);
    system_zone.reset();
}

}  // namespace mailwright::text
