// Identifiers of MIME writers: random (version 4) UUIDs in their standard
// 36-character text form with upper-case hexadecimal digits.
#pragma once

#include <string>

namespace mailwright::formats {

std::string MakeWriterId();

}  // namespace mailwright::formats
