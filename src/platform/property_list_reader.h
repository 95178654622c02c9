// Reads the XML property lists the program ships as resources (the
// "UserDefaults" list among them): a top-level <dict> whose values are
// <integer>, <true/>, <false/> or <string>. Anything else (arrays, nested
// dictionaries, reals, data, dates, malformed XML) is refused with
// std::runtime_error "property list: ..." naming what was found.
#pragma once

#include <string_view>

#include "platform/user_defaults.h"

namespace mailwright::platform {

DefaultsDictionary readPropertyList(std::string_view xml);

}  // namespace mailwright::platform
