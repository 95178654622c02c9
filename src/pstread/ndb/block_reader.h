// Reading blocks from the file ([MS-PST] 2.2.2.8): the trailer checks every
// block passes, then decoding extended and subnode blocks.
#pragma once

#include <cstdint>
#include <memory>

#include "pstread/ndb/block.h"
#include "pstread/ndb/database_file.h"
#include "pstread/ndb/subnode_block.h"
#include "pstread/ndb/types.h"

namespace pstread {

// Reads the block of a BBT entry and returns its `size` data bytes, not
// decoded. Checks, in this order: aligned size at most 8192 ("nonsensical
// block size"), within `file_eof` ("nonsensical block location; past eof"),
// trailer bid ("wrong block id"), trailer cb ("wrong block size") and
// signature (sig_mismatch "block sig mismatch"). Then the CRC of the data bytes
// (crc_fail "block crc mismatch").
template <typename Layout>
byte_buffer read_checked_block(const database_file& file, std::uint64_t file_eof,
                               const block_info& info);

// An XBLOCK or XXBLOCK from its data bytes. Rejects a btype other than 1
// (unexpected_block "extended block expected"), a cLevel other than 1 or 2,
// more child ids than the bytes hold and an lcbTotal above `data_bound`.
template <typename Layout>
std::shared_ptr<extended_block> decode_extended_block(std::shared_ptr<db_context> db,
                                                      const block_info& info,
                                                      const byte_buffer& data,
                                                      std::uint64_t data_bound);

// An SLBLOCK (cLevel 0) or SIBLOCK from its data bytes; btype is not
// examined. Rejects more entries than the bytes hold.
template <typename Layout>
std::shared_ptr<subnode_block> decode_subnode_block(std::shared_ptr<db_context> db,
                                                    const block_info& info,
                                                    const byte_buffer& data);

}  // namespace pstread
