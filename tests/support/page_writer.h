// 512-byte pages of the node database ([MS-PST] 2.2.2.7): B-tree pages of
// the NBT and BBT, and the allocation map pages.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "support/pst_format.h"

namespace pstbuild {

using Page = std::array<std::uint8_t, kPageSize>;

// BTENTRY ([MS-PST] 2.2.2.7.7.2): the key of a child page and where it is.
struct BtEntry {
    std::uint64_t btkey = 0;
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

// BBTENTRY ([MS-PST] 2.2.2.7.7.3).
struct BbtEntry {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t cRef = kDefaultBlockRefCount;
};

// NBTENTRY ([MS-PST] 2.2.2.7.7.4).
struct NbtEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
    std::uint32_t nidParent = 0;
};

// How many entries of `entry_size` bytes fit in a page's rgentries.
std::size_t page_capacity(Variant variant, std::size_t entry_size);

// B-tree pages. cEntMax is the page capacity, cbEnt the entry size; the page
// trailer carries ptype, the signature of (bid, ib), the CRC and bid. Throws
// std::length_error when the entries do not fit.
Page make_nonleaf_page(Variant variant, PageType type, std::uint8_t cLevel,
                       std::span<const BtEntry> entries, std::uint64_t bid, std::uint64_t ib);
Page make_bbt_leaf_page(Variant variant, std::span<const BbtEntry> entries, std::uint64_t bid,
                        std::uint64_t ib);
Page make_nbt_leaf_page(Variant variant, std::span<const NbtEntry> entries, std::uint64_t bid,
                        std::uint64_t ib);

// An AMap or PMap page at `ib` ([MS-PST] 2.2.2.7.2, 2.2.2.7.3): the 496 map
// bytes, wSig 0 and bid equal to ib.
Page make_map_page(Variant variant, PageType type, std::span<const std::uint8_t, kMapBitsSize> bits,
                   std::uint64_t ib);

// Writes ptype, ptypeRepeat, wSig, bid and the CRC of the page data.
// B-tree and DList pages are signed; map pages carry wSig 0.
void write_page_trailer(std::span<std::uint8_t, kPageSize> page, Variant variant, PageType type,
                        std::uint64_t bid, std::uint64_t ib);

// Recomputes PAGETRAILER.dwCRC of a page, e.g. after a test changed it.
void refresh_page_crc(std::span<std::uint8_t, kPageSize> page, Variant variant);

}  // namespace pstbuild
