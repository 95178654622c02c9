// Names that a destination application keeps for its own files: a mailbox
// given such a name would be passed over by the application's import, so
// the name gets a "_" after the ending.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailwright::exporting {

// `name` + "_" when it ends (in any case) with one of `endings`, else `name`.
std::string AvoidReservedEnding(std::string name, const std::vector<std::string_view>& endings);

}  // namespace mailwright::exporting
