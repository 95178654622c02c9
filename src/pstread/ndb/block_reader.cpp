#include "pstread/ndb/block_reader.h"

#include <string>
#include <vector>

#include "pstread/ndb/crc.h"
#include "pstread/ndb/disk_layout.h"
#include "pstread/ndb/entry_count.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/signature.h"
#include "pstread/ndb/truncation.h"

namespace pstread {
namespace {

std::string describe(const char* what, const block_info& info) {
    return std::string(what) + " " + to_hex(info.id) + " at " + to_hex(info.address);
}

}  // namespace

template <typename Layout>
byte_buffer read_checked_block(const database_file& file, std::uint64_t file_eof,
                               const block_info& info) {
    using T = typename Layout::block_trailer;
    const std::size_t unaligned = std::size_t{info.size} + T::size;
    const std::size_t aligned =
        (unaligned + block_alignment - 1) / block_alignment * block_alignment;
    if (aligned > max_block_disk_size) {
        throw unexpected_block("nonsensical block size");
    }
    if (!range_fits(info.address, aligned, file_eof)) {
        throw unexpected_block("nonsensical block location; past eof");
    }
    require_inside_file(file, file_eof, "block", info.id, info.address, aligned);
    byte_buffer bytes(aligned);
    file.read(bytes, info.address);
    const std::size_t trailer = aligned - T::size;
    if (load_field(bytes, T::bid, trailer) != info.id) {
        throw unexpected_block("wrong block id");
    }
    if (load_field(bytes, T::cb, trailer) != info.size) {
        throw unexpected_block("wrong block size");
    }
    const std::uint16_t computed = compute_signature(info.id, info.address);
    const auto stored = static_cast<std::uint16_t>(load_field(bytes, T::wSig, trailer));
    if (computed != stored) {
        throw sig_mismatch("block sig mismatch", info.address, info.id, computed, stored);
    }
    const auto stored_crc = static_cast<std::uint32_t>(load_field(bytes, T::dwCRC, trailer));
    bytes.resize(info.size);  // padding and trailer are of no further use
    // The data's own checksum: bytes damaged inside a block whose trailer
    // survived would otherwise pass as the item's content.
    const std::uint32_t crc = compute_crc(bytes);
    if (crc != stored_crc) {
        throw crc_fail("block crc mismatch: block " + to_hex(info.id) + " at " +
                           to_hex(info.address) + " is damaged",
                       info.address, info.id, crc, stored_crc);
    }
    return bytes;
}

template <typename Layout>
std::shared_ptr<extended_block> decode_extended_block(std::shared_ptr<db_context> db,
                                                      const block_info& info,
                                                      const byte_buffer& data,
                                                      std::uint64_t data_bound) {
    using X = typename Layout::xblock;
    const std::string self = describe("extended block", info);
    if (data.size() < X::rgbid) {
        throw database_corrupt(self + " has only " + std::to_string(data.size()) + " bytes");
    }
    if (load_field(data, X::btype) != block_type_extended) {
        throw unexpected_block("extended block expected");
    }
    const auto level = static_cast<unsigned>(load_field(data, X::cLevel));
    if (level != 1 && level != 2) {
        throw database_corrupt(self + " has cLevel " + std::to_string(level));
    }
    const auto count = static_cast<std::size_t>(load_field(data, X::cEnt));
    check_entry_count(self, count, Layout::id_size, X::rgbid, data.size());
    const std::uint64_t total = load_field(data, X::lcbTotal);
    if (total > data_bound) {
        throw database_corrupt(self + " claims " + std::to_string(total) +
                               " bytes, more than the file's " + std::to_string(data_bound));
    }
    std::vector<block_id> children;
    children.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        children.push_back(load_le(data, X::rgbid + i * Layout::id_size, Layout::id_size));
    }
    return std::make_shared<extended_block>(std::move(db), info, level, total, std::move(children));
}

template <typename Layout>
std::shared_ptr<subnode_block> decode_subnode_block(std::shared_ptr<db_context> db,
                                                    const block_info& info,
                                                    const byte_buffer& data) {
    using S = typename Layout::sblock;
    const std::string self = describe("subnode block", info);
    if (data.size() < S::rgentries) {
        throw database_corrupt(self + " has only " + std::to_string(data.size()) + " bytes");
    }
    const auto level = static_cast<unsigned>(load_field(data, S::cLevel));
    const auto count = static_cast<std::size_t>(load_field(data, S::cEnt));
    if (level == 0) {
        using E = typename Layout::slentry;
        check_entry_count(self, count, E::size, S::rgentries, data.size());
        std::vector<subnode_info> entries;
        entries.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t base = S::rgentries + i * E::size;
            entries.push_back({static_cast<node_id>(load_field(data, E::nid, base)),
                               load_field(data, E::bidData, base),
                               load_field(data, E::bidSub, base)});
        }
        return std::make_shared<subnode_leaf_block>(std::move(db), info, std::move(entries));
    }
    using E = typename Layout::sientry;
    check_entry_count(self, count, E::size, S::rgentries, data.size());
    std::vector<subnode_nonleaf_block::entry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t base = S::rgentries + i * E::size;
        entries.push_back(
            {static_cast<node_id>(load_field(data, E::nid, base)), load_field(data, E::bid, base)});
    }
    return std::make_shared<subnode_nonleaf_block>(std::move(db), info, level, std::move(entries));
}

template byte_buffer read_checked_block<ansi_layout>(const database_file&, std::uint64_t,
                                                     const block_info&);
template byte_buffer read_checked_block<unicode_layout>(const database_file&, std::uint64_t,
                                                        const block_info&);
template std::shared_ptr<extended_block> decode_extended_block<ansi_layout>(
    std::shared_ptr<db_context>, const block_info&, const byte_buffer&, std::uint64_t);
template std::shared_ptr<extended_block> decode_extended_block<unicode_layout>(
    std::shared_ptr<db_context>, const block_info&, const byte_buffer&, std::uint64_t);
template std::shared_ptr<subnode_block> decode_subnode_block<ansi_layout>(
    std::shared_ptr<db_context>, const block_info&, const byte_buffer&);
template std::shared_ptr<subnode_block> decode_subnode_block<unicode_layout>(
    std::shared_ptr<db_context>, const block_info&, const byte_buffer&);

}  // namespace pstread
