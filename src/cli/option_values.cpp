#include "cli/option_values.h"

#include <cstdlib>

#include "text/code_page_table.h"

namespace mailwright::cli {

std::optional<std::uint64_t> parse_decimal(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::uint64_t value = std::strtoull(text.c_str(), nullptr, 10);
    if (value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> parse_code_page(const std::string& text) {
    const auto number = parse_decimal(text, 0xFFFF);
    if (!number || !text::GetCodePageDisplayName(static_cast<std::uint32_t>(*number))) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*number);
}

}  // namespace mailwright::cli
