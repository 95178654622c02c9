// A strict, test-only reader of property and table contexts on top of the
// node database walker: it resolves HNIDs to heap items or subnodes and
// returns every property of a context and every cell of a table. Like the
// walker it shares no code with the product's reader; anything unexpected
// throws walk::WalkError.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "ndb_walker.h"

namespace walk {

// A node's (or subnode's) data and its subnodes, with theirs loaded on
// demand.
struct NodeData {
    std::uint32_t nid = 0;
    std::vector<std::uint8_t> data;
    std::map<std::uint32_t, SubnodeEntry> subnodes;
};

NodeData load_node(const NdbWalker& walker, std::uint32_t nid);
NodeData load_subnode(const NdbWalker& walker, const NodeData& parent, std::uint32_t nid);

// One stored property: its type and the bytes of its value (inline values at
// their natural width; a PT_OBJECT value is its 8-byte heap item).
struct Property {
    std::uint16_t type = 0;
    std::vector<std::uint8_t> bytes;
};
using PropertyMap = std::map<std::uint16_t, Property>;

// Every property of a property context.
PropertyMap read_property_context(const NdbWalker& walker, const NodeData& node);

struct Column {
    std::uint32_t tag = 0;
    std::uint16_t ibData = 0;
    std::uint8_t cbData = 0;
    std::uint8_t iBit = 0;
};

struct Table {
    std::vector<Column> columns;
    std::vector<std::uint32_t> row_ids;  // in row matrix order
    std::vector<PropertyMap> rows;       // present cells only (row id and version included)
    std::map<std::uint32_t, std::uint32_t> row_index;  // row id -> row number
};

// Every row of a table context; checks that the row index and the matrix
// agree.
Table read_table_context(const NdbWalker& walker, const NodeData& node);

}  // namespace walk
