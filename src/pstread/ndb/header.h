// Reading and validating the file header ([MS-PST] 2.2.2.6).
#pragma once

#include <cstdint>
#include <span>

#include "pstread/ndb/database_file.h"
#include "pstread/ndb/types.h"

namespace pstread {

// The header fields the reader uses.
struct header_values {
    std::uint16_t version = 0;  // wVer
    crypt_method encoding = crypt_method::none;
    std::uint64_t file_eof = 0;  // root.ibFileEof
    block_reference nbt_root;    // root.BREFNBT
    block_reference bbt_root;    // root.BREFBBT
};

// Reads Layout::header::size bytes from offset 0 into `copy` and validates
// them: database_corrupt "not a PST file (only N bytes)" for a shorter file
// and "not a PST file (bad signature)" when dwMagic is not "!BDN",
// invalid_format when wVer belongs to the other variant, crc_fail
// "header dwCRCPartial failure" / "header dwCRCFull failure" on a checksum
// mismatch. wMagicClient is not checked (PST and OST files differ there).
template <typename Layout>
header_values read_header(const database_file& file, std::span<std::uint8_t> copy);

}  // namespace pstread
