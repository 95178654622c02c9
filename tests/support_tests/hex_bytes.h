// Byte fixtures written as hex text, e.g. copied from a dump in [MS-PST].
#pragma once

#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace testbytes {

// Parses pairs of hex digits; spaces, dashes and line breaks are ignored.
inline std::vector<std::uint8_t> from_hex(std::string_view text) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            continue;
        }
        const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0) {
        throw std::invalid_argument("odd number of hex digits");
    }
    return out;
}

}  // namespace testbytes
