// The values of command-line options that several sub-commands take.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mailwright::cli {

// A decimal number of at most `max`, digits only.
std::optional<std::uint64_t> parse_decimal(const std::string& text, std::uint64_t max);

// A code page number of the code page table (`mailwright codepages`).
std::optional<std::uint32_t> parse_code_page(const std::string& text);

}  // namespace mailwright::cli
