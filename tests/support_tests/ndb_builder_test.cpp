#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ndb_walker.h"
#include "support/block_writer.h"
#include "support/le_bytes.h"
#include "support/ndb_builder.h"

namespace {

using namespace pstbuild;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> out(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return out;
}

// A node as the tests describe it: data and nested subnodes.
struct NodeFixture {
    std::uint32_t nid;
    std::vector<std::uint8_t> data;
    std::vector<Subnode> subnodes;
    std::uint32_t parent = 0;
};

// Compares a subnode tree read back by the walker with what was written.
void expect_subnodes(const walk::NdbWalker& walker, std::uint64_t bid,
                     std::vector<Subnode> expected) {
    std::sort(expected.begin(), expected.end(),
              [](const Subnode& a, const Subnode& b) { return a.nid < b.nid; });
    const std::vector<walk::SubnodeEntry> found = walker.subnodes(bid);
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].nid, expected[i].nid);
        EXPECT_EQ(walker.stream(found[i].bidData), expected[i].data);
        expect_subnodes(walker, found[i].bidSub, expected[i].children);
    }
}

// Builds the nodes, reads the file back with the walker and checks that
// every node, its data and its subnodes came back, and that the file's
// bookkeeping (EOF, maps, ids) is consistent.
std::vector<std::uint8_t> build_and_check(const NdbOptions& options,
                                          const std::vector<NodeFixture>& nodes) {
    NdbBuilder builder(options);
    for (const NodeFixture& n : nodes) {
        builder.add_node(n.nid, n.data, n.subnodes, n.parent);
    }
    std::vector<std::uint8_t> file = builder.build();
    const Layout& layout = builder.layout();
    const walk::NdbWalker walker(file);
    EXPECT_EQ(walker.variant(), options.variant);
    EXPECT_EQ(walker.encoding(), options.encoding);
    EXPECT_EQ(walker.file_eof(), file.size());
    EXPECT_EQ(layout.file_size, file.size());
    EXPECT_EQ(walker.nodes().size(), nodes.size());
    for (const NodeFixture& n : nodes) {
        const NbtEntry& entry = walker.nodes().at(n.nid);
        EXPECT_EQ(entry.nidParent, n.parent);
        EXPECT_EQ(walker.node_data(n.nid), n.data);
        expect_subnodes(walker, entry.bidSub, n.subnodes);
    }
    // Every block of the layout is in the BBT and no block is missing from
    // the layout; ids follow the internal bit.
    std::size_t blocks = 0;
    for (const Placement& item : layout.items) {
        if (item.is_block()) {
            ++blocks;
            EXPECT_EQ(walker.blocks().at(item.bid).ib, item.offset);
            const bool internal = item.kind != ItemKind::data_block;
            EXPECT_EQ(is_internal_bid(item.bid), internal);
            EXPECT_EQ(item.bid % 4, internal ? 2u : 0u);
        }
    }
    EXPECT_EQ(blocks, walker.blocks().size());
    const HeaderLayout& at = header_layout(options.variant);
    const std::size_t w = traits(options.variant).id_size;
    EXPECT_GT(get_le(file, at.bidNextB, w), walker.blocks().rbegin()->first);
    return file;
}

struct Shape {
    const char* name;
    NdbOptions options;
    std::vector<NodeFixture> nodes;
};

std::vector<Shape> shapes(Variant variant, Encoding encoding) {
    NdbOptions base;
    base.variant = variant;
    base.encoding = encoding;
    const std::size_t page = traits(variant).max_block_data;
    std::vector<Shape> out;

    out.push_back({"two small nodes",
                   base,
                   {{0x21, pattern(300, 1), {}}, {0x122, pattern(10, 2), {}, 0x122}}});

    NdbOptions deep = base;
    deep.max_btree_entries = 3;
    std::vector<NodeFixture> many;
    for (std::uint32_t i = 0; i < 40; ++i) {
        many.push_back({0x200004 + 32 * i, pattern(20 + i, i), {}, 0x8022});
    }
    out.push_back({"three-level B-trees", deep, many});

    out.push_back({"XBLOCK over full blocks", base, {{0x21, pattern(2 * page + 5, 3), {}}}});
    out.push_back({"one full block", base, {{0x21, pattern(page, 4), {}}}});

    NdbOptions narrow = base;
    narrow.max_xblock_entries = 3;
    out.push_back({"XXBLOCK", narrow, {{0x21, pattern(10 * page + 1, 5), {}}}});

    NdbOptions few = base;
    few.max_subnode_entries = 3;
    std::vector<Subnode> subs;
    for (std::uint32_t i = 0; i < 10; ++i) {
        subs.push_back({0x9000 - 32 * i + 0x1F, pattern(i * 100, i), {}});
    }
    subs[2].children = {{0x7F, pattern(page + 3, 9), {{0x3F, pattern(5, 10), {}}}}};
    out.push_back({"SIBLOCKs and nested subnodes", few, {{0x200024, pattern(40, 6), subs}}});

    out.push_back({"empty data", base, {{0x1E1, {}, {{0x3F, {}, {}}}}}});
    return out;
}

class NdbRoundTrip : public ::testing::TestWithParam<std::tuple<Variant, Encoding>> {};

TEST_P(NdbRoundTrip, EveryShapeReadsBack) {
    const auto [variant, encoding] = GetParam();
    for (const Shape& shape : shapes(variant, encoding)) {
        SCOPED_TRACE(shape.name);
        try {
            build_and_check(shape.options, shape.nodes);
        } catch (const walk::WalkError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllVariants, NdbRoundTrip,
                         ::testing::Combine(::testing::Values(Variant::ansi, Variant::unicode),
                                            ::testing::Values(Encoding::none, Encoding::permute,
                                                              Encoding::cyclic)));

TEST(NdbBuilder, TreesHaveTheForcedShapes) {
    NdbOptions options;
    options.max_btree_entries = 2;
    options.max_subnode_entries = 2;
    options.max_xblock_entries = 2;
    NdbBuilder builder(options);
    std::vector<Subnode> subs;
    for (std::uint32_t i = 1; i <= 5; ++i) {
        subs.push_back({i << 5 | 0x1F, {1, 2, 3}, {}});
    }
    builder.add_node(0x21, pattern(5 * 8176, 1), subs);
    for (std::uint32_t i = 0; i < 4; ++i) {
        builder.add_node(0x42 + 32 * i, {});
    }
    const std::vector<std::uint8_t> file = builder.build();
    const walk::NdbWalker walker(file);
    EXPECT_EQ(walker.nbt_shape().height, 3u);  // 5 nodes, 2 per page: 3 leaves, 2, 1
    EXPECT_EQ(walker.nbt_shape().pages, 6u);
    const NbtEntry& store = walker.nodes().at(0x21);
    EXPECT_EQ(walker.subnode_height(store.bidSub), 3u);
    const Layout& layout = builder.layout();
    EXPECT_EQ(layout.items_of(ItemKind::xxblock).size(), 1u);
    EXPECT_EQ(layout.items_of(ItemKind::xblock).size(), 3u);  // 2 + 2 + 1 pages
    EXPECT_EQ(layout.block(store.bidData).kind, ItemKind::xxblock);
}

TEST(NdbBuilder, LargeAnsiDataUsesXBlocksOf2043Pages) {
    // 2043 x 8180 bytes fit one ANSI XBLOCK; one byte more needs an XXBLOCK.
    NdbOptions options;
    options.variant = Variant::ansi;
    options.record_layout = true;
    NdbBuilder builder(options);
    builder.add_node(0x21, std::vector<std::uint8_t>(2043 * 8180 + 1, 0x5A));
    const std::vector<std::uint8_t> file = builder.build();
    const Layout& layout = builder.layout();
    const Placement& root = layout.block(layout.node(0x21).bidData);
    ASSERT_EQ(root.kind, ItemKind::xxblock);
    const std::vector<Placement> xblocks = layout.items_of(ItemKind::xblock);
    ASSERT_EQ(xblocks.size(), 2u);
    EXPECT_EQ(get_u16(file, xblocks[0].offset + 2), 2043);  // cEnt
    EXPECT_EQ(get_u32(file, xblocks[0].offset + 4), 2043u * 8180);
    EXPECT_EQ(get_u16(file, xblocks[1].offset + 2), 1);
    EXPECT_EQ(walk::NdbWalker(file).node_data(0x21).size(), 2043u * 8180 + 1);
}

TEST(NdbBuilder, AllocationMapsDescribeTheFile) {
    NdbOptions options;
    NdbBuilder builder(options);
    // About 600 KB of data: three AMap sections.
    for (std::uint32_t i = 0; i < 75; ++i) {
        builder.add_node(0x200004 + 32 * i, pattern(8000, i));
    }
    const std::vector<std::uint8_t> file = builder.build();
    const Layout& layout = builder.layout();
    ASSERT_EQ((file.size() - kFirstAMapOffset) % kAMapCoverage, 0u);
    const std::size_t sections = (file.size() - kFirstAMapOffset) / kAMapCoverage;
    EXPECT_EQ(sections, 3u);
    EXPECT_EQ(layout.items_of(ItemKind::amap_page).size(), sections);
    EXPECT_EQ(layout.items_of(ItemKind::pmap_page).size(), 1u);

    // Rebuild the expected bitmap from the layout and compare with the maps.
    const VariantTraits& t = traits(options.variant);
    std::vector<bool> used((file.size() - kFirstAMapOffset) / 64, false);
    for (const Placement& item : layout.items) {
        for (std::uint64_t at = item.offset; at < item.offset + item.size; at += 64) {
            EXPECT_FALSE(used[(at - kFirstAMapOffset) / 64]) << "overlap at " << at;
            used[(at - kFirstAMapOffset) / 64] = true;
        }
    }
    std::uint64_t free_bytes = 0;
    for (std::size_t unit = 0; unit < used.size(); ++unit) {
        const std::uint64_t amap = kFirstAMapOffset + unit / (496 * 8) * kAMapCoverage;
        const std::size_t bit = unit % (496 * 8);
        const bool marked = (file[amap + t.map_bits_offset + bit / 8] & (0x80 >> (bit % 8))) != 0;
        EXPECT_EQ(marked, used[unit]) << "unit " << unit;
        free_bytes += used[unit] ? 0 : 64;
    }
    const HeaderLayout& at = header_layout(options.variant);
    EXPECT_EQ(get_u64(file, at.cbAMapFree), free_bytes);
    EXPECT_EQ(get_u64(file, at.ibAMapLast), kFirstAMapOffset + 2 * kAMapCoverage);
    EXPECT_EQ(file[at.fAMapValid], 0x02);
}

TEST(NdbBuilder, StreamingWritesTheSameFileAsMemory) {
    for (const Variant variant : {Variant::ansi, Variant::unicode}) {
        NdbOptions options;
        options.variant = variant;
        options.encoding = Encoding::cyclic;
        options.record_layout = false;
        const std::string path = std::string(MW_BINARY_DIR) + "/support_stream_test.pst";
        NdbBuilder memory(options);
        {
            NdbBuilder stream(options, path);
            for (std::uint32_t i = 0; i < 60; ++i) {
                const std::vector<std::uint8_t> data = pattern(3000 * (i % 7) + 17, i);
                const std::vector<Subnode> subs = {{0x3F, pattern(9000, i), {}}};
                memory.add_node(0x200004 + 32 * i, data, subs);
                stream.add_node(0x200004 + 32 * i, data, subs);
            }
            stream.finish();
            EXPECT_THROW(stream.build(), std::logic_error);
        }
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> streamed(std::istreambuf_iterator<char>(in), {});
        EXPECT_EQ(streamed, memory.build());
        std::filesystem::remove(path);
    }
}

TEST(NdbBuilder, LayoutLocatesFieldsForCorruption) {
    NdbBuilder builder;
    builder.add_node(0x21, pattern(10000, 3), {{0x3F, pattern(100, 4), {}}});
    std::vector<std::uint8_t> file = builder.build();
    const Layout& layout = builder.layout();
    const Placement& second = layout.data_block_at(0x21, 9000);
    EXPECT_EQ(second.data_offset, 8176u);
    EXPECT_EQ(second.cb, 10000 - 8176);
    EXPECT_EQ(layout.data_block_at(0x21, 50, 0x3F).cb, 100);
    const std::uint64_t trailer = layout.trailer_offset(second);
    EXPECT_EQ(get_u64(file, trailer + 8), second.bid);  // Unicode trailer: bid at +8
    const Placement& nbt_root = layout.page(layout.nbt_root.bid);
    EXPECT_EQ(file[layout.trailer_offset(nbt_root)], 0x81);

    // Flipping the stored signature makes the walker reject the block.
    file[trailer + 2] ^= 0x01;
    EXPECT_THROW(walk::NdbWalker{file}, walk::WalkError);
}

TEST(NdbBuilder, RejectsMisuse) {
    NdbBuilder builder;
    builder.add_node(0x21, {1});
    EXPECT_THROW(builder.add_node(0x21, {2}), std::invalid_argument);
    const std::vector<Subnode> twins = {{0x3F, {}, {}}, {0x3F, {}, {}}};
    EXPECT_THROW(builder.add_node(0x42, {}, twins), std::invalid_argument);
    NdbOptions one;
    one.max_btree_entries = 1;
    NdbBuilder narrow(one);
    EXPECT_THROW(narrow.build(), std::invalid_argument);
    builder.build();
    EXPECT_THROW(builder.add_node(0x62, {}), std::logic_error);
}

TEST(NdbBuilder, HandMadeBlocksAndEntries) {
    NdbBuilder builder;
    // A subnode tree whose SLBLOCK refers to a data block written later
    // under a reserved id.
    const std::uint64_t later = builder.reserve_bid(false);
    const std::vector<SlEntry> entries = {{0x3F, later, 0}};
    const std::uint64_t sl = builder.add_block(make_slblock_data(Variant::unicode, entries), true);
    builder.add_block(later, pattern(64, 1));
    builder.add_node_entry(NbtEntry{0x21, 0, sl, 0});
    const std::vector<std::uint8_t> file = builder.build();
    const walk::NdbWalker walker(file);
    const std::vector<walk::SubnodeEntry> subs = walker.subnodes(sl);
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_EQ(walker.stream(subs[0].bidData), pattern(64, 1));
}

TEST(NdbBuilder, UnpaddedFilesEndAfterTheLastPage) {
    NdbOptions options;
    options.pad_to_amap_section = false;
    NdbBuilder builder(options);
    builder.add_node(0x21, pattern(100, 1));
    const std::vector<std::uint8_t> file = builder.build();
    EXPECT_LT(file.size(), 0x4400u + 8 * 512);
    EXPECT_NO_THROW(walk::NdbWalker{file});
}

}  // namespace
