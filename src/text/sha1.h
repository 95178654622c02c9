// SHA-1 (FIPS 180-4) of a byte string: what name-based (version 5) UUIDs are
// made from. Not used for anything that needs a secure hash.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace mailwright::text {

using Sha1Digest = std::array<std::uint8_t, 20>;

Sha1Digest Sha1(std::span<const std::uint8_t> data);

}  // namespace mailwright::text
