#include "ui/logic/mbox_size.h"

#include <limits>

namespace mailwright::ui {

std::optional<std::int32_t> ParseMBOXSize(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        // A value past the setting's range is refused, never wrapped.
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::string SplitSwitchTitle(std::int64_t megabytes) {
    return "Split MBOX files over " + std::to_string(megabytes) + " MB.";
}

}  // namespace mailwright::ui
