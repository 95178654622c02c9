// The reason of the exception being handled, for report and loss lines.
#pragma once

#include <string>

namespace mailwright::platform {

// The what() text of the exception being handled, "unknown error" for
// anything that is not a std::exception. Call it only inside a catch block.
std::string CurrentExceptionReason();

}  // namespace mailwright::platform
