// The "UserDefaults" resource: the XML property list of default settings
// shipped with the program (resources/UserDefaults.plist), compiled in.
#pragma once

#include <string_view>

namespace mailwright::platform {

std::string_view userDefaultsResource();

}  // namespace mailwright::platform
