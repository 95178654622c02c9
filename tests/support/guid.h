// GUIDs in their on-disk byte order ([MS-DTYP] GUID: Data1, Data2 and Data3
// little-endian, then the 8 bytes of Data4 as written).
#pragma once

#include <array>
#include <cstdint>

namespace pstbuild {

struct Guid {
    std::array<std::uint8_t, 16> bytes{};
    bool operator==(const Guid&) const = default;
};

constexpr Guid make_guid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                         std::array<std::uint8_t, 8> data4) {
    Guid g;
    for (int i = 0; i < 4; ++i) {
        g.bytes[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
    }
    for (int i = 0; i < 2; ++i) {
        g.bytes[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
        g.bytes[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i) {
        g.bytes[8 + i] = data4[i];
    }
    return g;
}

// Property sets of [MS-OXPROPS] 1.3.2.
inline constexpr std::array<std::uint8_t, 8> kMapiData4 = {0xC0, 0, 0, 0, 0, 0, 0, 0x46};
inline constexpr Guid kPsMapi = make_guid(0x00020328, 0, 0, kMapiData4);
inline constexpr Guid kPsPublicStrings = make_guid(0x00020329, 0, 0, kMapiData4);
inline constexpr Guid kPsInternetHeaders = make_guid(0x00020386, 0, 0, kMapiData4);
inline constexpr Guid kPsetidAppointment = make_guid(0x00062002, 0, 0, kMapiData4);
inline constexpr Guid kPsetidTask = make_guid(0x00062003, 0, 0, kMapiData4);
inline constexpr Guid kPsetidAddress = make_guid(0x00062004, 0, 0, kMapiData4);
inline constexpr Guid kPsetidCommon = make_guid(0x00062008, 0, 0, kMapiData4);
inline constexpr Guid kPsetidLog = make_guid(0x0006200A, 0, 0, kMapiData4);
inline constexpr Guid kPsetidNote = make_guid(0x0006200E, 0, 0, kMapiData4);
inline constexpr Guid kPsetidMeeting =
    make_guid(0x6ED8DA90, 0x450B, 0x101B, {0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05});

}  // namespace pstbuild
