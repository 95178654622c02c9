// The program's user defaults: the file-backed defaults at their default
// location (an in-memory set when there is no home folder), with the
// "UserDefaults" resource registered as their defaults.
#pragma once

#include "platform/user_defaults.h"

namespace mailwright::platform {

// Made on first use; lives for the whole process.
UserDefaults& standardUserDefaults();

// Registers the defaults of the "UserDefaults" resource.
void registerResourceDefaults(UserDefaults& defaults);

}  // namespace mailwright::platform
