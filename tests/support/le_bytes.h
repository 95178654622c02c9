// Little-endian stores and loads on byte buffers, with range checks. The
// builder never casts buffers to structs: every field is written byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace pstbuild {

// Stores the low `width` bytes of value at buffer[offset], least significant
// first. Throws std::out_of_range when the field does not fit the buffer.
inline void put_le(std::span<std::uint8_t> buffer, std::size_t offset, std::uint64_t value,
                   std::size_t width) {
    if (offset > buffer.size() || width > buffer.size() - offset) {
        throw std::out_of_range("put_le: field at " + std::to_string(offset) +
                                " runs past a buffer of " + std::to_string(buffer.size()));
    }
    for (std::size_t i = 0; i < width; ++i) {
        buffer[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void put_u8(std::span<std::uint8_t> b, std::size_t off, std::uint8_t v) {
    put_le(b, off, v, 1);
}
inline void put_u16(std::span<std::uint8_t> b, std::size_t off, std::uint16_t v) {
    put_le(b, off, v, 2);
}
inline void put_u32(std::span<std::uint8_t> b, std::size_t off, std::uint32_t v) {
    put_le(b, off, v, 4);
}
inline void put_u64(std::span<std::uint8_t> b, std::size_t off, std::uint64_t v) {
    put_le(b, off, v, 8);
}

// Loads `width` bytes at buffer[offset] as a little-endian unsigned value.
inline std::uint64_t get_le(std::span<const std::uint8_t> buffer, std::size_t offset,
                            std::size_t width) {
    if (offset > buffer.size() || width > buffer.size() - offset) {
        throw std::out_of_range("get_le: field at " + std::to_string(offset) +
                                " runs past a buffer of " + std::to_string(buffer.size()));
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint64_t>(buffer[offset + i]) << (8 * i);
    }
    return value;
}

inline std::uint16_t get_u16(std::span<const std::uint8_t> b, std::size_t off) {
    return static_cast<std::uint16_t>(get_le(b, off, 2));
}
inline std::uint32_t get_u32(std::span<const std::uint8_t> b, std::size_t off) {
    return static_cast<std::uint32_t>(get_le(b, off, 4));
}
inline std::uint64_t get_u64(std::span<const std::uint8_t> b, std::size_t off) {
    return get_le(b, off, 8);
}

// Appends the low `width` bytes of value, least significant first.
inline void append_le(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace pstbuild
