// What a node holds: a byte stream and a tree of subnodes, each of which is
// again a stream with subnodes of its own ([MS-PST] 2.2.2.8.3.3).
#pragma once

#include <cstdint>
#include <vector>

namespace pstbuild {

struct Subnode {
    std::uint32_t nid = 0;  // unique among its siblings only
    std::vector<std::uint8_t> data;
    std::vector<Subnode> children;
};

// The data and subnodes of one node, as the LTP builders produce them.
struct NodeContent {
    std::vector<std::uint8_t> data;
    std::vector<Subnode> subnodes;
};

// NID types used by the builders ([MS-PST] 2.2.2.1).
inline constexpr std::uint32_t kNidTypeHid = 0x00;
inline constexpr std::uint32_t kNidTypeLtp = 0x1F;

constexpr std::uint32_t make_nid(std::uint32_t nid_type, std::uint32_t nid_index) {
    return (nid_index << 5) | (nid_type & 0x1F);
}

}  // namespace pstbuild
