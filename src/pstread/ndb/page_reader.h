// Reading B-tree pages from the file ([MS-PST] 2.2.2.7): the checks every
// page passes, then decoding into leaf or non-leaf page objects.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "pstread/ndb/database_file.h"
#include "pstread/ndb/disk_layout.h"
#include "pstread/ndb/page.h"

namespace pstread {

// The 512 bytes of a page that passed the checks common to all pages.
struct checked_page {
    block_reference ref;
    std::array<std::uint8_t, page_size> bytes{};
    std::uint8_t ptype = 0;
    unsigned level = 0;  // cLevel
};

// Reads the page at `ref` and checks, in this order, that it lies within
// `file_eof` ("nonsensical page location; past eof"), that it is sector
// aligned ("... not sector aligned"), its trailer bid ("wrong page id"), that
// ptype equals ptypeRepeat ("ptype != ptype repeat?") and its signature
// (sig_mismatch "page sig mismatch"). The page CRC is not checked.
template <typename Layout>
checked_page read_checked_page(const database_file& file, std::uint64_t file_eof,
                               const block_reference& ref);

// Decode the entries of a checked page (leaf when cLevel is 0). A cEnt
// larger than the entries that fit is rejected before decoding. The page
// types are not checked here.
template <typename Layout>
std::shared_ptr<nbt_page> decode_nbt_page(const checked_page& page, std::weak_ptr<db_context> db);
template <typename Layout>
std::shared_ptr<bbt_page> decode_bbt_page(const checked_page& page, std::weak_ptr<db_context> db);

}  // namespace pstread
