// Hexadecimal rendering of ids and offsets for error messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace pstread {

inline std::string to_hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace pstread
