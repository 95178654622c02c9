// Files written by the synthetic builder read back byte for byte: each
// variant and encoding, deep node and block B-trees, XBLOCK and XXBLOCK data
// trees, two-level and nested subnode trees, and an ANSI data tree larger
// than one XBLOCK can address.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "pstread/ndb/database.h"
#include "support/ndb_builder.h"

namespace {

using pstbuild::Encoding;
using pstbuild::ItemKind;
using pstbuild::Subnode;
using pstbuild::Variant;
using pstread::byte_buffer;
using pstread::node;

byte_buffer bytes_of(std::size_t size, std::uint32_t seed) {
    byte_buffer bytes(size);
    std::uint32_t x = seed * 2654435761u + 7;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

pstread::shared_db_ptr open_image(byte_buffer file) {
    return pstread::open_database(
        std::make_shared<const pstread::database_file>(std::move(file), "built.pst"));
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
    std::vector<std::uint32_t> ids;
    for (const auto& [id, s] : by_id) {
        ids.push_back(id);
    }
    EXPECT_EQ(walked, ids);  // in id order
    for (const auto& [id, s] : by_id) {
        SCOPED_TRACE(id);
        const node sub = parent.lookup(id);
        EXPECT_EQ(sub.read_all(), s->data);
        expect_subnodes(sub, s->children);
    }
}

struct case_params {
    Variant variant;
    Encoding encoding;

    friend void PrintTo(const case_params& p, std::ostream* out) {
        *out << (p.variant == Variant::ansi ? "ANSI" : "Unicode") << " encoding "
             << static_cast<int>(p.encoding);
    }
};

class BuilderRoundTripTest : public ::testing::TestWithParam<case_params> {};

std::string case_name(const ::testing::TestParamInfo<case_params>& info) {
    const char* encodings[] = {"None", "Permute", "Cyclic"};
    return std::string(info.param.variant == Variant::ansi ? "Ansi" : "Unicode") +
           encodings[static_cast<int>(info.param.encoding)];
}

INSTANTIATE_TEST_SUITE_P(AllFormats, BuilderRoundTripTest,
                         ::testing::Values(case_params{Variant::ansi, Encoding::none},
                                           case_params{Variant::ansi, Encoding::permute},
                                           case_params{Variant::ansi, Encoding::cyclic},
                                           case_params{Variant::unicode, Encoding::none},
                                           case_params{Variant::unicode, Encoding::permute},
                                           case_params{Variant::unicode, Encoding::cyclic}),
                         case_name);

TEST_P(BuilderRoundTripTest, EveryNodeReadsBackExactly) {
    // Small fan-outs make deep trees out of few entries.
    pstbuild::NdbBuilder builder({.variant = GetParam().variant,
                                  .encoding = GetParam().encoding,
                                  .max_btree_entries = 3,
                                  .max_xblock_entries = 4,
                                  .max_subnode_entries = 2,
                                  .pad_to_amap_section = false});
    const bool unicode = GetParam().variant == Variant::unicode;
    const std::size_t block = unicode ? 8176 : 8180;
    std::map<std::uint32_t, byte_buffer> data;
    std::map<std::uint32_t, std::vector<Subnode>> subnodes;
    const std::vector<std::size_t> sizes = {
        0, 1, 100, block, block + 1, 3 * block + 5, 4 * block, 4 * block + 1, 11 * block + 3,
        7, 8, 9};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto nid = static_cast<std::uint32_t>(0x24 + 0x20 * i);
        data[nid] = bytes_of(sizes[i], nid);
        std::vector<Subnode> subs;
        if (i % 2 == 1) {
            for (std::uint32_t s = 0; s < 5; ++s) {
                Subnode sub{0x1F + 0x20 * s, bytes_of(s * 3000, nid + s), {}};
                if (s == 2) {
                    sub.children = {{0x3F, bytes_of(5 * block, s), {}},
                                    {0x5F, bytes_of(10, s), {{0x7F, bytes_of(20, s), {}}}}};
                }
                subs.push_back(std::move(sub));
            }
        }
        subnodes[nid] = subs;
        builder.add_node(nid, data[nid], subs, 0x122);
    }
    const byte_buffer file = builder.build();
    const pstbuild::Layout& layout = builder.layout();
    // The builder did make the deep structures this test is about.
    EXPECT_FALSE(layout.items_of(ItemKind::xxblock).empty());
    EXPECT_FALSE(layout.items_of(ItemKind::siblock).empty());
    bool deep_nbt = false;
    for (const auto& page : layout.items_of(ItemKind::nbt_page)) {
        deep_nbt = deep_nbt || page.level >= 2;
    }
    EXPECT_TRUE(deep_nbt);

    const auto db = open_image(file);
    EXPECT_EQ(db->is_unicode(), unicode);
    EXPECT_EQ(static_cast<int>(db->get_crypt_method()), static_cast<int>(GetParam().encoding));
    std::size_t walked = 0;
    for (const pstread::node_info& info : db->node_infos()) {
        ++walked;
        EXPECT_EQ(info.parent_id, 0x122u);
    }
    EXPECT_EQ(walked, sizes.size());
    std::size_t blocks = 0;
    for (const pstread::block_info& info : db->block_infos()) {
        (void)info;
        ++blocks;
    }
    EXPECT_EQ(blocks, layout.items.size() - layout.items_of(ItemKind::nbt_page).size() -
                          layout.items_of(ItemKind::bbt_page).size() -
                          layout.items_of(ItemKind::amap_page).size() -
                          layout.items_of(ItemKind::pmap_page).size());
    for (const auto& [nid, bytes] : data) {
        SCOPED_TRACE(nid);
        const node n = db->lookup_node(nid);
        EXPECT_EQ(n.size(), bytes.size());
        EXPECT_EQ(n.read_all(), bytes);
        // Page by page, the same bytes.
        byte_buffer paged;
        for (std::size_t page = 0; page < n.get_page_count(); ++page) {
            const byte_buffer part = n.read_page(page);
            paged.insert(paged.end(), part.begin(), part.end());
        }
        EXPECT_EQ(paged, bytes);
        expect_subnodes(n, subnodes[nid]);
    }
}

TEST(BuilderRoundTripAnsiTest, DataLargerThanSixteenMegabytes) {
    // More than the 2043 x 8180 bytes one ANSI XBLOCK addresses, with the
    // builder's own (full) fan-out.
    pstbuild::NdbBuilder builder({.variant = Variant::ansi, .encoding = Encoding::permute});
    const byte_buffer big = bytes_of(2043u * 8180 + 3 * 8180 + 77, 1);
    builder.add_node(0x24, big);
    const auto db = open_image(builder.build());
    const node n = db->lookup_node(0x24);
    EXPECT_EQ(n.size(), big.size());
    EXPECT_EQ(n.get_page_count(), 2047u);
    EXPECT_EQ(n.read_page(2045),
              byte_buffer(big.begin() + 2045ll * 8180, big.begin() + 2046ll * 8180));
    EXPECT_EQ(n.read_all(), big);
}

TEST(BuilderRoundTripMemoryTest, ReadingAValueFrontToBackKeepsOneBlockLoaded) {
    // Memory must not grow with the size of a value or a table read in full.
    pstbuild::NdbBuilder builder({.variant = Variant::unicode, .encoding = Encoding::permute});
    const byte_buffer data = bytes_of(40 * 8176 + 5, 3);
    builder.add_node(0x24, data);
    const auto db = open_image(builder.build());
    const node n = db->lookup_node(0x24);
    EXPECT_EQ(n.read_all(), data);
    for (std::size_t page = 0; page < n.get_page_count(); ++page) {
        EXPECT_EQ(n.get_page_size(page), page + 1 < n.get_page_count() ? 8176u : 5u);
    }
    const auto tree = std::dynamic_pointer_cast<pstread::extended_block>(n.get_data_block());
    ASSERT_TRUE(tree);
    EXPECT_LE(tree->loaded_child_count(), 1u);
}

}  // namespace
