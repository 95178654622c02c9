// The MBOX split size as the preferences take it and the options show it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mailwright::ui {

// The size in megabytes when the text is decimal digits alone with a value
// above 0 that fits the setting; nothing otherwise.
std::optional<std::int32_t> ParseMBOXSize(const std::string& text);

// "Split MBOX files over %i MB."
std::string SplitSwitchTitle(std::int64_t megabytes);

inline constexpr const char* kInvalidMBOXSizeAlert =
    "Please enter a valid value for maximum MBOX file size.";

}  // namespace mailwright::ui
