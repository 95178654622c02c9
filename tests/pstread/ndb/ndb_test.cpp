// The node database: opening it (the sample header of the format, the
// ANSI/Unicode decision, headers one change away from valid), the node and
// block B-trees over many more leaf pages than the leaf cache holds, blocks
// with their encodings and trailers, data and subnode trees read back byte
// for byte, and trees damaged, cyclic or nested past the limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "ndb_file.h"
#include "pstread/ndb/crc.h"
#include "pstread/ndb/crypt.h"
#include "pstread/ndb/page_cache.h"
#include "support/block_writer.h"
#include "support/page_writer.h"

namespace {

using namespace ndbfile;
using pstbuild::Encoding;
using pstbuild::ItemKind;
using pstbuild::NdbBuilder;
using pstbuild::SiEntry;
using pstbuild::SlEntry;
using pstbuild::Subnode;
using pstread::crypt_method;
using pstread::database_corrupt;
using pstread::key_not_found;
using pstread::node;

// The sample Unicode header of [MS-PST] 3.2: bytes 0x000-0x0FF and
// 0x200-0x20F (0x100-0x1FF are rgbFM and rgbFP, all 0xFF).
constexpr const char* kSampleHeaderStart =
    "21 42 44 4E 0E A9 9A 37 53 4D 17 00 13 00 01 01"
    "5C 07 00 00 D0 7B 99 0B 04 00 00 00 01 00 00 00"
    "54 02 00 00 00 00 00 00 45 00 00 00 00 04 00 00"
    "00 04 00 00 04 04 00 00 00 40 00 00 02 00 01 00"
    "04 04 00 00 00 04 00 00 00 04 00 00 00 80 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "04 04 00 00 04 04 00 00 04 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 0F 04 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 24 9F 00 00 00 00 00"
    "00 44 9B 00 00 00 00 00 40 F2 12 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 4B 02 00 00 00 00 00 00"
    "00 52 90 00 00 00 00 00 53 02 00 00 00 00 00 00"
    "00 0A 90 00 00 00 00 00 02 00 00 00 00 00 00 00";
constexpr const char* kSampleHeaderTail = "80 01 00 00 34 14 00 00 00 00 00 00 D6 83 D2 1F";

// Pairs of hex digits; spaces are ignored.
bytes from_hex(std::string_view text) {
    bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += text[i] == ' ' ? 1 : 2) {
        if (text[i] != ' ') {
            out.push_back(
                static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
        }
    }
    return out;
}

// The CRC one bit at a time, as the format defines it, against the fast
// paths (folded runs of 64 bytes, eight-byte tables, the bytes left over)
// at every length up to a few folds and at a whole block's.
TEST(HeaderTest, CrcMatchesItsBitwiseDefinition) {
    bytes data(8200);
    std::generate(data.begin(), data.end(),
                  [n = 0u]() mutable { return (n = n * 69069 + 1) >> 24; });
    const auto bitwise = [](std::span<const std::uint8_t> run) {
        std::uint32_t crc = 0;
        for (const std::uint8_t byte : run) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
            }
        }
        return crc;
    };
    for (std::size_t length : {std::size_t{8176}, std::size_t{8180}}) {
        EXPECT_EQ(pstread::compute_crc(std::span(data).subspan(3, length)),
                  bitwise(std::span(data).subspan(3, length)));
    }
    for (std::size_t length = 0; length < 300; ++length) {
        const auto run = std::span(data).subspan(1, length);
        ASSERT_EQ(pstread::compute_crc(run), bitwise(run)) << length;
    }
}

TEST(HeaderTest, SampleHeaderOpensAsUnicode) {
    bytes header = from_hex(kSampleHeaderStart);
    header.resize(0x200, 0xFF);
    const bytes tail = from_hex(kSampleHeaderTail);
    header.insert(header.end(), tail.begin(), tail.end());
    header.resize(568, 0);
    EXPECT_EQ(pstread::compute_crc(std::span(header).subspan(8, 471)), 0x379AA90Eu);
    EXPECT_EQ(pstread::compute_crc(std::span(header).subspan(8, 516)), 0x1FD283D6u);
    const auto db = open_bytes(header);
    EXPECT_TRUE(db->is_unicode());
    EXPECT_EQ(db->get_format_version(), 23);
    EXPECT_EQ(db->get_file_eof(), 0x9F2400u);
    EXPECT_EQ(db->get_crypt_method(), crypt_method::permute);
    // The B-tree roots lie past this short file: the first lookup is a fault
    // of the file that names where it read.
    EXPECT_TRUE(fails_with([&] { db->lookup_node_info(0x21); },
                           "truncated: header says 10429440 bytes, file has 568"));
}

struct header_case {
    const char* name;
    Variant variant;
    std::uint16_t wVer;                       // 0: the variant's default
    std::function<void(built_file&)> change;  // one change from valid
    const char* error;                        // nullptr: the file opens
    crypt_method crypt = crypt_method::none;
};

TEST(HeaderTest, OneChangeFromValid) {
    const auto none = [](built_file&) {};
    const auto flip = [](std::size_t offset) {
        return [offset](built_file& f) { f.file[offset] ^= 0x01; };
    };
    const auto cut = [](std::size_t size) {
        return [size](built_file& f) { f.file.resize(size); };
    };
    const auto crypt = [](std::uint8_t value) {
        return [value](built_file& f) { f.set_header(f.layout.header().bCryptMethod, value); };
    };
    const header_case cases[] = {
        {"ANSI wVer 19", Variant::ansi, 19, none, nullptr},
        {"Unicode wVer 20", Variant::unicode, 20, none, nullptr},
        {"dwMagic is checked", Variant::ansi, 0,
         [](built_file& f) {
             f.file[0] = 'X';
             pstbuild::refresh_header_crcs(f.file, f.layout.variant);
         },
         "not a PST file (bad signature)"},
        {"ANSI bytes past the partial CRC may change", Variant::ansi, 0, flip(490), nullptr},
        {"ANSI partial CRC, Unicode not tried", Variant::ansi, 0, flip(100),
         "header dwCRCPartial failure"},
        {"Unicode partial CRC first", Variant::unicode, 0, flip(100),
         "header dwCRCPartial failure"},
        {"Unicode full CRC only", Variant::unicode, 0, flip(500), "header dwCRCFull failure"},
        {"shorter than an ANSI header", Variant::ansi, 0, cut(511),
         "not a PST file (only 511 bytes)"},
        {"shorter than a Unicode header", Variant::unicode, 0, cut(540),
         "not a PST file (only 540 bytes)"},
        {"bCryptMethod permute", Variant::unicode, 0, crypt(1), nullptr, crypt_method::permute},
        {"bCryptMethod cyclic", Variant::ansi, 0, crypt(2), nullptr, crypt_method::cyclic},
        {"unknown bCryptMethod reads as none", Variant::unicode, 0, crypt(0x10), nullptr},
    };
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.name);
        auto opts = options(c.variant);
        opts.wVer = c.wVer;
        pstbuild::NdbBuilder builder(opts);
        builder.add_node(0x21, pattern(10, 1));
        built_file built = finish(builder);
        c.change(built);
        if (c.error) {
            EXPECT_TRUE(fails_with([&] { open_bytes(built.file); }, c.error));
            continue;
        }
        const auto db = open_bytes(built.file);
        EXPECT_EQ(db->is_unicode(), c.variant == Variant::unicode);
        EXPECT_EQ(db->get_format_version(),
                  c.wVer ? c.wVer : (c.variant == Variant::ansi ? 14 : 23));
        EXPECT_EQ(db->get_file_eof(), built.file.size());
        EXPECT_EQ(db->get_crypt_method(), c.crypt);
        if (c.crypt == crypt_method::none) {
            EXPECT_EQ(db->lookup_node(0x21).read_all(), pattern(10, 1));  // left undecoded
        }
    }
}

constexpr std::uint32_t nid_at(std::uint32_t index) {
    return 0x24 + 0x20 * index;
}

// `count` nodes of one byte each, three entries a page.
built_file many_nodes(Variant variant, std::uint32_t count) {
    auto opts = options(variant);
    opts.max_btree_entries = 3;
    pstbuild::NdbBuilder builder(opts);
    for (std::uint32_t i = 0; i < count; ++i) {
        builder.add_node(nid_at(i), bytes{static_cast<std::uint8_t>(i)}, {}, 0x122);
    }
    return finish(builder);
}

TEST(BtreeTest, LookupsAndWalksStayCorrectWithBoundedPages) {
    constexpr std::uint32_t count = 2400;  // about 1,200 pages in each tree
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        const built_file built = many_nodes(variant, count);
        const auto db = built.open();
        const std::size_t bound = db->nbt_pages().capacity();
        ASSERT_GT(count / 2, bound);
        // Backwards and forwards, so that every page is let go and read again.
        for (int pass = 0; pass < 2; ++pass) {
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint32_t i = pass == 0 ? count - 1 - k : k;
                const pstread::node n = db->lookup_node(nid_at(i));
                ASSERT_EQ(n.get_parent_id(), 0x122u);
                ASSERT_EQ(n.read_all(), bytes{static_cast<std::uint8_t>(i)}) << i;
            }
        }
        EXPECT_EQ(db->nbt_pages().size(), bound);
        EXPECT_LE(db->bbt_pages().size(), db->bbt_pages().capacity());
        // A walk keeps its leaf while lookups let it go from the cache.
        std::uint32_t walked = 0;
        for (const pstread::node_info& info : db->node_infos()) {
            ASSERT_EQ(info.id, nid_at(walked));
            if (walked % 400 == 0) {
                for (std::uint32_t i = 0; i < count; i += 3) {
                    ASSERT_EQ(db->lookup_node_info(nid_at(i)).id, nid_at(i));
                }
            }
            ++walked;
        }
        EXPECT_EQ(walked, count);
        std::uint32_t blocks = 0;
        for (const pstread::block_info& info : db->block_infos()) {
            EXPECT_EQ(info.size, 1u);
            ++blocks;
        }
        EXPECT_EQ(blocks, count);
        // Below the first key, between keys and above the last.
        for (const std::uint32_t absent : {0x23u, nid_at(7) + 1, 0xFFFFFFFFu}) {
            EXPECT_THROW(db->lookup_node_info(absent), key_not_found<pstread::node_id>) << absent;
        }
        // An odd block id finds the entry of the even id below it; id 0 is
        // the empty entry.
        const std::uint64_t bid = built.layout.node(nid_at(5)).bidData;
        EXPECT_EQ(db->lookup_block_info(bid | 1).id, bid);
        EXPECT_EQ(db->lookup_block_info(0), pstread::block_info{});
    }
}

// Points entry `entry` of the non-leaf NBT page at `page` (the root unless
// given) at `target`.
void point_entry(built_file& f, std::size_t entry, const pstbuild::Bref& target,
                 std::uint64_t page = 0) {
    const auto& t = f.traits();
    const std::size_t at = (page ? page : f.layout.nbt_root.ib) + entry * t.btentry_size;
    pstbuild::put_le(f.file, at + t.id_size, target.bid, t.id_size);
    pstbuild::put_le(f.file, at + 2 * t.id_size, target.ib, t.id_size);
}

pstbuild::Placement first_nbt_leaf(const built_file& f) {
    for (const auto& page : f.layout.items_of(pstbuild::ItemKind::nbt_page)) {
        if (page.level == 0) {
            return page;
        }
    }
    throw std::logic_error("no NBT leaf");
}

TEST(BtreeTest, PagesOneChangeFromValid) {
    using traits = pstbuild::VariantTraits;
    // Byte `field` of the NBT root page set to `value` (or flipped by it).
    const auto root_byte = [](std::size_t traits::*field, std::uint8_t value, bool flip) {
        return [=](built_file& f) {
            std::uint8_t& b = f.file[f.layout.nbt_root.ib + f.traits().*field];
            b = flip ? b ^ value : value;
        };
    };
    const auto header = [](std::size_t pstbuild::HeaderLayout::*field, auto value_of) {
        return [=](built_file& f) { f.set_header(f.layout.header().*field, value_of(f)); };
    };
    struct page_case {
        const char* name;
        std::function<void(built_file&)> change;
        const char* lookup_error;  // of the last node; nullptr: it is found
    };
    const page_case cases[] = {
        {"root ends one byte past ibFileEof",
         header(&pstbuild::HeaderLayout::ibFileEof,
                [](const built_file& f) { return f.layout.nbt_root.ib + 511; }),
         "nonsensical page location; past eof"},
        {"root not on a 512-byte boundary",
         header(&pstbuild::HeaderLayout::BREFNBT_ib,
                [](const built_file& f) { return f.layout.nbt_root.ib - 64; }),
         "nonsensical page location; not sector aligned"},
        {"trailer bid differs",
         header(&pstbuild::HeaderLayout::BREFNBT_bid,
                [](const built_file& f) { return f.layout.nbt_root.bid + 4; }),
         "wrong page id"},
        {"ptypeRepeat differs", root_byte(&traits::page_ptypeRepeat, 0x80, false),
         "ptype != ptype repeat?"},
        {"signature differs", root_byte(&traits::page_wSig, 0x01, true), "page sig mismatch"},
        {"cEnt more than fit", root_byte(&traits::page_cEnt, 255, false), "cEnt 255"},
        {"BBT root where the NBT root should be",
         [](built_file& f) {
             f.set_header(f.layout.header().BREFNBT_bid, f.layout.bbt_root.bid);
             f.set_header(f.layout.header().BREFNBT_ib, f.layout.bbt_root.ib);
         },
         "page_type != page_type_nbt"},
        {"an empty child page",
         [](built_file& f) { f.file[first_nbt_leaf(f).offset + f.traits().page_cEnt] = 0; },
         nullptr},
        {"a child that is the root itself",
         [](built_file& f) { point_entry(f, 2, f.layout.nbt_root); }, "level"},
        {"pages below the root that name themselves (kept pages are checked too)",
         [](built_file& f) {
             for (const auto& p : f.layout.items_of(pstbuild::ItemKind::nbt_page)) {
                 for (std::size_t e = 0;
                      p.level == 1 && e < f.file[p.offset + f.traits().page_cEnt]; ++e) {
                     point_entry(f, e, {p.bid, p.offset}, p.offset);
                 }
             }
         },
         "level"},
        {"the same child under two entries",
         [](built_file& f) {
             const auto& t = f.traits();
             const std::size_t first = f.layout.nbt_root.ib;
             point_entry(f, 1,
                         {pstbuild::get_le(f.file, first + t.id_size, t.id_size),
                          pstbuild::get_le(f.file, first + 2 * t.id_size, t.id_size)});
         },
         nullptr},
    };
    for_rows(cases, [&](Variant variant, const page_case& c) {
        built_file built = many_nodes(variant, 20);
        c.change(built);
        const auto db = built.open();
        const auto lookup = [&] { db->lookup_node_info(nid_at(19)); };
        if (c.lookup_error) {
            EXPECT_TRUE(fails_with(lookup, c.lookup_error));
            // A page that failed is not kept: the next lookup fails alike.
            EXPECT_TRUE(fails_with(lookup, c.lookup_error));
        } else {
            EXPECT_NO_THROW(lookup());
        }
        // Every damaged tree fails its walk.
        EXPECT_THROW(
            [&] {
                for (const auto& info : db->node_infos()) {
                    (void)info;
                }
            }(),
            database_corrupt);
    });
}

struct fake_page {
    std::uint64_t bid;
    std::uint64_t ib;
    std::uint64_t get_page_id() const { return bid; }
    std::uint64_t get_address() const { return ib; }
};

TEST(PageCacheTest, LetsGoOfTheLeastRecentlyUsedPageAndChecksTheId) {
    pstread::page_cache<fake_page> cache(2);
    for (std::uint64_t ib : {0x200, 0x400}) {
        cache.keep(std::make_shared<fake_page>(fake_page{ib + 1, ib}));
    }
    EXPECT_NE(cache.find({0x201, 0x200}), nullptr);  // 0x400 is now the oldest
    cache.keep(std::make_shared<fake_page>(fake_page{0x601, 0x600}));
    EXPECT_EQ(cache.find({0x401, 0x400}), nullptr);
    EXPECT_NE(cache.find({0x601, 0x600}), nullptr);
    // A page read under another id at a kept address is not returned.
    EXPECT_EQ(cache.find({0x999, 0x200}), nullptr);
}

// Checks a subnode tree against what was given to the builder, recursively.
void expect_subnodes(const node& parent, const std::vector<Subnode>& expected) {
    std::map<std::uint32_t, const Subnode*> by_id;
    for (const Subnode& s : expected) {
        by_id[s.nid] = &s;
    }
    std::vector<std::uint32_t> walked;
    for (const pstread::subnode_info& info : parent.subnodes()) {
        walked.push_back(info.id);
    }
    ASSERT_EQ(walked.size(), by_id.size());
    auto id = walked.begin();
    for (const auto& [nid, s] : by_id) {
        EXPECT_EQ(*id++, nid);  // in id order
        const node sub = parent.lookup(nid);
        EXPECT_EQ(sub.read_all(), s->data) << nid;
        expect_subnodes(sub, s->children);
    }
}

TEST(BuilderRoundTripTest, EveryNodeReadsBackExactly) {
    for (const Variant variant : kVariants) {
        for (const Encoding encoding : {Encoding::none, Encoding::permute, Encoding::cyclic}) {
            SCOPED_TRACE(std::string(variant_name(variant)) + " " +
                         std::to_string(static_cast<int>(encoding)));
            // Small fan-outs make deep trees out of few entries.
            auto opts = options(variant, encoding);
            opts.max_btree_entries = 3;
            opts.max_xblock_entries = 4;
            opts.max_subnode_entries = 2;
            pstbuild::NdbBuilder builder(opts);
            const std::size_t block = pstbuild::traits(variant).max_block_data;
            std::map<std::uint32_t, bytes> data;
            std::map<std::uint32_t, std::vector<Subnode>> subnodes;
            const std::size_t sizes[] = {
                0, 1, 100, block, block + 1, 4 * block, 4 * block + 1, 11 * block + 3, 7, 8, 9};
            for (std::size_t i = 0; i < std::size(sizes); ++i) {
                const auto nid = static_cast<std::uint32_t>(0x24 + 0x20 * i);
                data[nid] = pattern(sizes[i], nid);
                if (i % 2 == 1) {
                    for (std::uint32_t s = 0; s < 5; ++s) {
                        Subnode sub{0x1F + 0x20 * s, pattern(s * 3000, nid + s), {}};
                        if (s == 2) {
                            sub.children = {{0x3F, pattern(5 * block, s), {}},
                                            {0x5F, pattern(10, s), {{0x7F, pattern(20, s), {}}}}};
                        }
                        subnodes[nid].push_back(std::move(sub));
                    }
                }
                builder.add_node(nid, data[nid], subnodes[nid], 0x122);
            }
            const built_file built = finish(builder);
            // The builder did make the deep structures this test is about.
            ASSERT_FALSE(built.layout.items_of(ItemKind::xxblock).empty());
            ASSERT_FALSE(built.layout.items_of(ItemKind::siblock).empty());
            const auto db = built.open();
            EXPECT_EQ(static_cast<int>(db->get_crypt_method()), static_cast<int>(encoding));
            for (const auto& [nid, expected] : data) {
                const node n = db->lookup_node(nid);
                EXPECT_EQ(n.read_all(), expected) << nid;
                bytes paged;
                for (std::size_t page = 0; page < n.get_page_count(); ++page) {
                    const bytes part = n.read_page(page);
                    paged.insert(paged.end(), part.begin(), part.end());
                }
                EXPECT_EQ(paged, expected) << nid;
                expect_subnodes(n, subnodes[nid]);
            }
        }
    }
}

TEST(BuilderRoundTripTest, AnsiDataLargerThanSixteenMegabytes) {
    // More than the 2043 x 8180 bytes one ANSI XBLOCK addresses: addressing
    // by 1019 pages per child would place the second child's bytes wrong.
    pstbuild::NdbBuilder builder({.variant = Variant::ansi, .encoding = Encoding::permute});
    const bytes big = pattern(2043u * 8180 + 3 * 8180 + 77, 1);
    builder.add_node(0x24, big);
    const node n = finish(builder).open()->lookup_node(0x24);
    EXPECT_EQ(n.get_page_count(), 2047u);
    EXPECT_EQ(n.read_page(2045), bytes(big.begin() + 2045ll * 8180, big.begin() + 2046ll * 8180));
    EXPECT_EQ(n.read<std::uint8_t>(2044ull * 8180 + 17), big[2044ull * 8180 + 17]);
    EXPECT_EQ(n.read_all(), big);
}

TEST(BuilderRoundTripTest, ReadingAValueFrontToBackKeepsOneBlockLoaded) {
    pstbuild::NdbBuilder builder({.variant = Variant::unicode, .encoding = Encoding::permute});
    const bytes data = pattern(40 * 8176 + 5, 3);
    builder.add_node(0x24, data);
    const node n = finish(builder).open()->lookup_node(0x24);
    EXPECT_EQ(n.read_all(), data);
    const auto tree = std::dynamic_pointer_cast<pstread::extended_block>(n.get_data_block());
    ASSERT_TRUE(tree);
    EXPECT_LE(tree->loaded_child_count(), 1u);
}

TEST(DecodingTest, CyclicKeyIsFoldedToSixteenBits) {
    // Key 0: byte 0 gives I[S[R[0]]] = 0xB9; byte 1 (w = 1) gives
    // I[S[R[1]]] - 1 = 0x32. Block ids of 0x10000 and more (large files
    // only) fold: 0x00010000 starts where key 0's second byte does.
    bytes cyclic = {0x00, 0x00};
    pstread::decode_cyclic(cyclic, 0);
    EXPECT_EQ(cyclic, (bytes{0xB9, 0x32}));
    bytes folded = {0x00};
    pstread::decode_cyclic(folded, 0x00010000);
    EXPECT_EQ(folded, (bytes{0x32}));
}

TEST(BlockTest, TrailerFaultsOneChangeFromValid) {
    struct row {
        std::size_t pstbuild::VariantTraits::*field;
        std::uint8_t flip;
        const char* name;  // the error
    };
    const row rows[] = {
        {&pstbuild::VariantTraits::trailer_bid, 0x04, "wrong block id"},
        {&pstbuild::VariantTraits::trailer_cb, 0x01, "wrong block size"},
        {&pstbuild::VariantTraits::trailer_wSig, 0x01, "block sig mismatch"},
        {&pstbuild::VariantTraits::trailer_dwCRC, 0x01, "block crc mismatch"},
    };
    for_rows(rows, [](Variant variant, const row& r) {
        NdbBuilder builder(options(variant, pstbuild::Encoding::permute));
        builder.add_node(0x21, pattern(100, 1));
        built_file built = finish(builder);
        const auto& block = built.layout.data_block_at(0x21, 0);
        built.file[built.layout.trailer_offset(block) + built.traits().*r.field] ^= r.flip;
        EXPECT_TRUE(fails_with([&] { built.open()->lookup_node(0x21).size(); }, r.name));
    });
}

// Node 0x21 over a data tree made by `make` from raw blocks.
built_file raw_tree(Variant variant, const std::function<std::uint64_t(NdbBuilder&)>& make) {
    NdbBuilder builder(options(variant));
    builder.add_node_entry({0x21, make(builder), 0, 0});
    return finish(builder);
}

std::uint64_t xblock(NdbBuilder& b, std::uint8_t level, std::uint32_t total,
                     std::vector<std::uint64_t> children) {
    return b.add_block(pstbuild::make_xblock_data(b.options().variant, level, total, children),
                       true);
}

TEST(BlockTest, DataTreeFaults) {
    struct row {
        const char* name;
        std::function<std::uint64_t(NdbBuilder&)> make;
        const char* error_part;
    };
    const auto leaf = [](NdbBuilder& b, std::uint32_t seed) {
        return b.add_block(pattern(10, seed), false);
    };
    const row rows[] = {
        {"cEnt larger than the ids that fit",
         [&](NdbBuilder& b) {
             const std::vector<std::uint64_t> ids{leaf(b, 1)};
             auto x = pstbuild::make_xblock_data(b.options().variant, 1, 10, ids);
             pstbuild::put_le(x, 2, 3, 2);  // cEnt 3, one id present
             return b.add_block(x, true);
         },
         "cEnt 3"},
        {"lcbTotal above what the children hold",
         [&](NdbBuilder& b) { return xblock(b, 1, 11, {leaf(b, 1)}); },
         "children hold 10 bytes but lcbTotal is 11"},
        {"lcbTotal below what the children hold",
         [&](NdbBuilder& b) {
             return xblock(b, 1, 15, {leaf(b, 1), leaf(b, 2)});
         },
         "children hold at least 20 bytes but lcbTotal is 15"},
        {"lcbTotal beyond the file",
         [&](NdbBuilder& b) { return xblock(b, 1, 0x40000000, {leaf(b, 1)}); },
         "more than the file"},
        {"an XXBLOCK that is its own child",
         [&](NdbBuilder& b) {
             const std::uint64_t self = b.reserve_bid(true);
             const std::uint64_t ids[] = {self};
             b.add_block(self, pstbuild::make_xblock_data(b.options().variant, 2, 10, ids));
             return self;
         },
         "of level 2"},
        {"an internal id below an XBLOCK",
         [&](NdbBuilder& b) { return xblock(b, 1, 0, {xblock(b, 1, 0, {})}); },
         "External BID expected"},
        {"a null child id", [&](NdbBuilder& b) { return xblock(b, 1, 0, {0}); }, "null child id"},
        {"cLevel 3", [&](NdbBuilder& b) { return xblock(b, 3, 0, {}); }, "has cLevel 3"},
        {"a missing child", [&](NdbBuilder& b) { return xblock(b, 1, 10, {0x7FFFFF0}); },
         "key not found"},
    };
    for_rows(rows, [&](Variant variant, const row& r) {
        const auto db = raw_tree(variant, r.make).open();
        EXPECT_TRUE(fails_with<std::exception>(
            [&] {
                const auto n = db->lookup_node(0x21);
                n.read_all();
                n.get_page_count();
            },
            r.error_part));
    });
}

TEST(BlockTest, BbtEntriesThatLie) {
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        NdbBuilder builder(options(variant));
        builder.add_node(0x21, pattern(100, 1));
        const built_file built = finish(builder);
        const auto& t = built.traits();
        // The BBT leaf entry of the data block: bid, ib, then cb.
        const auto page = built.layout.items_of(pstbuild::ItemKind::bbt_page).front();
        std::size_t entry = page.offset;
        while (pstbuild::get_le(built.file, entry, t.id_size) !=
               built.layout.data_block_at(0x21, 0).bid) {
            entry += t.bbtentry_size;
        }
        const std::tuple<std::size_t, std::size_t, std::uint64_t, const char*> rows[] = {
            {2 * t.id_size, 2, t.max_block_data + 1, "nonsensical block size"},
            {t.id_size, t.id_size, built.file.size() - 64, "nonsensical block location; past eof"}};
        for (const auto& [field, width, value, error] : rows) {
            bytes file = built.file;
            pstbuild::put_le(file, entry + field, value, width);
            pstbuild::refresh_page_crc(std::span<std::uint8_t, 512>(&file[page.offset], 512),
                                       variant);
            EXPECT_TRUE(fails_with([&] { open_bytes(file)->lookup_node(0x21).size(); }, error));
        }
    }
}

TEST(BlockTest, ReadsAtSeamsPagesAndEdges) {
    for (const Variant variant : kVariants) {
        SCOPED_TRACE(variant_name(variant));
        const std::size_t m = pstbuild::traits(variant).max_block_data;
        NdbBuilder builder(options(variant, pstbuild::Encoding::cyclic));
        const bytes all = pattern(2 * m + 100, 3);
        builder.add_node(0x21, all);
        builder.add_node(0x41, {});
        const auto db = finish(builder).open();
        const auto n = db->lookup_node(0x21);
        bytes across(20);
        EXPECT_EQ(n.read(across, m - 10), 20u);
        EXPECT_TRUE(std::equal(across.begin(), across.end(), all.begin() + (m - 10)));
        bytes tail(500);
        EXPECT_EQ(n.read(tail, all.size() - 30), 30u);  // the bytes up to the end
        EXPECT_EQ(n.read<std::uint32_t>(m - 2), all[m - 2] | all[m - 1] << 8 | all[m] << 16 |
                                                    static_cast<std::uint32_t>(all[m + 1]) << 24);
        EXPECT_EQ(n.get_page_count(), 3u);
        EXPECT_EQ(n.read_page(2), bytes(all.end() - 100, all.end()));
        // Offsets and page numbers come from the file: past the end they
        // are faults of the file, never a standard library exception.
        bytes none;
        bytes one(1);
        EXPECT_EQ(n.read(none, all.size() + 5), 0u);
        EXPECT_THROW(n.read(one, all.size()), database_corrupt);
        EXPECT_THROW(n.read<std::uint32_t>(all.size() - 3), database_corrupt);
        EXPECT_THROW(n.get_page(3), database_corrupt);
        EXPECT_THROW(n.get_page(0)->get_page(1), database_corrupt);
        const auto empty = db->lookup_node(0x41);
        EXPECT_EQ(empty.size(), 0u);
        EXPECT_EQ(empty.get_page_count(), 1u);
        EXPECT_THROW(empty.read(one, 0), database_corrupt);
    }
}

std::uint64_t slblock(NdbBuilder& b, const std::vector<SlEntry>& entries) {
    return b.add_block(pstbuild::make_slblock_data(b.options().variant, entries), true);
}

std::uint64_t siblock(NdbBuilder& b, const std::vector<SiEntry>& entries, std::uint8_t level = 1) {
    return b.add_block(pstbuild::make_siblock_data(b.options().variant, level, entries), true);
}

TEST(NodeTest, AbsentSubnodesAreKeyNotFound) {
    auto opts = options(Variant::unicode);
    opts.max_subnode_entries = 2;
    NdbBuilder builder(opts);
    builder.add_node(0x21, pattern(10, 1),
                     {{0x1E1, pattern(5, 1), {}},
                      {0x201, pattern(5, 2), {{0x1001, pattern(7, 3), {}}}},
                      {0x221, pattern(5, 3), {}},
                      {0x241, pattern(5, 4), {}}});
    builder.add_node(0x41, pattern(10, 1));
    const auto db = finish(builder).open();
    const pstread::node n = db->lookup_node(0x21);
    EXPECT_EQ(n.lookup(0x201).lookup(0x1001).read_all(), pattern(7, 3));
    EXPECT_EQ(n.lookup(0x241).get_parent_id(), 0u);  // not the containing node's id
    for (const std::uint32_t absent : {0x1C1u, 0x211u, 0x261u}) {
        EXPECT_THROW(n.lookup(absent), pstread::key_not_found<pstread::node_id>) << absent;
    }
    EXPECT_EQ(db->lookup_node(0x41).subnodes().begin(), std::default_sentinel);
    EXPECT_THROW(db->lookup_node(0x41).lookup(0x1E1), pstread::key_not_found<pstread::node_id>);
}

TEST(NodeTest, SubnodeTreeFaults) {
    struct row {
        const char* name;
        std::function<std::uint64_t(NdbBuilder&)> tree;  // node 0x21's subnode tree
        const char* error_part;
    };
    const row rows[] = {
        {"SLBLOCK cEnt larger than the entries that fit",
         [](NdbBuilder& b) {
             auto data = pstbuild::make_slblock_data(b.options().variant,
                                                     std::vector<SlEntry>{{0x1E1, 0, 0}});
             pstbuild::put_le(data, 2, 2, 2);
             return b.add_block(data, true);
         },
         "cEnt 2 needs"},
        {"SIBLOCK cEnt larger than the entries that fit",
         [](NdbBuilder& b) {
             auto data = pstbuild::make_siblock_data(b.options().variant, 1,
                                                     std::vector<SiEntry>{{0x1E1, 0x206}});
             pstbuild::put_le(data, 2, 500, 2);
             return b.add_block(data, true);
         },
         "cEnt 500 needs"},
        {"SIBLOCK whose child is itself",
         [](NdbBuilder& b) {
             const std::uint64_t self = b.reserve_bid(true);
             b.add_block(self, pstbuild::make_siblock_data(b.options().variant, 1,
                                                           std::vector<SiEntry>{{0x1E1, self}}));
             return self;
         },
         "of level 1"},
        {"SIBLOCK of level 2 over an SLBLOCK",
         [](NdbBuilder& b) {
             return siblock(b, {{0x1E1, slblock(b, {{0x1E1, 0, 0}})}}, 2);
         },
         "of level 0"},
        {"SIBLOCK over an empty SLBLOCK",
         [](NdbBuilder& b) {
             return siblock(b, {{0x1E1, slblock(b, {})}});
         },
         "with 0 entries"},
        {"a cycle through two levels: 0x1E1's tree names the outer tree again",
         [](NdbBuilder& b) {
             const std::uint64_t outer = b.reserve_bid(true);
             const std::uint64_t inner = slblock(b, {{0x1E1, 0, outer}});
             b.add_block(outer, pstbuild::make_slblock_data(
                                    b.options().variant, std::vector<SlEntry>{{0x1E1, 0, inner}}));
             return outer;
         },
         "reuses the subnode tree"},
    };
    for_rows(rows, [&](Variant variant, const row& r) {
        NdbBuilder builder(options(variant));
        builder.add_node_entry({0x21, 0, r.tree(builder), 0});
        const auto db = finish(builder).open();
        EXPECT_TRUE(
            fails_with([&] { db->lookup_node(0x21).lookup(0x1E1).lookup(0x1E1); }, r.error_part));
    });
}

TEST(NodeTest, NestingIsReadUpToItsLimit) {
    // A chain of nested subnodes one deeper than allowed: every level up to
    // the limit reads, the next one fails.
    const unsigned depth = pstread::max_subnode_nesting + 1;
    NdbBuilder builder(options(Variant::unicode));
    std::uint64_t inner = 0;
    for (unsigned level = depth; level >= 1; --level) {
        inner = slblock(builder, {{0x1E1 + level, 0, inner}});
    }
    builder.add_node_entry({0x21, 0, inner, 0});
    const auto db = finish(builder).open();
    pstread::node current = db->lookup_node(0x21);
    for (unsigned level = 1; level < depth; ++level) {
        current = current.lookup(0x1E1 + level);
    }
    EXPECT_THROW(current.lookup(0x1E1 + depth), database_corrupt);
}

}  // namespace
