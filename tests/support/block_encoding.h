// The two keyless encodings of external block data ([MS-PST] 5.1, 5.2).
// Only the data of external blocks is encoded; trailers, padding and internal
// blocks never are.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "support/pst_format.h"

namespace pstbuild {

// The three tables of mpbbCrypt ([MS-PST] 5.1): R, S and I (= R inverse).
extern const std::array<std::uint8_t, 256> kPermuteR;
extern const std::array<std::uint8_t, 256> kPermuteS;
extern const std::array<std::uint8_t, 256> kPermuteI;

// NDB_CRYPT_PERMUTE, in place.
void permute_encode(std::span<std::uint8_t> data);
void permute_decode(std::span<std::uint8_t> data);

// NDB_CRYPT_CYCLIC, in place; keyed by the low 32 bits of the block id. The
// algorithm is its own inverse.
void cyclic_code(std::span<std::uint8_t> data, std::uint32_t key);

// Encodes (or decodes) the data of the external block `bid` as bCryptMethod
// `encoding` prescribes.
void encode_block_data(std::span<std::uint8_t> data, Encoding encoding, std::uint64_t bid);
void decode_block_data(std::span<std::uint8_t> data, Encoding encoding, std::uint64_t bid);

}  // namespace pstbuild
