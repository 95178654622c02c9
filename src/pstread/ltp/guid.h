// A GUID in its file byte order ([MS-DTYP] 2.3.4.2: Data1 32-bit, Data2 and
// Data3 16-bit, all little-endian, then the 8 bytes of Data4), compared byte
// by byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace pstread {

struct guid {
    std::array<std::uint8_t, 16> bytes{};

    constexpr guid() = default;
    constexpr guid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                   std::array<std::uint8_t, 8> data4) {
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
        }
        for (int i = 0; i < 2; ++i) {
            bytes[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
            bytes[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
        }
        for (int i = 0; i < 8; ++i) {
            bytes[8 + i] = data4[i];
        }
    }

    // The 16 bytes as stored.
    static guid from_bytes(std::span<const std::uint8_t, 16> stored) {
        guid g;
        for (std::size_t i = 0; i < 16; ++i) {
            g.bytes[i] = stored[i];
        }
        return g;
    }

    friend constexpr bool operator==(const guid&, const guid&) = default;
    friend constexpr auto operator<=>(const guid&, const guid&) = default;
};

// The registry form, "{00020329-0000-0000-C000-000000000046}".
std::string to_string(const guid& g);

}  // namespace pstread
