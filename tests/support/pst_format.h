// On-disk constants of the PST node database ([MS-PST] 2.2) as the synthetic
// builder writes them. The builder shares no code with the reader, so every
// size and offset here is taken from [MS-PST] itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pstbuild {

// The two file formats: ANSI (32-bit ids and offsets) and Unicode (64-bit).
enum class Variant { ansi, unicode };

// HEADER.bCryptMethod ([MS-PST] 2.2.2.6): how external block data are encoded.
enum class Encoding : std::uint8_t { none = 0x00, permute = 0x01, cyclic = 0x02 };

// PAGETRAILER.ptype ([MS-PST] 2.2.2.7.1).
enum class PageType : std::uint8_t {
    bbt = 0x80,
    nbt = 0x81,
    fmap = 0x82,
    pmap = 0x83,
    amap = 0x84,
    fpmap = 0x85,
    dlist = 0x86,
};

inline constexpr std::size_t kPageSize = 512;                 // [MS-PST] 2.2.2.7
inline constexpr std::size_t kBlockAlignment = 64;            // [MS-PST] 2.2.2.8
inline constexpr std::size_t kMaxBlockSize = 8192;            // aligned size incl. trailer
inline constexpr std::uint64_t kFirstAMapOffset = 0x4400;     // [MS-PST] 2.2.2.7.2
inline constexpr std::uint64_t kAMapCoverage = 496 * 8 * 64;  // 253,952 bytes per AMap
inline constexpr std::size_t kAMapsPerPMap = 8;               // [MS-PST] 2.2.2.7.3
inline constexpr std::size_t kMapBitsSize = 496;              // rgbAMapBits / rgbPMapBits
inline constexpr std::uint8_t kXBlockType = 0x01;             // XBLOCK / XXBLOCK btype
inline constexpr std::uint8_t kSubnodeBlockType = 0x02;       // SLBLOCK / SIBLOCK btype
inline constexpr std::uint64_t kInternalBidBit = 0x2;         // BID "i" bit ([MS-PST] 2.2.2.2)
inline constexpr std::uint16_t kDefaultBlockRefCount = 2;     // BBT entry + one referrer

// Sizes and field offsets that differ between the variants. Offsets of page
// fields are from the start of the 512-byte page; offsets of block trailer
// fields are from the start of the trailer.
struct VariantTraits {
    std::size_t id_size;             // BID and IB width
    std::size_t block_trailer_size;  // BLOCKTRAILER
    std::size_t max_block_data;      // 8192 - trailer
    std::size_t trailer_cb;          // BLOCKTRAILER.cb
    std::size_t trailer_wSig;        // BLOCKTRAILER.wSig
    std::size_t trailer_dwCRC;       // BLOCKTRAILER.dwCRC
    std::size_t trailer_bid;         // BLOCKTRAILER.bid
    std::size_t page_entries_size;   // BTPAGE.rgentries
    std::size_t page_cEnt;           // BTPAGE.cEnt (cEntMax, cbEnt, cLevel follow)
    std::size_t page_cEntMax;
    std::size_t page_cbEnt;
    std::size_t page_cLevel;
    std::size_t page_trailer;  // PAGETRAILER start
    std::size_t page_ptype;
    std::size_t page_ptypeRepeat;
    std::size_t page_wSig;
    std::size_t page_dwCRC;
    std::size_t page_bid;
    std::size_t page_crc_length;      // page bytes covered by PAGETRAILER.dwCRC
    std::size_t map_bits_offset;      // rgbAMapBits within an AMap/PMap page
    std::size_t btentry_size;         // BTENTRY
    std::size_t bbtentry_size;        // BBTENTRY
    std::size_t nbtentry_size;        // NBTENTRY
    std::size_t subnode_header_size;  // SLBLOCK/SIBLOCK header (btype, cLevel, cEnt[, dwPadding])
    std::size_t slentry_size;         // SLENTRY
    std::size_t sientry_size;         // SIENTRY
    std::size_t xblock_header_size;   // btype, cLevel, cEnt, lcbTotal
    std::size_t header_size;          // HEADER
    std::uint16_t default_wVer;       // 14 (ANSI) or 23 (Unicode)
    std::size_t tc_row_index_value_size;  // TCROWID.dwRowIndex ([MS-PST] 2.3.4.3.1)
};

// [MS-PST] 2.2.2.7.1 (PAGETRAILER), 2.2.2.7.7 (BTPAGE and entries),
// 2.2.2.8 (BLOCKTRAILER, XBLOCK, SLBLOCK, SIBLOCK), 2.2.2.7.2 (AMAPPAGE).
inline constexpr VariantTraits kAnsiTraits{
    .id_size = 4,
    .block_trailer_size = 12,
    .max_block_data = 8180,
    .trailer_cb = 0,
    .trailer_wSig = 2,
    .trailer_dwCRC = 8,
    .trailer_bid = 4,
    .page_entries_size = 496,
    .page_cEnt = 496,
    .page_cEntMax = 497,
    .page_cbEnt = 498,
    .page_cLevel = 499,
    .page_trailer = 500,
    .page_ptype = 500,
    .page_ptypeRepeat = 501,
    .page_wSig = 502,
    .page_dwCRC = 508,
    .page_bid = 504,
    .page_crc_length = 500,
    .map_bits_offset = 4,
    .btentry_size = 12,
    .bbtentry_size = 12,
    .nbtentry_size = 16,
    .subnode_header_size = 4,
    .slentry_size = 12,
    .sientry_size = 8,
    .xblock_header_size = 8,
    .header_size = 512,
    .default_wVer = 14,
    .tc_row_index_value_size = 2,
};

inline constexpr VariantTraits kUnicodeTraits{
    .id_size = 8,
    .block_trailer_size = 16,
    .max_block_data = 8176,
    .trailer_cb = 0,
    .trailer_wSig = 2,
    .trailer_dwCRC = 4,
    .trailer_bid = 8,
    .page_entries_size = 488,
    .page_cEnt = 488,
    .page_cEntMax = 489,
    .page_cbEnt = 490,
    .page_cLevel = 491,
    .page_trailer = 496,
    .page_ptype = 496,
    .page_ptypeRepeat = 497,
    .page_wSig = 498,
    .page_dwCRC = 500,
    .page_bid = 504,
    .page_crc_length = 496,
    .map_bits_offset = 0,
    .btentry_size = 24,
    .bbtentry_size = 24,
    .nbtentry_size = 32,
    .subnode_header_size = 8,
    .slentry_size = 24,
    .sientry_size = 16,
    .xblock_header_size = 8,
    .header_size = 564,
    .default_wVer = 23,
    .tc_row_index_value_size = 4,
};

constexpr const VariantTraits& traits(Variant variant) {
    return variant == Variant::ansi ? kAnsiTraits : kUnicodeTraits;
}

// HEADER and ROOT field offsets ([MS-PST] 2.2.2.5, 2.2.2.6; the Unicode
// offsets agree with the sample header of [MS-PST] 3.2). kNoField marks a
// field that the variant lacks.
inline constexpr std::size_t kNoField = static_cast<std::size_t>(-1);

struct HeaderLayout {
    std::size_t dwMagic;
    std::size_t dwCRCPartial;
    std::size_t wMagicClient;
    std::size_t wVer;
    std::size_t wVerClient;
    std::size_t bPlatformCreate;
    std::size_t bPlatformAccess;
    std::size_t dwReserved1;
    std::size_t dwReserved2;
    std::size_t bidUnused;  // Unicode only
    std::size_t bidNextB;
    std::size_t bidNextP;
    std::size_t dwUnique;
    std::size_t rgnid;
    std::size_t root;
    std::size_t ibFileEof;
    std::size_t ibAMapLast;
    std::size_t cbAMapFree;
    std::size_t cbPMapFree;
    std::size_t BREFNBT_bid;
    std::size_t BREFNBT_ib;
    std::size_t BREFBBT_bid;
    std::size_t BREFBBT_ib;
    std::size_t fAMapValid;
    std::size_t rgbFM;
    std::size_t rgbFP;
    std::size_t bSentinel;
    std::size_t bCryptMethod;
    std::size_t dwCRCFull;           // Unicode only
    std::size_t crc_start;           // both CRCs start at wMagicClient
    std::size_t crc_partial_length;  // 471 bytes
    std::size_t crc_full_length;     // 516 bytes (Unicode only)
};

inline constexpr HeaderLayout kAnsiHeader{
    .dwMagic = 0,
    .dwCRCPartial = 4,
    .wMagicClient = 8,
    .wVer = 10,
    .wVerClient = 12,
    .bPlatformCreate = 14,
    .bPlatformAccess = 15,
    .dwReserved1 = 16,
    .dwReserved2 = 20,
    .bidUnused = kNoField,
    .bidNextB = 24,
    .bidNextP = 28,
    .dwUnique = 32,
    .rgnid = 36,
    .root = 164,
    .ibFileEof = 168,
    .ibAMapLast = 172,
    .cbAMapFree = 176,
    .cbPMapFree = 180,
    .BREFNBT_bid = 184,
    .BREFNBT_ib = 188,
    .BREFBBT_bid = 192,
    .BREFBBT_ib = 196,
    .fAMapValid = 200,
    .rgbFM = 204,
    .rgbFP = 332,
    .bSentinel = 460,
    .bCryptMethod = 461,
    .dwCRCFull = kNoField,
    .crc_start = 8,
    .crc_partial_length = 471,
    .crc_full_length = 0,
};

inline constexpr HeaderLayout kUnicodeHeader{
    .dwMagic = 0,
    .dwCRCPartial = 4,
    .wMagicClient = 8,
    .wVer = 10,
    .wVerClient = 12,
    .bPlatformCreate = 14,
    .bPlatformAccess = 15,
    .dwReserved1 = 16,
    .dwReserved2 = 20,
    .bidUnused = 24,
    .bidNextB = 516,
    .bidNextP = 32,
    .dwUnique = 40,
    .rgnid = 44,
    .root = 180,
    .ibFileEof = 184,
    .ibAMapLast = 192,
    .cbAMapFree = 200,
    .cbPMapFree = 208,
    .BREFNBT_bid = 216,
    .BREFNBT_ib = 224,
    .BREFBBT_bid = 232,
    .BREFBBT_ib = 240,
    .fAMapValid = 248,
    .rgbFM = 256,
    .rgbFP = 384,
    .bSentinel = 512,
    .bCryptMethod = 513,
    .dwCRCFull = 524,
    .crc_start = 8,
    .crc_partial_length = 471,
    .crc_full_length = 516,
};

constexpr const HeaderLayout& header_layout(Variant variant) {
    return variant == Variant::ansi ? kAnsiHeader : kUnicodeHeader;
}

// BID helpers ([MS-PST] 2.2.2.2): block ids advance by 4; bit 1 marks an
// internal block (XBLOCK, XXBLOCK, SLBLOCK, SIBLOCK).
constexpr bool is_internal_bid(std::uint64_t bid) {
    return (bid & kInternalBidBit) != 0;
}

// Block signature ([MS-PST] 5.5): the 16-bit halves of (ib XOR bid), XORed.
constexpr std::uint16_t compute_signature(std::uint64_t bid, std::uint64_t ib) {
    const std::uint64_t x = ib ^ bid;
    return static_cast<std::uint16_t>(static_cast<std::uint16_t>(x >> 16) ^
                                      static_cast<std::uint16_t>(x));
}

// Aligned on-disk size of a block holding cb data bytes: data plus trailer,
// rounded up to a multiple of 64 ([MS-PST] 2.2.2.8).
constexpr std::size_t aligned_block_size(Variant variant, std::size_t cb) {
    const std::size_t raw = cb + traits(variant).block_trailer_size;
    return (raw + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
}

}  // namespace pstbuild
