#include "model/sent_on_format.h"

#include "text/date_format.h"

namespace mailwright::model {

std::string formatSentOn(text::Instant instant, const text::DateTimeZone& zone) {
    return text::thread_date_formatter().sent_on_date(instant, zone);
}

}  // namespace mailwright::model
