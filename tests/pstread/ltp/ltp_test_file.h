// Small in-memory PST files for the property and table layer tests: nodes
// made by the synthetic builder (or from hand-made bytes), opened with the
// reader.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pstread/ndb/database.h"
#include "support/ndb_builder.h"
#include "support/node_content.h"
#include "support/pst_format.h"

namespace ltptest {

using pstbuild::Variant;

inline constexpr std::uint32_t kTestNid = 0x200024;  // a normal message's NID

// Opens the file the builder holds.
inline pstread::shared_db_ptr open_built(pstbuild::NdbBuilder& builder) {
    std::vector<std::uint8_t> bytes = builder.build();
    return pstread::open_database(
        std::make_shared<pstread::database_file>(std::move(bytes), "built.pst"));
}

// A file with the given top-level nodes.
inline pstread::shared_db_ptr open_nodes(
    Variant variant, const std::vector<std::pair<std::uint32_t, pstbuild::NodeContent>>& nodes) {
    pstbuild::NdbBuilder builder({.variant = variant, .pad_to_amap_section = false});
    for (const auto& [nid, content] : nodes) {
        builder.add_node(nid, content.data, content.subnodes);
    }
    return open_built(builder);
}

// One node holding `content`, opened from a file of its own. The node keeps
// the database alive.
inline pstread::node open_node(Variant variant, const pstbuild::NodeContent& content,
                               std::uint32_t nid = kTestNid) {
    return open_nodes(variant, {{nid, content}})->lookup_node(nid);
}

// A node whose data is exactly `data` (one page per data block).
inline pstread::node open_bytes(Variant variant, const std::vector<std::uint8_t>& data,
                                std::vector<pstbuild::Subnode> subnodes = {}) {
    return open_node(variant, pstbuild::NodeContent{data, std::move(subnodes)});
}

inline std::size_t block_data_size(Variant variant) {
    return pstbuild::traits(variant).max_block_data;
}

inline void put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    put16(bytes, offset, static_cast<std::uint16_t>(value));
    put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint16_t get16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

// Both variants, for parameterised tests.
inline const Variant kVariants[] = {Variant::ansi, Variant::unicode};

inline const char* variant_name(Variant variant) {
    return variant == Variant::ansi ? "Ansi" : "Unicode";
}

}  // namespace ltptest
