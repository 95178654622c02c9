// The PST file header ([MS-PST] 2.2.2.6) with its ROOT ([MS-PST] 2.2.2.5).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "support/pst_format.h"

namespace pstbuild {

// A BREF: a page or block id and its file offset ([MS-PST] 2.2.2.4).
struct Bref {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    bool operator==(const Bref&) const = default;
};

// ROOT ([MS-PST] 2.2.2.5).
struct RootFields {
    std::uint32_t dwReserved = 0;
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    std::uint64_t cbPMapFree = 0;
    Bref BREFNBT;
    Bref BREFBBT;
    std::uint8_t fAMapValid = 0x02;  // VALID_AMAP2
    std::uint8_t bReserved = 0;
    std::uint16_t wReserved = 0;
};

// Every HEADER field that a writer chooses. Fields an ANSI header lacks
// (bidUnused) are ignored for ANSI. The CRCs are computed, not chosen.
struct HeaderFields {
    Variant variant = Variant::unicode;
    std::array<std::uint8_t, 4> dwMagic = {0x21, 0x42, 0x44, 0x4E};  // "!BDN"
    std::array<std::uint8_t, 2> wMagicClient = {0x53, 0x4D};         // "SM"
    std::uint16_t wVer = 0;  // 0: 14 for ANSI, 23 for Unicode
    std::uint16_t wVerClient = 19;
    std::uint8_t bPlatformCreate = 0x01;
    std::uint8_t bPlatformAccess = 0x01;
    std::uint32_t dwReserved1 = 0;
    std::uint32_t dwReserved2 = 0;
    std::uint64_t bidUnused = 0;
    std::uint64_t bidNextB = 4;
    std::uint64_t bidNextP = 1;
    std::uint32_t dwUnique = 0;
    std::array<std::uint32_t, 32> rgnid{};
    RootFields root;
    std::uint8_t bSentinel = 0x80;
    Encoding bCryptMethod = Encoding::none;
};

// The starting nidIndex of each NID type in a new file ([MS-PST] 2.2.2.6):
// 0x400 in general, 0x4000 for search folders, 0x10000 for normal messages,
// 0x8000 for associated messages.
std::array<std::uint32_t, 32> initial_rgnid();

// The header bytes: 512 (ANSI) or 564 (Unicode), with dwCRCPartial and, for
// Unicode, dwCRCFull computed. rgbFM and rgbFP are 0xFF as [MS-PST] requires.
std::vector<std::uint8_t> serialize_header(const HeaderFields& fields);

// Recomputes dwCRCPartial (and dwCRCFull for Unicode) of the header at the
// start of `file`, e.g. after a test changed one header field on purpose.
void refresh_header_crcs(std::span<std::uint8_t> file, Variant variant);

}  // namespace pstbuild
