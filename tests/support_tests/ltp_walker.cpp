#include "ltp_walker.h"

#include <sstream>
#include <string>

#include "heap_reader.h"
#include "support/le_bytes.h"
#include "support/property_value.h"

namespace walk {

using namespace pstbuild;

namespace {

std::string hex(std::uint64_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

void require(bool condition, const std::string& message) {
    if (!condition) {
        throw WalkError(message);
    }
}

NodeData assemble(const NdbWalker& walker, std::uint32_t nid, std::uint64_t bid_data,
                  std::uint64_t bid_sub) {
    NodeData node;
    node.nid = nid;
    node.data = walker.stream(bid_data);
    for (const SubnodeEntry& entry : walker.subnodes(bid_sub)) {
        node.subnodes[entry.nid] = entry;
    }
    return node;
}

heapread::Heap heap_of(const NdbWalker& walker, const NodeData& node, std::uint8_t client) {
    try {
        heapread::Heap heap = heapread::parse_heap(node.data, walker.variant());
        require(
            heap.client_signature() == client,
            "node " + hex(node.nid) + ": heap client signature " + hex(heap.client_signature()));
        return heap;
    } catch (const std::runtime_error& e) {
        throw WalkError("node " + hex(node.nid) + ": " + e.what());
    }
}

// The bytes an HNID names: a heap item, or the data of a subnode.
std::vector<std::uint8_t> resolve(const NdbWalker& walker, const heapread::Heap& heap,
                                  const NodeData& node, std::uint32_t hnid) {
    if (hnid == 0) {
        return {};
    }
    if ((hnid & 0x1F) == 0) {
        try {
            return heap.item(hnid);
        } catch (const std::runtime_error& e) {
            throw WalkError("node " + hex(node.nid) + ": HID " + hex(hnid) + ": " + e.what());
        }
    }
    const auto found = node.subnodes.find(hnid);
    require(found != node.subnodes.end(),
            "node " + hex(node.nid) + ": no subnode " + hex(hnid) + " for a value");
    return walker.stream(found->second.bidData);
}

bool inline_in_pc(std::uint16_t type) {
    const std::size_t size = fixed_value_size(type);
    return size != 0 && size <= 4;
}

bool inline_in_tc(std::uint16_t type) {
    const std::size_t size = fixed_value_size(type);
    return size != 0 && size <= 8;
}

}  // namespace

NodeData load_node(const NdbWalker& walker, std::uint32_t nid) {
    const auto found = walker.nodes().find(nid);
    require(found != walker.nodes().end(), "node " + hex(nid) + " not in the NBT");
    return assemble(walker, nid, found->second.bidData, found->second.bidSub);
}

NodeData load_subnode(const NdbWalker& walker, const NodeData& parent, std::uint32_t nid) {
    const auto found = parent.subnodes.find(nid);
    require(found != parent.subnodes.end(),
            "node " + hex(parent.nid) + " has no subnode " + hex(nid));
    return assemble(walker, nid, found->second.bidData, found->second.bidSub);
}

PropertyMap read_property_context(const NdbWalker& walker, const NodeData& node) {
    const heapread::Heap heap = heap_of(walker, node, 0xBC);
    heapread::Bth bth;
    try {
        bth = heapread::read_bth(heap, heap.root());
    } catch (const std::runtime_error& e) {
        throw WalkError("node " + hex(node.nid) + ": " + e.what());
    }
    require(bth.cbKey == 2 && bth.cbEnt == 6, "node " + hex(node.nid) + ": not a PC BTH");
    PropertyMap out;
    for (const auto& [key, record] : bth.records) {
        Property p;
        p.type = get_u16(record, 0);
        const std::uint32_t value = get_u32(record, 2);
        if (inline_in_pc(p.type)) {
            append_le(p.bytes, value, fixed_value_size(p.type));
        } else {
            p.bytes = resolve(walker, heap, node, value);
            const std::size_t size = fixed_value_size(p.type);
            require(size == 0 || p.bytes.size() == size,
                    "node " + hex(node.nid) + ": property " + hex(key) + " has " +
                        std::to_string(p.bytes.size()) + " bytes");
        }
        out[static_cast<std::uint16_t>(key)] = std::move(p);
    }
    return out;
}

Table read_table_context(const NdbWalker& walker, const NodeData& node) {
    const heapread::Heap heap = heap_of(walker, node, 0x7C);
    const std::string where = "table " + hex(node.nid);
    std::vector<std::uint8_t> info;
    try {
        info = heap.item(heap.root());
    } catch (const std::runtime_error& e) {
        throw WalkError(where + ": TCINFO: " + e.what());
    }
    require(info.size() >= 22 && info[0] == 0x7C, where + ": not a TCINFO");
    const std::size_t column_count = info[1];
    require(info.size() == 22 + 8 * column_count, where + ": TCINFO size");
    const std::size_t end_1b = get_u16(info, 6);
    const std::size_t row_size = get_u16(info, 8);
    const std::uint32_t hid_row_index = get_u32(info, 10);
    const std::uint32_t hnid_rows = get_u32(info, 14);

    Table table;
    for (std::size_t i = 0; i < column_count; ++i) {
        const std::size_t at = 22 + 8 * i;
        const Column c{get_u32(info, at), get_u16(info, at + 4), info[at + 6], info[at + 7]};
        require(c.ibData + c.cbData <= end_1b && c.iBit / 8 < row_size - end_1b,
                where + ": column " + hex(c.tag) + " outside the row");
        require(table.columns.empty() || table.columns.back().tag < c.tag,
                where + ": columns not sorted by tag");
        table.columns.push_back(c);
    }

    heapread::Bth index;
    try {
        index = heapread::read_bth(heap, hid_row_index);
    } catch (const std::runtime_error& e) {
        throw WalkError(where + ": row index: " + e.what());
    }
    require(index.cbKey == 4 && index.cbEnt == traits(walker.variant()).tc_row_index_value_size,
            where + ": row index record size");
    for (const auto& [key, value] : index.records) {
        table.row_index[static_cast<std::uint32_t>(key)] =
            static_cast<std::uint32_t>(get_le(value, 0, value.size()));
    }

    const std::vector<std::uint8_t> matrix = resolve(walker, heap, node, hnid_rows);
    const bool in_subnode = (hnid_rows & 0x1F) != 0;
    const std::size_t block = traits(walker.variant()).max_block_data;
    require(row_size > 0 && row_size <= block, where + ": row size");
    const std::size_t per_block = in_subnode ? block / row_size : matrix.size() / row_size + 1;
    const std::size_t rows = table.row_index.size();
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t at =
            in_subnode ? (r / per_block) * block + (r % per_block) * row_size : r * row_size;
        require(at + row_size <= matrix.size(),
                where + ": row " + std::to_string(r) + " outside the matrix");
        const std::span<const std::uint8_t> row(matrix.data() + at, row_size);
        PropertyMap cells;
        for (const Column& c : table.columns) {
            if ((row[end_1b + c.iBit / 8] & (0x80 >> (c.iBit % 8))) == 0) {
                continue;
            }
            Property p;
            p.type = static_cast<std::uint16_t>(c.tag);
            const std::uint64_t cell = get_le(row, c.ibData, c.cbData);
            if (inline_in_tc(p.type)) {
                require(c.cbData == fixed_value_size(p.type),
                        where + ": column " + hex(c.tag) + " width");
                append_le(p.bytes, cell, c.cbData);
            } else {
                require(c.cbData == 4, where + ": HNID column " + hex(c.tag) + " width");
                p.bytes = resolve(walker, heap, node, static_cast<std::uint32_t>(cell));
            }
            cells[static_cast<std::uint16_t>(c.tag >> 16)] = std::move(p);
        }
        const auto id = cells.find(0x67F2);
        require(id != cells.end(), where + ": row " + std::to_string(r) + " without a row id");
        const std::uint32_t row_id = get_u32(id->second.bytes, 0);
        const auto indexed = table.row_index.find(row_id);
        require(indexed != table.row_index.end() && indexed->second == r,
                where + ": row " + std::to_string(r) + " (id " + hex(row_id) +
                    ") disagrees with the row index");
        table.row_ids.push_back(row_id);
        table.rows.push_back(std::move(cells));
    }
    return table;
}

}  // namespace walk
