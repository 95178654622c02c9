#include "support/block_writer.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "support/crc.h"
#include "support/le_bytes.h"

namespace pstbuild {
namespace {

void check_count(std::size_t count, std::size_t capacity, const char* what) {
    if (count > capacity) {
        throw std::length_error(std::string(what) + ": " + std::to_string(count) +
                                " entries exceed the capacity of " + std::to_string(capacity));
    }
}

std::vector<std::uint8_t> subnode_block_header(Variant variant, std::uint8_t cLevel,
                                               std::size_t count) {
    std::vector<std::uint8_t> out;
    out.push_back(kSubnodeBlockType);
    out.push_back(cLevel);
    append_le(out, count, 2);
    if (variant == Variant::unicode) {
        append_le(out, 0, 4);  // dwPadding
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> make_block(Variant variant, std::span<const std::uint8_t> stored_data,
                                     std::uint64_t bid, std::uint64_t ib) {
    const VariantTraits& t = traits(variant);
    if (stored_data.size() > t.max_block_data) {
        throw std::length_error("block of " + std::to_string(stored_data.size()) +
                                " bytes exceeds the maximum of " +
                                std::to_string(t.max_block_data));
    }
    std::vector<std::uint8_t> block(aligned_block_size(variant, stored_data.size()), 0);
    std::copy(stored_data.begin(), stored_data.end(), block.begin());
    const std::size_t trailer = block.size() - t.block_trailer_size;
    put_u16(block, trailer + t.trailer_cb, static_cast<std::uint16_t>(stored_data.size()));
    put_u16(block, trailer + t.trailer_wSig, compute_signature(bid, ib));
    put_le(block, trailer + t.trailer_bid, bid, t.id_size);
    put_u32(block, trailer + t.trailer_dwCRC, compute_crc(stored_data));
    return block;
}

void refresh_block_crc(std::span<std::uint8_t> block, Variant variant) {
    const VariantTraits& t = traits(variant);
    if (block.size() < t.block_trailer_size) {
        throw std::out_of_range("refresh_block_crc: buffer shorter than a block trailer");
    }
    const std::size_t trailer = block.size() - t.block_trailer_size;
    const std::size_t cb = get_u16(block, trailer + t.trailer_cb);
    if (cb > trailer) {
        throw std::out_of_range("refresh_block_crc: cb runs into the trailer");
    }
    put_u32(block, trailer + t.trailer_dwCRC, compute_crc(block.first(cb)));
}

std::size_t xblock_capacity(Variant variant) {
    const VariantTraits& t = traits(variant);
    return (t.max_block_data - t.xblock_header_size) / t.id_size;
}

std::size_t slblock_capacity(Variant variant) {
    const VariantTraits& t = traits(variant);
    return (t.max_block_data - t.subnode_header_size) / t.slentry_size;
}

std::size_t siblock_capacity(Variant variant) {
    const VariantTraits& t = traits(variant);
    return (t.max_block_data - t.subnode_header_size) / t.sientry_size;
}

std::vector<std::uint8_t> make_xblock_data(Variant variant, std::uint8_t cLevel,
                                           std::uint32_t lcbTotal,
                                           std::span<const std::uint64_t> bids) {
    const VariantTraits& t = traits(variant);
    check_count(bids.size(), xblock_capacity(variant), "XBLOCK");
    std::vector<std::uint8_t> out;
    out.push_back(kXBlockType);
    out.push_back(cLevel);
    append_le(out, bids.size(), 2);
    append_le(out, lcbTotal, 4);
    for (const std::uint64_t bid : bids) {
        append_le(out, bid, t.id_size);
    }
    return out;
}

std::vector<std::uint8_t> make_slblock_data(Variant variant, std::span<const SlEntry> entries) {
    const VariantTraits& t = traits(variant);
    check_count(entries.size(), slblock_capacity(variant), "SLBLOCK");
    std::vector<std::uint8_t> out = subnode_block_header(variant, 0, entries.size());
    for (const SlEntry& e : entries) {
        append_le(out, e.nid, t.id_size);
        append_le(out, e.bidData, t.id_size);
        append_le(out, e.bidSub, t.id_size);
    }
    return out;
}

std::vector<std::uint8_t> make_siblock_data(Variant variant, std::uint8_t cLevel,
                                            std::span<const SiEntry> entries) {
    const VariantTraits& t = traits(variant);
    check_count(entries.size(), siblock_capacity(variant), "SIBLOCK");
    std::vector<std::uint8_t> out = subnode_block_header(variant, cLevel, entries.size());
    for (const SiEntry& e : entries) {
        append_le(out, e.nid, t.id_size);
        append_le(out, e.bid, t.id_size);
    }
    return out;
}

}  // namespace pstbuild
