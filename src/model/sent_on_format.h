// The date a message list shows for a message: "%A, %d %b %Y %I:%M:%S %p"
// (English day and month names), e.g. "Monday, 05 Jan 2009 03:04:05 PM".
#pragma once

#include <string>

#include "text/time_conversion.h"
#include "text/time_zone.h"

namespace mailwright::model {

// The instant shown in `zone`. Uses one formatter per thread.
std::string formatSentOn(text::Instant instant, const text::DateTimeZone& zone);

}  // namespace mailwright::model
