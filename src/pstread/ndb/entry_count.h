// The check that a structure's entry count fits the bytes it has, made
// before any entry is decoded.
#pragma once

#include <cstddef>
#include <string>

#include "pstread/ndb/exceptions.h"

namespace pstread {

// `count` entries of `entry_size` bytes from `start` must fit in `available`
// bytes; `structure` names the structure (with its id and offset) in the
// error. Counts come from 8- or 16-bit fields, so the product cannot
// overflow.
inline void check_entry_count(const std::string& structure, std::size_t count,
                              std::size_t entry_size, std::size_t start, std::size_t available) {
    const std::size_t needed = start + count * entry_size;
    if (count > 0xFFFF || needed > available) {
        throw database_corrupt(structure + ": cEnt " + std::to_string(count) + " needs " +
                               std::to_string(needed) + " bytes but only " +
                               std::to_string(available) + " are there");
    }
}

}  // namespace pstread
