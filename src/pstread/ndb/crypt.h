// Decoding of external block data ([MS-PST] 5.1 NDB_CRYPT_PERMUTE and 5.2
// NDB_CRYPT_CYCLIC). Both work in place.
#pragma once

#include <cstdint>
#include <span>

#include "pstread/ndb/types.h"

namespace pstread {

void decode_permute(std::span<std::uint8_t> bytes);

// The key is the low 32 bits of the block's id.
void decode_cyclic(std::span<std::uint8_t> bytes, std::uint32_t key);

// Decodes by the header's bCryptMethod; none leaves the bytes as they are.
void decode_block_data(std::span<std::uint8_t> bytes, crypt_method method, block_id bid);

}  // namespace pstread
