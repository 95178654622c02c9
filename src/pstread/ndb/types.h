// Identifier and record types shared by every part of the PST reader.
#pragma once

#include <cstdint>
#include <vector>

namespace pstread {

// A NID ([MS-PST] 2.2.2.1). Its low 5 bits are the node type.
using node_id = std::uint32_t;

// A BID ([MS-PST] 2.2.2.2), held in 64 bits for both variants; ANSI ids are
// zero-extended. The value 2 marks an internal block (XBLOCK, XXBLOCK,
// SLBLOCK, SIBLOCK); the value 1 is a reference-count marker and is ignored
// when a block is looked up.
using block_id = std::uint64_t;

using byte_buffer = std::vector<std::uint8_t>;

constexpr block_id block_id_internal_bit = 2;
constexpr block_id block_id_ignored_bit = 1;

constexpr bool is_internal_block_id(block_id bid) {
    return (bid & block_id_internal_bit) != 0;
}

// The type of a node, the low 5 bits of its id.
constexpr unsigned node_type_of(node_id nid) {
    return nid & 0x1Fu;
}

// A BREF ([MS-PST] 2.2.2.4): where a page or block lies.
struct block_reference {
    block_id bid = 0;
    std::uint64_t ib = 0;

    friend bool operator==(const block_reference&, const block_reference&) = default;
};

// A leaf entry of the block B-tree ([MS-PST] 2.2.2.7.7.3 BBTENTRY). The
// all-zero value stands for "no block".
struct block_info {
    block_id id = 0;
    std::uint64_t address = 0;
    std::uint16_t size = 0;  // data bytes, without trailer and padding
    std::uint16_t ref_count = 0;

    friend bool operator==(const block_info&, const block_info&) = default;
};

// A leaf entry of the node B-tree ([MS-PST] 2.2.2.7.7.4 NBTENTRY).
struct node_info {
    node_id id = 0;
    block_id data_bid = 0;
    block_id subnode_bid = 0;
    node_id parent_id = 0;

    friend bool operator==(const node_info&, const node_info&) = default;
};

// A leaf entry of a subnode tree ([MS-PST] 2.2.2.8.3.3.1.1 SLENTRY).
struct subnode_info {
    node_id id = 0;
    block_id data_bid = 0;
    block_id subnode_bid = 0;

    friend bool operator==(const subnode_info&, const subnode_info&) = default;
};

// bCryptMethod of the header ([MS-PST] 2.2.2.6): how the data of external
// blocks is encoded. Unknown values are read as none.
enum class crypt_method : std::uint8_t {
    none = 0,
    permute = 1,  // NDB_CRYPT_PERMUTE
    cyclic = 2,   // NDB_CRYPT_CYCLIC
};

}  // namespace pstread
