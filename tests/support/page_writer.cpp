#include "support/page_writer.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "support/crc.h"
#include "support/le_bytes.h"

namespace pstbuild {
namespace {

bool is_signed_page(PageType type) {
    return type == PageType::bbt || type == PageType::nbt || type == PageType::dlist;
}

void write_btpage_counts(Page& page, Variant variant, std::size_t count, std::size_t entry_size,
                         std::uint8_t cLevel) {
    const VariantTraits& t = traits(variant);
    const std::size_t capacity = page_capacity(variant, entry_size);
    if (count > capacity) {
        throw std::length_error("B-tree page: " + std::to_string(count) +
                                " entries exceed the capacity of " + std::to_string(capacity));
    }
    page[t.page_cEnt] = static_cast<std::uint8_t>(count);
    page[t.page_cEntMax] = static_cast<std::uint8_t>(capacity);
    page[t.page_cbEnt] = static_cast<std::uint8_t>(entry_size);
    page[t.page_cLevel] = cLevel;
}

}  // namespace

std::size_t page_capacity(Variant variant, std::size_t entry_size) {
    return traits(variant).page_entries_size / entry_size;
}

Page make_nonleaf_page(Variant variant, PageType type, std::uint8_t cLevel,
                       std::span<const BtEntry> entries, std::uint64_t bid, std::uint64_t ib) {
    const VariantTraits& t = traits(variant);
    Page page{};
    write_btpage_counts(page, variant, entries.size(), t.btentry_size, cLevel);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = i * t.btentry_size;
        put_le(page, at, entries[i].btkey, t.id_size);
        put_le(page, at + t.id_size, entries[i].bid, t.id_size);
        put_le(page, at + 2 * t.id_size, entries[i].ib, t.id_size);
    }
    write_page_trailer(page, variant, type, bid, ib);
    return page;
}

Page make_bbt_leaf_page(Variant variant, std::span<const BbtEntry> entries, std::uint64_t bid,
                        std::uint64_t ib) {
    const VariantTraits& t = traits(variant);
    Page page{};
    write_btpage_counts(page, variant, entries.size(), t.bbtentry_size, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = i * t.bbtentry_size;
        put_le(page, at, entries[i].bid, t.id_size);
        put_le(page, at + t.id_size, entries[i].ib, t.id_size);
        put_u16(page, at + 2 * t.id_size, entries[i].cb);
        put_u16(page, at + 2 * t.id_size + 2, entries[i].cRef);
    }
    write_page_trailer(page, variant, PageType::bbt, bid, ib);
    return page;
}

Page make_nbt_leaf_page(Variant variant, std::span<const NbtEntry> entries, std::uint64_t bid,
                        std::uint64_t ib) {
    const VariantTraits& t = traits(variant);
    Page page{};
    write_btpage_counts(page, variant, entries.size(), t.nbtentry_size, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = i * t.nbtentry_size;
        // The NID is 4 bytes, zero-extended to the id width in Unicode files.
        put_le(page, at, entries[i].nid, t.id_size);
        put_le(page, at + t.id_size, entries[i].bidData, t.id_size);
        put_le(page, at + 2 * t.id_size, entries[i].bidSub, t.id_size);
        put_u32(page, at + 3 * t.id_size, entries[i].nidParent);
    }
    write_page_trailer(page, variant, PageType::nbt, bid, ib);
    return page;
}

Page make_map_page(Variant variant, PageType type, std::span<const std::uint8_t, kMapBitsSize> bits,
                   std::uint64_t ib) {
    const VariantTraits& t = traits(variant);
    Page page{};
    std::copy(bits.begin(), bits.end(), page.begin() + t.map_bits_offset);
    write_page_trailer(page, variant, type, ib, ib);
    return page;
}

void write_page_trailer(std::span<std::uint8_t, kPageSize> page, Variant variant, PageType type,
                        std::uint64_t bid, std::uint64_t ib) {
    const VariantTraits& t = traits(variant);
    page[t.page_ptype] = static_cast<std::uint8_t>(type);
    page[t.page_ptypeRepeat] = static_cast<std::uint8_t>(type);
    put_u16(page, t.page_wSig, is_signed_page(type) ? compute_signature(bid, ib) : 0);
    put_le(page, t.page_bid, bid, t.id_size);
    refresh_page_crc(page, variant);
}

void refresh_page_crc(std::span<std::uint8_t, kPageSize> page, Variant variant) {
    const VariantTraits& t = traits(variant);
    const std::span<const std::uint8_t> data(page.data(), t.page_crc_length);
    put_u32(page, t.page_dwCRC, compute_crc(data));
}

}  // namespace pstbuild
