#include "support/layout.h"

#include <sstream>
#include <stdexcept>

namespace pstbuild {
namespace {

std::string hex(std::uint64_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

}  // namespace

bool Placement::is_page() const {
    switch (kind) {
        case ItemKind::amap_page:
        case ItemKind::pmap_page:
        case ItemKind::nbt_page:
        case ItemKind::bbt_page:
            return true;
        default:
            return false;
    }
}

const Placement& Layout::block(std::uint64_t bid) const {
    for (const Placement& item : items) {
        if (item.is_block() && item.bid == bid) {
            return item;
        }
    }
    throw std::out_of_range("no block " + hex(bid) + " in the layout");
}

const Placement& Layout::page(std::uint64_t bid) const {
    for (const Placement& item : items) {
        if (item.is_page() && item.bid == bid) {
            return item;
        }
    }
    throw std::out_of_range("no page " + hex(bid) + " in the layout");
}

std::vector<Placement> Layout::items_of(ItemKind kind) const {
    std::vector<Placement> out;
    for (const Placement& item : items) {
        if (item.kind == kind) {
            out.push_back(item);
        }
    }
    return out;
}

const NbtEntry& Layout::node(std::uint32_t nid) const {
    for (const NbtEntry& entry : nodes) {
        if (entry.nid == nid) {
            return entry;
        }
    }
    throw std::out_of_range("no node " + hex(nid) + " in the layout");
}

const Placement& Layout::data_block_at(std::uint32_t nid, std::uint64_t offset,
                                       std::uint32_t subnode) const {
    for (const Placement& item : items) {
        if (item.kind == ItemKind::data_block && item.node == nid && item.subnode == subnode &&
            offset >= item.data_offset && offset - item.data_offset < item.cb) {
            return item;
        }
    }
    throw std::out_of_range("no data block holds byte " + hex(offset) + " of node " + hex(nid) +
                            (subnode != 0 ? " subnode " + hex(subnode) : std::string()));
}

std::uint64_t Layout::trailer_offset(const Placement& item) const {
    const VariantTraits& t = traits(variant);
    if (item.is_page()) {
        return item.offset + t.page_trailer;
    }
    return item.offset + item.size - t.block_trailer_size;
}

}  // namespace pstbuild
