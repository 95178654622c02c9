// A file shorter than its header says ([MS-PST] 2.2.2.5 root.ibFileEof):
// what lies inside the file is still read; a page or block past its end is
// a fault of that structure alone, so that the items held elsewhere convert.
#pragma once

#include <cstdint>
#include <string>

#include "pstread/ndb/database_file.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {

// "truncated: header says 2302976 bytes, file has 102400"
inline std::string truncation_text(std::uint64_t file_eof, std::uint64_t file_size) {
    return "truncated: header says " + std::to_string(file_eof) + " bytes, file has " +
           std::to_string(file_size);
}

// Throws database_corrupt naming the truncation when `length` bytes at
// `offset` (inside root.ibFileEof) are not all in the file.
inline void require_inside_file(const database_file& file, std::uint64_t file_eof, const char* what,
                                std::uint64_t id, std::uint64_t offset, std::uint64_t length) {
    if (!range_fits(offset, length, file.size())) {
        throw database_corrupt(truncation_text(file_eof, file.size()) + " (" + what + " " +
                               to_hex(id) + " at " + to_hex(offset) + " lies past its end)");
    }
}

}  // namespace pstread
