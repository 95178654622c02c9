// Bounds-checked little-endian loads and overflow-safe range arithmetic for
// decoding on-disk structures from byte buffers.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"

namespace pstread {

// True when [offset, offset + length) lies within [0, size). Cannot overflow.
constexpr bool range_fits(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return !(offset > size || length > size - offset);
}

// a * b, or nothing when the product does not fit in 64 bits.
constexpr std::optional<std::uint64_t> checked_multiply(std::uint64_t a, std::uint64_t b) {
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) {
        return std::nullopt;
    }
    return product;
}

// The unsigned little-endian value of `width` (1 to 8) bytes at `offset`.
// Callers validate counts before decoding, so a load outside the buffer is a
// fault of the structure being decoded and reported as such.
inline std::uint64_t load_le(std::span<const std::uint8_t> bytes, std::size_t offset,
                             std::size_t width) {
    if (width == 0 || width > 8 || !range_fits(offset, width, bytes.size())) {
        throw database_corrupt("read of " + std::to_string(width) + " bytes at offset " +
                               to_hex(offset) + " outside a structure of " +
                               std::to_string(bytes.size()) + " bytes");
    }
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = (value << 8) | bytes[offset + i];
    }
    return value;
}

template <std::unsigned_integral T>
T load_le(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<T>(load_le(bytes, offset, sizeof(T)));
}

}  // namespace pstread
