// Helpers for the node database tests: assemble headers, pages, blocks and
// whole small PST images from bytes, with correct CRCs and signatures, so
// that each test can start valid and change one thing. Offsets are written
// out here from [MS-PST] 2.2.2 rather than taken from the reader.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ndb/crc.h"
#include "pstread/ndb/crypt.h"
#include "pstread/ndb/database.h"

namespace ndbtest {

using pstread::block_id;
using pstread::block_info;
using pstread::block_reference;
using pstread::byte_buffer;
using pstread::node_id;
using pstread::node_info;
using pstread::subnode_info;

inline void put_le(byte_buffer& bytes, std::size_t offset, std::uint64_t value, std::size_t width) {
    if (bytes.size() < offset + width) {
        bytes.resize(offset + width);
    }
    for (std::size_t i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void append_le(byte_buffer& bytes, std::uint64_t value, std::size_t width) {
    put_le(bytes, bytes.size(), value, width);
}

// [MS-PST] 5.5, written out independently of the reader.
inline std::uint16_t signature_of(block_id bid, std::uint64_t ib) {
    const auto x = static_cast<std::uint32_t>(ib ^ bid);
    return static_cast<std::uint16_t>((x >> 16) ^ (x & 0xFFFF));
}

// ---------------------------------------------------------------------------
// Header ([MS-PST] 2.2.2.6)

struct header_spec {
    bool unicode = true;
    std::uint16_t version = 23;
    std::uint64_t file_eof = 0;
    block_reference nbt_root;
    block_reference bbt_root;
    std::uint8_t crypt = 0;
};

// Recomputes dwCRCPartial (and dwCRCFull for Unicode) after an edit.
inline void seal_header(byte_buffer& file, bool unicode) {
    const std::span<const std::uint8_t> bytes(file);
    put_le(file, 4, pstread::compute_crc(bytes.subspan(8, 471)), 4);  // dwCRCPartial
    if (unicode) {
        put_le(file, 524, pstread::compute_crc(bytes.subspan(8, 516)), 4);  // dwCRCFull
    }
}

// The header bytes (568 for Unicode: the header and the 4 bytes after it).
inline byte_buffer make_header(const header_spec& spec) {
    byte_buffer h(spec.unicode ? 568 : 512, 0);
    put_le(h, 0, 0x4E444221, 4);     // dwMagic "!BDN"
    put_le(h, 8, 0x4D53, 2);         // wMagicClient "SM"
    put_le(h, 10, spec.version, 2);  // wVer
    put_le(h, 12, 19, 2);            // wVerClient
    if (spec.unicode) {
        put_le(h, 184, spec.file_eof, 8);      // root.ibFileEof
        put_le(h, 216, spec.nbt_root.bid, 8);  // root.BREFNBT
        put_le(h, 224, spec.nbt_root.ib, 8);
        put_le(h, 232, spec.bbt_root.bid, 8);  // root.BREFBBT
        put_le(h, 240, spec.bbt_root.ib, 8);
        h[512] = 0x80;        // bSentinel
        h[513] = spec.crypt;  // bCryptMethod
    } else {
        put_le(h, 168, spec.file_eof, 4);      // root.ibFileEof
        put_le(h, 184, spec.nbt_root.bid, 4);  // root.BREFNBT
        put_le(h, 188, spec.nbt_root.ib, 4);
        put_le(h, 192, spec.bbt_root.bid, 4);  // root.BREFBBT
        put_le(h, 196, spec.bbt_root.ib, 4);
        h[460] = 0x80;        // bSentinel
        h[461] = spec.crypt;  // bCryptMethod
    }
    seal_header(h, spec.unicode);
    return h;
}

// ---------------------------------------------------------------------------
// Page entries and pages ([MS-PST] 2.2.2.7.7)

inline byte_buffer nbt_entry(bool unicode, const node_info& info) {
    byte_buffer e;
    const std::size_t id = unicode ? 8 : 4;
    append_le(e, info.id, id);  // nid (zero-extended in Unicode)
    append_le(e, info.data_bid, id);
    append_le(e, info.subnode_bid, id);
    append_le(e, info.parent_id, 4);
    if (unicode) {
        append_le(e, 0, 4);  // dwPadding
    }
    return e;
}

inline byte_buffer bbt_entry(bool unicode, const block_info& info) {
    byte_buffer e;
    const std::size_t id = unicode ? 8 : 4;
    append_le(e, info.id, id);        // BREF.bid
    append_le(e, info.address, id);   // BREF.ib
    append_le(e, info.size, 2);       // cb
    append_le(e, info.ref_count, 2);  // cRef
    if (unicode) {
        append_le(e, 0, 4);  // dwPadding
    }
    return e;
}

inline byte_buffer bt_entry(bool unicode, std::uint64_t key, const block_reference& child) {
    byte_buffer e;
    const std::size_t id = unicode ? 8 : 4;
    append_le(e, key, id);  // btkey
    append_le(e, child.bid, id);
    append_le(e, child.ib, id);
    return e;
}

constexpr std::uint8_t ptype_bbt = 0x80;
constexpr std::uint8_t ptype_nbt = 0x81;

struct page_spec {
    bool unicode = true;
    std::uint8_t ptype = ptype_nbt;
    std::uint8_t level = 0;
    block_reference ref;
    std::vector<byte_buffer> entries;
};

// The 512 bytes of a BTPAGE with its trailer.
inline byte_buffer make_page(const page_spec& spec) {
    byte_buffer p(512, 0);
    std::size_t offset = 0;
    for (const auto& entry : spec.entries) {
        std::copy(entry.begin(), entry.end(), p.begin() + static_cast<std::ptrdiff_t>(offset));
        offset += entry.size();
    }
    const std::size_t stride = spec.entries.empty() ? 0 : spec.entries.front().size();
    const std::uint16_t sig = signature_of(spec.ref.bid, spec.ref.ib);
    if (spec.unicode) {
        p[488] = static_cast<std::uint8_t>(spec.entries.size());           // cEnt
        p[489] = static_cast<std::uint8_t>(stride ? 488 / stride : 0);     // cEntMax
        p[490] = static_cast<std::uint8_t>(stride);                        // cbEnt
        p[491] = spec.level;                                               // cLevel
        p[496] = spec.ptype;                                               // ptype
        p[497] = spec.ptype;                                               // ptypeRepeat
        put_le(p, 498, sig, 2);                                            // wSig
        put_le(p, 500, pstread::compute_crc(std::span(p).first(496)), 4);  // dwCRC
        put_le(p, 504, spec.ref.bid, 8);                                   // bid
    } else {
        p[496] = static_cast<std::uint8_t>(spec.entries.size());
        p[497] = static_cast<std::uint8_t>(stride ? 496 / stride : 0);
        p[498] = static_cast<std::uint8_t>(stride);
        p[499] = spec.level;
        p[500] = spec.ptype;
        p[501] = spec.ptype;
        put_le(p, 502, sig, 2);
        put_le(p, 504, spec.ref.bid, 4);
        put_le(p, 508, pstread::compute_crc(std::span(p).first(496)), 4);
    }
    return p;
}

// Offsets of page trailer fields, for corrupting them.
struct page_offsets {
    std::size_t cEnt, cLevel, ptype, ptypeRepeat, wSig, bid;
};
inline page_offsets page_fields(bool unicode) {
    return unicode ? page_offsets{488, 491, 496, 497, 498, 504}
                   : page_offsets{496, 499, 500, 501, 502, 504};
}

// ---------------------------------------------------------------------------
// Blocks ([MS-PST] 2.2.2.8)

inline std::size_t trailer_size(bool unicode) {
    return unicode ? 16 : 12;
}

inline std::size_t aligned_block_size(bool unicode, std::size_t data_size) {
    return (data_size + trailer_size(unicode) + 63) / 64 * 64;
}

// The aligned bytes of a block at `ib`: data, padding, BLOCKTRAILER.
inline byte_buffer make_block(bool unicode, block_id bid, std::uint64_t ib,
                              std::span<const std::uint8_t> data) {
    byte_buffer b(data.begin(), data.end());
    b.resize(aligned_block_size(unicode, data.size()), 0);
    const std::size_t t = b.size() - trailer_size(unicode);
    put_le(b, t, data.size(), 2);                // cb
    put_le(b, t + 2, signature_of(bid, ib), 2);  // wSig
    const std::uint32_t crc = pstread::compute_crc(data);
    if (unicode) {
        put_le(b, t + 4, crc, 4);  // dwCRC
        put_le(b, t + 8, bid, 8);  // bid
    } else {
        put_le(b, t + 4, bid, 4);
        put_le(b, t + 8, crc, 4);
    }
    return b;
}

// XBLOCK / XXBLOCK data.
inline byte_buffer make_xblock(bool unicode, std::uint8_t level, std::uint32_t total,
                               const std::vector<block_id>& children) {
    byte_buffer x;
    append_le(x, 0x01, 1);             // btype
    append_le(x, level, 1);            // cLevel
    append_le(x, children.size(), 2);  // cEnt
    append_le(x, total, 4);            // lcbTotal
    for (const block_id child : children) {
        append_le(x, child, unicode ? 8 : 4);  // rgbid
    }
    return x;
}

// SLBLOCK data.
inline byte_buffer make_slblock(bool unicode, const std::vector<subnode_info>& entries) {
    byte_buffer s;
    append_le(s, 0x02, 1);            // btype
    append_le(s, 0, 1);               // cLevel
    append_le(s, entries.size(), 2);  // cEnt
    if (unicode) {
        append_le(s, 0, 4);  // dwPadding
    }
    for (const auto& e : entries) {
        append_le(s, e.id, unicode ? 8 : 4);
        append_le(s, e.data_bid, unicode ? 8 : 4);
        append_le(s, e.subnode_bid, unicode ? 8 : 4);
    }
    return s;
}

// SIBLOCK data: (key nid, SLBLOCK bid) entries.
inline byte_buffer make_siblock(bool unicode,
                                const std::vector<std::pair<node_id, block_id>>& entries,
                                std::uint8_t level = 1) {
    byte_buffer s;
    append_le(s, 0x02, 1);
    append_le(s, level, 1);
    append_le(s, entries.size(), 2);
    if (unicode) {
        append_le(s, 0, 4);
    }
    for (const auto& [nid, bid] : entries) {
        append_le(s, nid, unicode ? 8 : 4);
        append_le(s, bid, unicode ? 8 : 4);
    }
    return s;
}

// The bytes `plain` encoded as a writer would store them.
inline byte_buffer encode(std::uint8_t crypt, block_id bid, byte_buffer plain) {
    if (crypt == 1) {
        // The encode table is the inverse of the decode table.
        std::array<std::uint8_t, 256> decoded{};
        for (int i = 0; i < 256; ++i) {
            decoded[i] = static_cast<std::uint8_t>(i);
        }
        pstread::decode_permute(decoded);
        std::array<std::uint8_t, 256> encode_table{};
        for (int i = 0; i < 256; ++i) {
            encode_table[decoded[i]] = static_cast<std::uint8_t>(i);
        }
        for (auto& b : plain) {
            b = encode_table[b];
        }
    } else if (crypt == 2) {
        pstread::decode_cyclic(plain, static_cast<std::uint32_t>(bid));  // its own inverse
    }
    return plain;
}

inline byte_buffer pattern(std::size_t size, std::uint32_t seed) {
    byte_buffer bytes(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// Whole images

// A small PST image: blocks are laid out from 0x1000 in the order they are
// added, then the B-tree pages (as many levels as the entries need), then
// the header is written with ibFileEof at the end.
class image {
public:
    explicit image(bool unicode, std::uint8_t crypt = 0) : m_unicode(unicode), m_crypt(crypt) {
        m_bytes.resize(0x1000);
    }

    bool unicode() const { return m_unicode; }

    // Adds a block; external blocks' data are encoded by the image's crypt.
    block_info add_block(block_id bid, const byte_buffer& data) {
        const bool internal = (bid & 2) != 0;
        const byte_buffer stored = internal ? data : encode(m_crypt, bid, data);
        const std::uint64_t ib = m_bytes.size();
        const byte_buffer block = make_block(m_unicode, bid, ib, stored);
        m_bytes.insert(m_bytes.end(), block.begin(), block.end());
        const block_info info{bid, ib, static_cast<std::uint16_t>(data.size()), 1};
        m_blocks[bid] = info;
        return info;
    }

    // A BBT entry without a block behind it (for entries that lie).
    void add_block_entry(const block_info& info) { m_blocks[info.id] = info; }

    void add_node(const node_info& info) { m_nodes[info.id] = info; }

    const block_info& block(block_id bid) const { return m_blocks.at(bid); }
    const block_reference& nbt_root() const { return m_nbt_root; }
    const block_reference& bbt_root() const { return m_bbt_root; }

    // The finished file. Pages get bids from 0x10000 up (never used by
    // blocks in these tests).
    byte_buffer finish(std::uint16_t version = 0) {
        m_bytes.resize((m_bytes.size() + 511) / 512 * 512);
        std::vector<byte_buffer> bbt;
        for (const auto& [bid, info] : m_blocks) {
            bbt.push_back(bbt_entry(m_unicode, info));
        }
        std::vector<std::uint64_t> bbt_keys;
        for (const auto& [bid, info] : m_blocks) {
            bbt_keys.push_back(bid);
        }
        std::vector<byte_buffer> nbt;
        std::vector<std::uint64_t> nbt_keys;
        for (const auto& [nid, info] : m_nodes) {
            nbt.push_back(nbt_entry(m_unicode, info));
            nbt_keys.push_back(nid);
        }
        m_bbt_root = write_tree(ptype_bbt, bbt, bbt_keys);
        m_nbt_root = write_tree(ptype_nbt, nbt, nbt_keys);
        const byte_buffer header = make_header(
            {m_unicode, static_cast<std::uint16_t>(version ? version : (m_unicode ? 23 : 14)),
             m_bytes.size(), m_nbt_root, m_bbt_root, m_crypt});
        std::copy(header.begin(), header.end(), m_bytes.begin());
        return m_bytes;
    }

private:
    // Writes leaf pages of the entries, then non-leaf levels above them until
    // one page remains; returns the root.
    block_reference write_tree(std::uint8_t ptype, std::vector<byte_buffer> entries,
                               std::vector<std::uint64_t> keys) {
        const std::size_t leaf_size = entries.empty() ? 1 : entries.front().size();
        std::size_t per_page = (m_unicode ? 488 : 496) / leaf_size;
        std::uint8_t level = 0;
        for (;;) {
            std::vector<byte_buffer> parents;
            std::vector<std::uint64_t> parent_keys;
            for (std::size_t start = 0; start < entries.size() || start == 0; start += per_page) {
                const std::size_t end = std::min(entries.size(), start + per_page);
                const block_reference ref{m_next_page_bid, m_bytes.size()};
                m_next_page_bid += 4;
                page_spec spec{m_unicode, ptype, level, ref, {}};
                spec.entries.assign(entries.begin() + static_cast<std::ptrdiff_t>(start),
                                    entries.begin() + static_cast<std::ptrdiff_t>(end));
                const byte_buffer p = make_page(spec);
                m_bytes.insert(m_bytes.end(), p.begin(), p.end());
                parents.push_back(bt_entry(m_unicode, start < keys.size() ? keys[start] : 0, ref));
                parent_keys.push_back(start < keys.size() ? keys[start] : 0);
                if (end >= entries.size()) {
                    break;
                }
            }
            if (parents.size() == 1) {
                return {m_next_page_bid - 4, m_bytes.size() - 512};
            }
            entries = std::move(parents);
            keys = std::move(parent_keys);
            per_page = (m_unicode ? 488 : 496) / entries.front().size();
            ++level;
        }
    }

    bool m_unicode;
    std::uint8_t m_crypt;
    byte_buffer m_bytes;
    std::map<block_id, block_info> m_blocks;
    std::map<node_id, node_info> m_nodes;
    block_id m_next_page_bid = 0x10000;
    block_reference m_nbt_root;
    block_reference m_bbt_root;
};

inline pstread::shared_db_ptr open_bytes(byte_buffer bytes) {
    return pstread::open_database(
        std::make_shared<const pstread::database_file>(std::move(bytes), "test.pst"));
}

}  // namespace ndbtest
