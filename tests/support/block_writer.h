// Blocks of the node database ([MS-PST] 2.2.2.8): the aligned on-disk form
// with its trailer, and the data of the internal blocks (XBLOCK, XXBLOCK,
// SLBLOCK, SIBLOCK).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "support/pst_format.h"

namespace pstbuild {

// SLENTRY ([MS-PST] 2.2.2.8.3.3.1.1).
struct SlEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};

// SIENTRY ([MS-PST] 2.2.2.8.3.3.2.1).
struct SiEntry {
    std::uint32_t nid = 0;
    std::uint64_t bid = 0;
};

// The block as it lies in the file: the stored data (already encoded for an
// external block of an encoded file), zero padding, and the trailer with cb,
// the signature of (bid, ib), the CRC of the stored data and bid. Its size is
// aligned_block_size(variant, data.size()); throws std::length_error when
// that exceeds 8192.
std::vector<std::uint8_t> make_block(Variant variant, std::span<const std::uint8_t> stored_data,
                                     std::uint64_t bid, std::uint64_t ib);

// Recomputes BLOCKTRAILER.dwCRC of an aligned block from its first cb bytes.
void refresh_block_crc(std::span<std::uint8_t> block, Variant variant);

// How many child ids fit in one XBLOCK/XXBLOCK, SLENTRYs in one SLBLOCK and
// SIENTRYs in one SIBLOCK.
std::size_t xblock_capacity(Variant variant);
std::size_t slblock_capacity(Variant variant);
std::size_t siblock_capacity(Variant variant);

// Data of an XBLOCK (cLevel 1) or XXBLOCK (cLevel 2), [MS-PST] 2.2.2.8.3.2.
std::vector<std::uint8_t> make_xblock_data(Variant variant, std::uint8_t cLevel,
                                           std::uint32_t lcbTotal,
                                           std::span<const std::uint64_t> bids);

// Data of an SLBLOCK and of an SIBLOCK, [MS-PST] 2.2.2.8.3.3.
std::vector<std::uint8_t> make_slblock_data(Variant variant, std::span<const SlEntry> entries);
std::vector<std::uint8_t> make_siblock_data(Variant variant, std::uint8_t cLevel,
                                            std::span<const SiEntry> entries);

}  // namespace pstbuild
