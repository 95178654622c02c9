#include "model/sent_on_format.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>

#include <memory>

namespace mailwright::model {
namespace {

// "%A, %d %b %Y %I:%M:%S %p" in the pattern language of Unicode Technical
// Standard #35.
constexpr const char* kSentOnPattern = "EEEE, dd MMM yyyy hh:mm:ss a";

icu::SimpleDateFormat* sentOnFormatter() {
    thread_local std::unique_ptr<icu::SimpleDateFormat> formatter = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString(kSentOnPattern, -1, US_INV), icu::Locale("en_US"), status);
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return formatter.get();
}

}  // namespace

std::string formatSentOn(text::Instant instant, const text::DateTimeZone& zone) {
    icu::SimpleDateFormat* formatter = sentOnFormatter();
    if (formatter == nullptr) {
        return {};
    }
    formatter->setTimeZone(zone.icu_zone());
    icu::UnicodeString formatted;
    formatter->format(static_cast<UDate>(instant) * 1000.0, formatted);
    std::string utf8;
    formatted.toUTF8String(utf8);
    return utf8;
}

}  // namespace mailwright::model
