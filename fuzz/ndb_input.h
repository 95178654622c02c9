// Fuzz input for the node database: opens the bytes as a PST file held in
// memory and reads everything reachable (every node's data by range and by
// page, every subnode tree, every block of the block B-tree), catching the
// reader's exceptions. The work per input is capped so that one input stays
// small in time and memory whatever the trees claim.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "pstread/ndb/database.h"

namespace ndb_fuzzing {

struct budget {
    std::size_t nodes = 2000;
    std::uint64_t bytes = 32u << 20;
    std::size_t blocks = 2000;

    bool spend_node() { return nodes > 0 && nodes-- > 0; }
};

inline void read_node(const pstread::node& n, budget& left) {
    std::array<std::uint8_t, 4096> chunk{};
    const std::uint64_t size = n.size();
    for (std::uint64_t offset = 0; offset < size && left.bytes > 0;) {
        const std::size_t got = n.read(chunk, offset);
        if (got == 0) {
            break;
        }
        offset += got;
        left.bytes -= std::min<std::uint64_t>(left.bytes, got);
    }
    if (size >= 4) {
        (void)n.read<std::uint32_t>(size - 4);
    }
    const std::size_t pages = n.get_page_count();
    for (std::size_t page = 0; page < pages && left.bytes > 0; ++page) {
        const std::size_t page_size = n.get_page_size(page);
        left.bytes -= std::min<std::uint64_t>(left.bytes, page_size);
        if (page_size >= 2) {
            (void)n.read<std::uint16_t>(page, 0);
        }
    }
}

inline void walk_subnodes(const pstread::node& parent, budget& left) {
    for (const pstread::subnode_info& info : parent.subnodes()) {
        if (!left.spend_node()) {
            return;
        }
        try {
            const pstread::node sub = parent.subnode(info);
            read_node(sub, left);
            (void)parent.lookup(info.id);
            walk_subnodes(sub, left);
        } catch (const std::exception&) {
            // A bad subnode does not stop the walk of its siblings.
        }
    }
}

inline void fuzz_ndb(const std::uint8_t* data, std::size_t size) {
    budget left;
    try {
        const auto db = pstread::open_database(std::make_shared<const pstread::database_file>(
            pstread::byte_buffer(data, data + size), "fuzz.pst"));
        for (const pstread::node_info& info : db->node_infos()) {
            if (!left.spend_node()) {
                break;
            }
            try {
                const pstread::node top = db->lookup_node(info.id);
                read_node(top, left);
                walk_subnodes(top, left);
            } catch (const std::exception&) {
                // Next node.
            }
        }
        for (const pstread::block_info& info : db->block_infos()) {
            if (left.blocks-- == 0) {
                break;
            }
            try {
                (void)db->read_block(db, info);
            } catch (const std::exception&) {
                // Next block.
            }
        }
    } catch (const std::exception&) {
        // Rejected as a whole: fine.
    }
}

}  // namespace ndb_fuzzing

inline void fuzz_ndb(const std::uint8_t* data, std::size_t size) {
    ndb_fuzzing::fuzz_ndb(data, size);
}
