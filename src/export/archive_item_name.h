// The names of the contact and event files of an Outlook for Mac archive
// package: a fixed prefix and eight places for a running number written
// with the letters A to J for the digits 0 to 9, so "OUTLOOKEXPORTEDADR"
// and 0 give "OUTLOOKEXPORTEDADR0000000A" and 10 gives
// "OUTLOOKEXPORTEDADR000000BA".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailwright::exporting {

constexpr std::string_view kArchiveContactPrefix = "OUTLOOKEXPORTEDADR";
constexpr std::string_view kArchiveCalendarPrefix = "OUTLOOKEXPORTEDCAL";

// The prefix, zeros and the number's letters over the last places. A number
// of more than eight digits keeps all its letters after the prefix.
std::string ArchiveItemName(std::string_view prefix, std::uint32_t number);

}  // namespace mailwright::exporting
