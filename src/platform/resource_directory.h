// Where the program's shipped resources are (the archive package parts and
// the guide documents): the folder "share/mailwright" beside the folder that
// holds the running program, which is where both the build tree and an
// installation put them ("build/src/mailwright" with "build/share/mailwright",
// "PREFIX/bin/mailwright" with "PREFIX/share/mailwright"). The environment
// variable MAILWRIGHT_RESOURCES names another folder instead.
#pragma once

#include <string>

namespace mailwright::platform {

inline constexpr const char* kResourceDirectoryVariable = "MAILWRIGHT_RESOURCES";

// The resource folder; empty when there is none, and then every resource
// counts as missing.
std::string ResourceDirectory();

}  // namespace mailwright::platform
