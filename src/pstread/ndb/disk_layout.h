// On-disk layouts of the node database structures, by variant, named after
// the fields of [MS-PST] 2.2.2. Offsets are from the start of the structure
// (the block trailer's from the start of the trailer); all values are
// little-endian. The reader logic decodes through these descriptions only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pstread/ndb/little_endian.h"

namespace pstread {

struct field {
    std::size_t offset;
    std::size_t width;
};

inline std::uint64_t load_field(std::span<const std::uint8_t> bytes, field f,
                                std::size_t base = 0) {
    return load_le(bytes, base + f.offset, f.width);
}

// Every page is 512 bytes and starts on a 512-byte boundary ([MS-PST] 2.2.2.7).
constexpr std::size_t page_size = 512;
// Blocks occupy a multiple of 64 bytes, at most 8192 ([MS-PST] 2.2.2.8).
constexpr std::size_t block_alignment = 64;
constexpr std::size_t max_block_disk_size = 8192;

// [MS-PST] 2.2.2.7.7.1 ptype values of BTPAGE trailers.
constexpr std::uint8_t page_type_bbt = 0x80;
constexpr std::uint8_t page_type_nbt = 0x81;

// btype of internal blocks ([MS-PST] 2.2.2.8.3.2, 2.2.2.8.3.3).
constexpr std::uint8_t block_type_extended = 0x01;
constexpr std::uint8_t block_type_subnode = 0x02;

// Files whose wVer is below this value are ANSI ([MS-PST] 2.2.2.6).
constexpr std::uint16_t first_unicode_version = 20;

struct ansi_layout {
    static constexpr bool unicode = false;
    static constexpr std::size_t id_size = 4;

    // HEADER and ROOT ([MS-PST] 2.2.2.6, 2.2.2.5); ROOT starts at 164.
    struct header {
        static constexpr std::size_t size = 512;
        static constexpr field dwMagic{0, 4};
        static constexpr field dwCRCPartial{4, 4};
        static constexpr field wMagicClient{8, 2};
        static constexpr field wVer{10, 2};
        static constexpr field ibFileEof{168, 4};
        static constexpr field BREFNBT_bid{184, 4};
        static constexpr field BREFNBT_ib{188, 4};
        static constexpr field BREFBBT_bid{192, 4};
        static constexpr field BREFBBT_ib{196, 4};
        static constexpr field bCryptMethod{461, 1};
        // dwCRCPartial covers the 471 bytes from offset 8.
        static constexpr std::size_t crc_partial_start = 8;
        static constexpr std::size_t crc_partial_length = 471;
    };

    // BTPAGE with its PAGETRAILER ([MS-PST] 2.2.2.7.7.1, 2.2.2.7.1).
    struct page {
        static constexpr std::size_t rgentries_size = 496;
        static constexpr field cEnt{496, 1};
        static constexpr field cEntMax{497, 1};
        static constexpr field cbEnt{498, 1};
        static constexpr field cLevel{499, 1};
        static constexpr field ptype{500, 1};
        static constexpr field ptypeRepeat{501, 1};
        static constexpr field wSig{502, 2};
        static constexpr field bid{504, 4};
        static constexpr field dwCRC{508, 4};
    };

    // BTENTRY ([MS-PST] 2.2.2.7.7.2).
    struct btentry {
        static constexpr std::size_t size = 12;
        static constexpr field btkey{0, 4};
        static constexpr field bid{4, 4};
        static constexpr field ib{8, 4};
    };

    // BBTENTRY ([MS-PST] 2.2.2.7.7.3).
    struct bbtentry {
        static constexpr std::size_t size = 12;
        static constexpr field bid{0, 4};
        static constexpr field ib{4, 4};
        static constexpr field cb{8, 2};
        static constexpr field cRef{10, 2};
    };

    // NBTENTRY ([MS-PST] 2.2.2.7.7.4).
    struct nbtentry {
        static constexpr std::size_t size = 16;
        static constexpr field nid{0, 4};
        static constexpr field bidData{4, 4};
        static constexpr field bidSub{8, 4};
        static constexpr field nidParent{12, 4};
    };

    // BLOCKTRAILER ([MS-PST] 2.2.2.8.1), at the end of the aligned block.
    struct block_trailer {
        static constexpr std::size_t size = 12;
        static constexpr field cb{0, 2};
        static constexpr field wSig{2, 2};
        static constexpr field bid{4, 4};
        static constexpr field dwCRC{8, 4};
    };

    // XBLOCK / XXBLOCK ([MS-PST] 2.2.2.8.3.2.1, 2.2.2.8.3.2.2).
    struct xblock {
        static constexpr field btype{0, 1};
        static constexpr field cLevel{1, 1};
        static constexpr field cEnt{2, 2};
        static constexpr field lcbTotal{4, 4};
        static constexpr std::size_t rgbid = 8;
    };

    // SLBLOCK / SIBLOCK ([MS-PST] 2.2.2.8.3.3.1.2, 2.2.2.8.3.3.2.2).
    struct sblock {
        static constexpr field btype{0, 1};
        static constexpr field cLevel{1, 1};
        static constexpr field cEnt{2, 2};
        static constexpr std::size_t rgentries = 4;
    };

    // SLENTRY ([MS-PST] 2.2.2.8.3.3.1.1).
    struct slentry {
        static constexpr std::size_t size = 12;
        static constexpr field nid{0, 4};
        static constexpr field bidData{4, 4};
        static constexpr field bidSub{8, 4};
    };

    // SIENTRY ([MS-PST] 2.2.2.8.3.3.2.1).
    struct sientry {
        static constexpr std::size_t size = 8;
        static constexpr field nid{0, 4};
        static constexpr field bid{4, 4};
    };
};

struct unicode_layout {
    static constexpr bool unicode = true;
    static constexpr std::size_t id_size = 8;

    // HEADER and ROOT ([MS-PST] 2.2.2.6, 2.2.2.5); ROOT starts at 180. The
    // header is 564 bytes; the 4 bytes after it are read with it.
    struct header {
        static constexpr std::size_t size = 568;
        static constexpr field dwMagic{0, 4};
        static constexpr field dwCRCPartial{4, 4};
        static constexpr field wMagicClient{8, 2};
        static constexpr field wVer{10, 2};
        static constexpr field ibFileEof{184, 8};
        static constexpr field BREFNBT_bid{216, 8};
        static constexpr field BREFNBT_ib{224, 8};
        static constexpr field BREFBBT_bid{232, 8};
        static constexpr field BREFBBT_ib{240, 8};
        static constexpr field bCryptMethod{513, 1};
        static constexpr field dwCRCFull{524, 4};
        // dwCRCPartial covers 471 bytes from offset 8, dwCRCFull 516.
        static constexpr std::size_t crc_partial_start = 8;
        static constexpr std::size_t crc_partial_length = 471;
        static constexpr std::size_t crc_full_length = 516;
    };

    struct page {
        static constexpr std::size_t rgentries_size = 488;
        static constexpr field cEnt{488, 1};
        static constexpr field cEntMax{489, 1};
        static constexpr field cbEnt{490, 1};
        static constexpr field cLevel{491, 1};
        static constexpr field dwPadding{492, 4};
        static constexpr field ptype{496, 1};
        static constexpr field ptypeRepeat{497, 1};
        static constexpr field wSig{498, 2};
        static constexpr field dwCRC{500, 4};
        static constexpr field bid{504, 8};
    };

    struct btentry {
        static constexpr std::size_t size = 24;
        static constexpr field btkey{0, 8};
        static constexpr field bid{8, 8};
        static constexpr field ib{16, 8};
    };

    struct bbtentry {
        static constexpr std::size_t size = 24;
        static constexpr field bid{0, 8};
        static constexpr field ib{8, 8};
        static constexpr field cb{16, 2};
        static constexpr field cRef{18, 2};
    };

    // The NID is 4 bytes even in the 8-byte Unicode field.
    struct nbtentry {
        static constexpr std::size_t size = 32;
        static constexpr field nid{0, 4};
        static constexpr field bidData{8, 8};
        static constexpr field bidSub{16, 8};
        static constexpr field nidParent{24, 4};
    };

    struct block_trailer {
        static constexpr std::size_t size = 16;
        static constexpr field cb{0, 2};
        static constexpr field wSig{2, 2};
        static constexpr field dwCRC{4, 4};
        static constexpr field bid{8, 8};
    };

    struct xblock {
        static constexpr field btype{0, 1};
        static constexpr field cLevel{1, 1};
        static constexpr field cEnt{2, 2};
        static constexpr field lcbTotal{4, 4};
        static constexpr std::size_t rgbid = 8;
    };

    struct sblock {
        static constexpr field btype{0, 1};
        static constexpr field cLevel{1, 1};
        static constexpr field cEnt{2, 2};
        static constexpr std::size_t rgentries = 8;  // after dwPadding
    };

    struct slentry {
        static constexpr std::size_t size = 24;
        static constexpr field nid{0, 4};
        static constexpr field bidData{8, 8};
        static constexpr field bidSub{16, 8};
    };

    struct sientry {
        static constexpr std::size_t size = 16;
        static constexpr field nid{0, 4};
        static constexpr field bid{8, 8};
    };
};

// The layout of the variant whose on-disk ids and offsets are T wide:
// uint32_t for ANSI, uint64_t for Unicode.
template <typename T>
struct layout_for;
template <>
struct layout_for<std::uint32_t> {
    using type = ansi_layout;
};
template <>
struct layout_for<std::uint64_t> {
    using type = unicode_layout;
};

// The largest data size of one block: 8192 minus the trailer (8180 ANSI,
// 8176 Unicode).
template <typename Layout>
constexpr std::size_t max_block_data_size = max_block_disk_size - Layout::block_trailer::size;

}  // namespace pstread
