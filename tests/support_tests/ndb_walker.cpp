#include "ndb_walker.h"

#include <sstream>

#include "support/block_encoding.h"
#include "support/crc.h"
#include "support/le_bytes.h"

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

constexpr unsigned kMaxDepth = 16;

}  // namespace

NdbWalker::NdbWalker(std::span<const std::uint8_t> file, bool check_blocks) : file_(file) {
    read_header();
    walk_page(nbt_root_, PageType::nbt, -1, 0, nbt_shape_, 0);
    walk_page(bbt_root_, PageType::bbt, -1, 0, bbt_shape_, 0);
    if (check_blocks) {
        for (const auto& [bid, entry] : blocks_) {
            check_block(entry);
        }
    }
}

std::span<const std::uint8_t> NdbWalker::range(std::uint64_t offset, std::uint64_t size,
                                               const std::string& what) const {
    require(offset <= eof_ && size <= eof_ - offset, what + " at " + hex(offset) + " passes EOF");
    require(offset <= file_.size() && size <= file_.size() - offset,
            what + " at " + hex(offset) + " passes the end of the file");
    return file_.subspan(offset, size);
}

void NdbWalker::read_header() {
    require(file_.size() >= 512, "file shorter than a header");
    const std::uint16_t wVer = get_u16(file_, 10);
    variant_ = wVer >= 20 ? Variant::unicode : Variant::ansi;
    const HeaderLayout& at = header_layout(variant_);
    require(file_.size() >= traits(variant_).header_size, "file shorter than its header");
    require(get_u32(file_, at.dwCRCPartial) ==
                compute_crc(file_.subspan(at.crc_start, at.crc_partial_length)),
            "dwCRCPartial");
    if (variant_ == Variant::unicode) {
        require(get_u32(file_, at.dwCRCFull) ==
                    compute_crc(file_.subspan(at.crc_start, at.crc_full_length)),
                "dwCRCFull");
    }
    const std::size_t w = traits(variant_).id_size;
    eof_ = get_le(file_, at.ibFileEof, w);
    nbt_root_ = Bref{get_le(file_, at.BREFNBT_bid, w), get_le(file_, at.BREFNBT_ib, w)};
    bbt_root_ = Bref{get_le(file_, at.BREFBBT_bid, w), get_le(file_, at.BREFBBT_ib, w)};
    encoding_ = static_cast<Encoding>(file_[at.bCryptMethod]);
}

void NdbWalker::walk_page(const Bref& ref, PageType type, int level, std::uint64_t min_key,
                          TreeShape& shape, unsigned depth) {
    require(depth < kMaxDepth, "B-tree deeper than " + std::to_string(kMaxDepth));
    require(ref.ib % kPageSize == 0, "page " + hex(ref.bid) + " not 512-aligned");
    const std::span<const std::uint8_t> page = range(ref.ib, kPageSize, "page");
    const VariantTraits& t = traits(variant_);
    const std::string name = "page " + hex(ref.bid) + " at " + hex(ref.ib);
    require(page[t.page_ptype] == static_cast<std::uint8_t>(type), name + ": ptype");
    require(page[t.page_ptypeRepeat] == page[t.page_ptype], name + ": ptypeRepeat");
    require(get_u16(page, t.page_wSig) == compute_signature(ref.bid, ref.ib), name + ": wSig");
    require(get_le(page, t.page_bid, t.id_size) == ref.bid, name + ": bid");
    require(get_u32(page, t.page_dwCRC) == compute_crc(page.first(t.page_crc_length)),
            name + ": dwCRC");
    const unsigned cLevel = page[t.page_cLevel];
    require(level < 0 || static_cast<int>(cLevel) == level, name + ": cLevel");
    const std::size_t entry_size = cLevel > 0              ? t.btentry_size
                                   : type == PageType::nbt ? t.nbtentry_size
                                                           : t.bbtentry_size;
    const std::size_t cEnt = page[t.page_cEnt];
    require(page[t.page_cbEnt] == entry_size, name + ": cbEnt");
    require(page[t.page_cEntMax] == t.page_entries_size / entry_size, name + ": cEntMax");
    require(cEnt <= page[t.page_cEntMax], name + ": cEnt");
    if (depth == 0) {
        shape.height = cLevel + 1;
    }
    ++shape.pages;
    const std::size_t w = t.id_size;
    std::uint64_t previous_key = 0;
    for (std::size_t i = 0; i < cEnt; ++i) {
        const std::span<const std::uint8_t> e = page.subspan(i * entry_size, entry_size);
        const std::uint64_t key = get_le(e, 0, w);
        require(key >= min_key && (i == 0 || key > previous_key), name + ": key order");
        previous_key = key;
        if (cLevel > 0) {
            walk_page(Bref{get_le(e, w, w), get_le(e, 2 * w, w)}, type,
                      static_cast<int>(cLevel) - 1, key, shape, depth + 1);
        } else if (type == PageType::nbt) {
            const auto nid = static_cast<std::uint32_t>(key);
            require(key == nid, name + ": NID wider than 32 bits");
            nodes_[nid] = NbtEntry{nid, get_le(e, w, w), get_le(e, 2 * w, w), get_u32(e, 3 * w)};
        } else {
            blocks_[key] = BbtEntry{key, get_le(e, w, w), get_u16(e, 2 * w), get_u16(e, 2 * w + 2)};
        }
    }
}

void NdbWalker::check_block(const BbtEntry& entry) const {
    const VariantTraits& t = traits(variant_);
    const std::string name = "block " + hex(entry.bid) + " at " + hex(entry.ib);
    require(entry.ib % kBlockAlignment == 0, name + ": not 64-aligned");
    const std::size_t size = aligned_block_size(variant_, entry.cb);
    require(size <= kMaxBlockSize, name + ": larger than 8192 bytes");
    const std::span<const std::uint8_t> block = range(entry.ib, size, name);
    const std::size_t trailer = size - t.block_trailer_size;
    require(get_u16(block, trailer + t.trailer_cb) == entry.cb, name + ": trailer cb");
    require(get_u16(block, trailer + t.trailer_wSig) == compute_signature(entry.bid, entry.ib),
            name + ": wSig");
    require(get_le(block, trailer + t.trailer_bid, t.id_size) == entry.bid, name + ": trailer bid");
    require(get_u32(block, trailer + t.trailer_dwCRC) == compute_crc(block.first(entry.cb)),
            name + ": dwCRC");
}

std::vector<std::uint8_t> NdbWalker::block_data(std::uint64_t bid) const {
    const auto found = blocks_.find(bid & ~std::uint64_t{1});
    require(found != blocks_.end(), "block " + hex(bid) + " not in the BBT");
    check_block(found->second);
    const std::span<const std::uint8_t> stored = file_.subspan(found->second.ib, found->second.cb);
    std::vector<std::uint8_t> data(stored.begin(), stored.end());
    if (!is_internal_bid(bid)) {
        decode_block_data(data, encoding_, bid);
    }
    return data;
}

std::vector<std::uint8_t> NdbWalker::stream(std::uint64_t bid, bool strict) const {
    if (bid == 0) {
        return {};
    }
    std::vector<std::uint8_t> data = block_data(bid);
    if (!is_internal_bid(bid)) {
        return data;
    }
    require(data.size() >= 8 && data[0] == kXBlockType, "block " + hex(bid) + ": not an XBLOCK");
    const unsigned level = data[1];
    const std::size_t count = get_u16(data, 2);
    const std::uint32_t total = get_u32(data, 4);
    const std::size_t w = traits(variant_).id_size;
    require(level == 1 || level == 2, "block " + hex(bid) + ": XBLOCK level");
    require(8 + count * w <= data.size(), "block " + hex(bid) + ": cEnt");
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = get_le(data, 8 + i * w, w);
        require(is_internal_bid(child) == (level == 2), "block " + hex(bid) + ": child kind");
        const std::vector<std::uint8_t> part = stream(child, strict);
        if (strict && i + 1 < count && level == 1) {
            require(part.size() == traits(variant_).max_block_data,
                    "block " + hex(bid) + ": a child before the last is not full");
        }
        out.insert(out.end(), part.begin(), part.end());
    }
    require(out.size() == total, "block " + hex(bid) + ": lcbTotal");
    return out;
}

std::vector<std::uint8_t> NdbWalker::node_data(std::uint32_t nid) const {
    const auto found = nodes_.find(nid);
    require(found != nodes_.end(), "node " + hex(nid) + " not in the NBT");
    return stream(found->second.bidData);
}

std::vector<SubnodeEntry> NdbWalker::subnodes(std::uint64_t bid) const {
    std::vector<SubnodeEntry> out;
    if (bid == 0) {
        return out;
    }
    const std::vector<std::uint8_t> data = block_data(bid);
    const VariantTraits& t = traits(variant_);
    require(is_internal_bid(bid) && data.size() >= t.subnode_header_size &&
                data[0] == kSubnodeBlockType,
            "block " + hex(bid) + ": not a subnode block");
    const unsigned level = data[1];
    const std::size_t count = get_u16(data, 2);
    const std::size_t w = t.id_size;
    const std::size_t entry_size = level == 0 ? t.slentry_size : t.sientry_size;
    require(count > 0 && t.subnode_header_size + count * entry_size <= data.size(),
            "block " + hex(bid) + ": cEnt");
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = t.subnode_header_size + i * entry_size;
        const auto nid = static_cast<std::uint32_t>(get_le(data, at, w));
        if (level == 0) {
            out.push_back(SubnodeEntry{nid, get_le(data, at + w, w), get_le(data, at + 2 * w, w)});
        } else {
            const std::vector<SubnodeEntry> below = subnodes(get_le(data, at + w, w));
            require(!below.empty() && below.front().nid == nid,
                    "block " + hex(bid) + ": SIENTRY key is not its child's first nid");
            out.insert(out.end(), below.begin(), below.end());
        }
    }
    for (std::size_t i = 1; i < out.size(); ++i) {
        require(out[i - 1].nid < out[i].nid, "block " + hex(bid) + ": subnode order");
    }
    return out;
}

unsigned NdbWalker::subnode_height(std::uint64_t bid) const {
    const std::vector<std::uint8_t> data = block_data(bid);
    return data.at(1) + 1u;
}

}  // namespace walk
