// The node and block B-trees ([MS-PST] 2.2.2.7.7): leaf pages over the
// sorted entries, then index levels until one root page remains.
#pragma once

#include <cstddef>
#include <vector>

#include "support/block_store.h"
#include "support/header_writer.h"
#include "support/page_writer.h"

namespace pstbuild {

// Writes the tree and returns the BREF of its root page. `max_entries`
// limits the entries per page (0: as many as fit; else at least 2), which
// lets a test get several levels out of few entries. An empty tree is one
// leaf page without entries. Entries must be sorted by key.
Bref write_nbt(BlockStore& store, const std::vector<NbtEntry>& sorted, std::size_t max_entries);
Bref write_bbt(BlockStore& store, const std::vector<BbtEntry>& sorted, std::size_t max_entries);

}  // namespace pstbuild
