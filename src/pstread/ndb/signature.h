// The page and block signature of [MS-PST] 5.5.
#pragma once

#include <cstdint>

#include "pstread/ndb/types.h"

namespace pstread {

// ComputeSig: the low 32 bits of ib XOR bid, folded to 16 bits.
constexpr std::uint16_t compute_signature(block_id bid, std::uint64_t ib) {
    const auto x = static_cast<std::uint32_t>(ib ^ bid);
    return static_cast<std::uint16_t>((x >> 16) ^ x);
}

}  // namespace pstread
