// Blocks and data trees: trailer checks, decoding, extended blocks presented
// as one range with pages, and the faults a corrupt tree must not get past.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>

#include "ndb_test_image.h"
#include "pstread/ndb/crypt.h"
#include "pstread/ndb/database.h"
#include "pstread/ndb/signature.h"

namespace {

using namespace ndbtest;
using pstread::database_corrupt;
using pstread::unexpected_block;

template <typename E>
std::string error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    return "(no exception)";
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::size_t max_data(bool unicode) {
    return unicode ? 8176 : 8180;
}

byte_buffer concat(const std::vector<byte_buffer>& parts) {
    byte_buffer all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(DecodingTest, ReferenceVectors) {
    // mpbbR[0] is 0x41 and mpbbR[1] is 0x36, so they decode to 0 and 1.
    byte_buffer permuted = {0x41, 0x36};
    pstread::decode_permute(permuted);
    EXPECT_EQ(permuted, (byte_buffer{0x00, 0x01}));
    // Worked by hand from mpbbR/S/I for key 0: byte 0 gives
    // I[S[R[0]]] = I[S[0x41]] = I[0x50] = 0xB9; byte 1 (w = 1) gives
    // I[S[R[1] + 0] - 0] - 1 = I[S[0x36]] - 1 = I[0x8E] - 1 = 0x32.
    byte_buffer cyclic = {0x00, 0x00};
    pstread::decode_cyclic(cyclic, 0);
    EXPECT_EQ(cyclic, (byte_buffer{0xB9, 0x32}));
    // The key is folded to 16 bits: 0x00010000 starts where key 0's second
    // byte does (w = 1).
    byte_buffer folded = {0x00};
    pstread::decode_cyclic(folded, 0x00010000);
    EXPECT_EQ(folded, (byte_buffer{0x32}));
    // Cyclic coding is its own inverse.
    const byte_buffer plain = pattern(1000, 7);
    byte_buffer twice = plain;
    pstread::decode_cyclic(twice, 0xDEADBEEF);
    EXPECT_NE(twice, plain);
    pstread::decode_cyclic(twice, 0xDEADBEEF);
    EXPECT_EQ(twice, plain);
}

TEST(DecodingTest, SignatureOfTheReferenceXblock) {
    // [MS-PST] 3.6: the XBLOCK 0x162 at 0x5A6600 has wSig 0x6738.
    EXPECT_EQ(pstread::compute_signature(0x162, 0x5A6600), 0x6738);
}

class BlockTest : public ::testing::TestWithParam<bool> {
protected:
    bool unicode() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Variants, BlockTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

TEST_P(BlockTest, EveryEncodingReadsBack) {
    for (const std::uint8_t crypt : {0, 1, 2}) {
        SCOPED_TRACE(int(crypt));
        image img(unicode(), crypt);
        const byte_buffer data = pattern(300, crypt);
        img.add_block(0x104, data);
        img.add_node({0x21, 0x104, 0, 0});
        const auto db = open_bytes(img.finish());
        EXPECT_EQ(db->lookup_node(0x21).read_all(), data);
    }
}

TEST(BlockCyclicTest, KeyIsTheLowDwordOfTheBlockId) {
    image img(true, 2);
    const byte_buffer data = pattern(64, 3);
    const block_id low = 0x104;
    const block_id high = 0x500000104;
    img.add_block(low, data);
    img.add_block(high, data);
    img.add_node({0x21, low, 0, 0});
    img.add_node({0x41, high, 0, 0});
    const byte_buffer file = img.finish();
    // Both are stored alike and decode alike.
    const auto a = img.block(low);
    const auto b = img.block(high);
    EXPECT_TRUE(std::equal(file.begin() + a.address, file.begin() + a.address + 64,
                           file.begin() + b.address));
    const auto db = open_bytes(file);
    EXPECT_EQ(db->lookup_node(0x21).read_all(), data);
    EXPECT_EQ(db->lookup_node(0x41).read_all(), data);
}

TEST_P(BlockTest, TrailerChecksOneChangeFromValid) {
    const bool uni = unicode();
    const std::size_t trailer = trailer_size(uni);
    struct row {
        const char* name;
        std::function<void(byte_buffer&, image&, const block_info&)> corrupt;
        const char* message;  // nullptr: the block still reads
    };
    const row rows[] = {
        {"trailer bid differs",
         [&](byte_buffer& file, image&, const block_info& b) {
             const std::size_t t = b.address + aligned_block_size(uni, b.size) - trailer;
             put_le(file, t + (uni ? 8 : 4), b.id + 4, uni ? 8 : 4);
         },
         "wrong block id"},
        {"trailer cb differs",
         [&](byte_buffer& file, image&, const block_info& b) {
             const std::size_t t = b.address + aligned_block_size(uni, b.size) - trailer;
             put_le(file, t, b.size - 1, 2);
         },
         "wrong block size"},
        {"signature differs",
         [&](byte_buffer& file, image&, const block_info& b) {
             const std::size_t t = b.address + aligned_block_size(uni, b.size) - trailer;
             file[t + 2] ^= 1;
         },
         "block sig mismatch"},
        {"block CRC differs",
         [&](byte_buffer& file, image&, const block_info& b) {
             const std::size_t t = b.address + aligned_block_size(uni, b.size) - trailer;
             file[t + (uni ? 4 : 8)] ^= 1;
         },
         nullptr},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        image img(uni);
        const block_info b = img.add_block(0x104, pattern(100, 1));
        img.add_node({0x21, 0x104, 0, 0});
        byte_buffer file = img.finish();
        r.corrupt(file, img, b);
        const auto db = open_bytes(file);
        if (r.message) {
            EXPECT_EQ(error_of<database_corrupt>([&] { db->lookup_node(0x21).size(); }), r.message);
        } else {
            EXPECT_EQ(db->lookup_node(0x21).read_all(), pattern(100, 1));
        }
    }
}

TEST_P(BlockTest, SizeAndLocationLimits) {
    image img(unicode());
    const std::size_t largest = max_data(unicode());
    const block_info full = img.add_block(0x104, pattern(largest, 1));
    img.add_node({0x21, 0x104, 0, 0});
    // A BBT entry claiming one byte more than fits in 8192 bytes.
    img.add_block_entry({0x108, full.address, static_cast<std::uint16_t>(largest + 1), 1});
    img.add_node({0x41, 0x108, 0, 0});
    // A BBT entry whose block would end past ibFileEof.
    img.add_block_entry({0x10C, 0x7FFFFFC0, 100, 1});
    img.add_node({0x61, 0x10C, 0, 0});
    const auto db = open_bytes(img.finish());
    EXPECT_EQ(db->lookup_node(0x21).size(), largest);
    EXPECT_EQ(error_of<unexpected_block>([&] { db->lookup_node(0x41).size(); }),
              "nonsensical block size");
    EXPECT_EQ(error_of<unexpected_block>([&] { db->lookup_node(0x61).size(); }),
              "nonsensical block location; past eof");
}

TEST_P(BlockTest, ReadersCheckTheKindOfBlock) {
    image img(unicode());
    img.add_block(0x104, pattern(10, 1));
    img.add_block(0x106, make_slblock(unicode(), {{0x1E1, 0x104, 0}}));
    img.add_block(0x10A, make_xblock(unicode(), 1, 10, {0x104}));
    const auto db = open_bytes(img.finish());
    EXPECT_EQ(error_of<unexpected_block>([&] { db->read_external_block(db, 0x106); }),
              "External BID expected");
    EXPECT_EQ(error_of<unexpected_block>([&] { db->read_extended_block(db, 0x104); }),
              "internal bid expected");
    EXPECT_EQ(error_of<unexpected_block>([&] { db->read_data_block(db, 0x106); }),
              "extended block expected");
    EXPECT_NE(std::dynamic_pointer_cast<pstread::subnode_leaf_block>(db->read_block(db, 0x106)),
              nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<pstread::external_block>(db->read_block(db, 0x104)),
              nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<pstread::extended_block>(db->read_block(db, 0x10A)),
              nullptr);
}

// A node 0x21 whose data is an XBLOCK over blocks of the given sizes.
struct xblock_node {
    byte_buffer file;
    std::vector<byte_buffer> parts;
};

xblock_node make_xblock_node(bool unicode, const std::vector<std::size_t>& sizes,
                             std::uint8_t crypt = 0) {
    image img(unicode, crypt);
    xblock_node result;
    std::vector<block_id> ids;
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const block_id bid = 0x1000 + 4 * i;
        result.parts.push_back(pattern(sizes[i], static_cast<std::uint32_t>(i)));
        img.add_block(bid, result.parts.back());
        ids.push_back(bid);
        total += static_cast<std::uint32_t>(sizes[i]);
    }
    img.add_block(0x102, make_xblock(unicode, 1, total, ids));
    img.add_node({0x21, 0x102, 0, 0});
    result.file = img.finish();
    return result;
}

TEST_P(BlockTest, XblockReadsSpanItsBlocks) {
    const std::size_t m = max_data(unicode());
    const auto x = make_xblock_node(unicode(), {m, m, 100}, 1);
    const byte_buffer all = concat(x.parts);
    const auto db = open_bytes(x.file);
    const auto n = db->lookup_node(0x21);
    EXPECT_EQ(n.size(), all.size());
    EXPECT_EQ(n.read_all(), all);
    // Across the first seam.
    byte_buffer across(20);
    EXPECT_EQ(n.read(across, m - 10), 20u);
    EXPECT_TRUE(std::equal(across.begin(), across.end(), all.begin() + (m - 10)));
    // Past the end: the bytes up to the end.
    byte_buffer tail(500);
    EXPECT_EQ(n.read(tail, all.size() - 30), 30u);
    EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 30, all.end() - 30));
    // A fixed-size value across the seam.
    const std::uint32_t expected =
        all[m - 2] | all[m - 1] << 8 | all[m] << 16 | static_cast<std::uint32_t>(all[m + 1]) << 24;
    EXPECT_EQ(n.read<std::uint32_t>(m - 2), expected);
    // Pages are the blocks.
    EXPECT_EQ(n.get_page_count(), 3u);
    for (std::size_t page = 0; page < 3; ++page) {
        EXPECT_EQ(n.get_page_size(page), x.parts[page].size());
        EXPECT_EQ(n.read_page(page), x.parts[page]);
    }
    byte_buffer two(2);
    n.read(two, 2, 98);
    EXPECT_EQ(two, (byte_buffer{x.parts[2][98], x.parts[2][99]}));
    EXPECT_THROW(n.get_page(3), std::out_of_range);
}

TEST_P(BlockTest, ChildrenAreAddressedByTheBytesTheyHold) {
    // Heap-on-node pages need not be full; each child is placed by the
    // bytes it actually holds.
    const auto x = make_xblock_node(unicode(), {3000, 5000, 1, 100});
    const auto db = open_bytes(x.file);
    const auto n = db->lookup_node(0x21);
    EXPECT_EQ(n.read_all(), concat(x.parts));
    EXPECT_EQ(n.get_page_count(), 4u);
    EXPECT_EQ(n.get_page_size(1), 5000u);
    EXPECT_EQ(n.read<std::uint8_t>(8000), x.parts[2][0]);
}

TEST_P(BlockTest, XxblockPagesAndBytes) {
    const bool uni = unicode();
    image img(uni, 2);
    std::vector<byte_buffer> parts;
    std::vector<block_id> xblocks;
    const std::vector<std::vector<std::size_t>> layout = {{4000, 4000, 10}, {7, 8000}};
    std::uint32_t grand_total = 0;
    block_id next = 0x1000;
    for (std::size_t x = 0; x < layout.size(); ++x) {
        std::vector<block_id> ids;
        std::uint32_t total = 0;
        for (const std::size_t size : layout[x]) {
            parts.push_back(pattern(size, static_cast<std::uint32_t>(next)));
            img.add_block(next, parts.back());
            ids.push_back(next);
            next += 4;
            total += static_cast<std::uint32_t>(size);
        }
        const block_id xid = 0x202 + 4 * x;
        img.add_block(xid, make_xblock(uni, 1, total, ids));
        xblocks.push_back(xid);
        grand_total += total;
    }
    img.add_block(0x302, make_xblock(uni, 2, grand_total, xblocks));
    img.add_node({0x21, 0x302, 0, 0});
    const auto db = open_bytes(img.finish());
    const auto n = db->lookup_node(0x21);
    EXPECT_EQ(n.read_all(), concat(parts));
    EXPECT_EQ(n.get_page_count(), 5u);
    for (std::size_t page = 0; page < parts.size(); ++page) {
        EXPECT_EQ(n.read_page(page), parts[page]) << page;
    }
    EXPECT_THROW(n.get_page(5), std::out_of_range);
}

TEST_P(BlockTest, ExtendedBlockFaults) {
    const bool uni = unicode();
    struct row {
        const char* name;
        std::function<void(image&)> build;  // node 0x21's data tree is 0x102
        const char* message_part;
    };
    const row rows[] = {
        {"cEnt larger than the ids that fit",
         [&](image& img) {
             img.add_block(0x104, pattern(10, 1));
             byte_buffer x = make_xblock(uni, 1, 10, {0x104});
             put_le(x, 2, 3, 2);  // cEnt 3, one id present
             img.add_block(0x102, x);
         },
         "cEnt 3"},
        {"lcbTotal above what the children hold",
         [&](image& img) {
             img.add_block(0x104, pattern(10, 1));
             img.add_block(0x102, make_xblock(uni, 1, 11, {0x104}));
         },
         "children hold 10 bytes but lcbTotal is 11"},
        {"lcbTotal below what the children hold",
         [&](image& img) {
             img.add_block(0x104, pattern(10, 1));
             img.add_block(0x108, pattern(10, 2));
             img.add_block(0x102, make_xblock(uni, 1, 15, {0x104, 0x108}));
         },
         "children hold at least 20 bytes but lcbTotal is 15"},
        {"lcbTotal beyond the file",
         [&](image& img) {
             img.add_block(0x104, pattern(10, 1));
             img.add_block(0x102, make_xblock(uni, 1, 0x40000000, {0x104}));
         },
         "more than the file"},
        {"an XXBLOCK that is its own child",
         [&](image& img) { img.add_block(0x102, make_xblock(uni, 2, 10, {0x102})); },
         "has child 0x102 of level 2"},
        {"an internal id below an XBLOCK",
         [&](image& img) {
             img.add_block(0x106, make_xblock(uni, 1, 0, {}));
             img.add_block(0x102, make_xblock(uni, 1, 0, {0x106}));
         },
         "External BID expected"},
        {"a null child id", [&](image& img) { img.add_block(0x102, make_xblock(uni, 1, 0, {0})); },
         "null child id"},
        {"cLevel 3", [&](image& img) { img.add_block(0x102, make_xblock(uni, 3, 0, {})); },
         "has cLevel 3"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        image img(uni);
        r.build(img);
        img.add_node({0x21, 0x102, 0, 0});
        const auto db = open_bytes(img.finish());
        const std::string error = error_of<database_corrupt>([&] {
            const auto n = db->lookup_node(0x21);
            n.read_all();
            n.get_page_count();
        });
        EXPECT_TRUE(contains(error, r.message_part)) << error;
    }
}

TEST_P(BlockTest, MissingChildIsKeyNotFound) {
    image img(unicode());
    img.add_block(0x102, make_xblock(unicode(), 1, 10, {0x104}));
    img.add_node({0x21, 0x102, 0, 0});
    const auto db = open_bytes(img.finish());
    EXPECT_THROW(db->lookup_node(0x21).read_all(), pstread::key_not_found<block_id>);
}

TEST_P(BlockTest, ReadRawPastTheEndIsRejected) {
    const auto x = make_xblock_node(unicode(), {100, 50});
    const auto db = open_bytes(x.file);
    const auto data = db->read_data_block(db, 0x102);
    byte_buffer buffer(10);
    EXPECT_EQ(data->read_raw(buffer, 150), 0u);  // at the end: nothing
    EXPECT_THROW(data->read_raw(buffer, 151), database_corrupt);
    const auto page = data->get_page(0);
    EXPECT_THROW(page->read_raw(buffer, 101), database_corrupt);
    EXPECT_EQ(page->read_raw(buffer, 95), 5u);
}

TEST_P(BlockTest, ReadChecksAtTheEdges) {
    image img(unicode());
    img.add_block(0x104, pattern(10, 1));
    img.add_node({0x21, 0x104, 0, 0});
    img.add_node({0x41, 0, 0, 0});
    const auto db = open_bytes(img.finish());
    const auto n = db->lookup_node(0x21);
    byte_buffer none;
    EXPECT_EQ(n.read(none, 100), 0u);  // an empty buffer reads nothing anywhere
    byte_buffer one(1);
    EXPECT_EQ(error_of<std::out_of_range>([&] { n.read(one, 10); }), "offset >= size()");
    EXPECT_EQ(error_of<std::out_of_range>([&] { n.read<std::uint32_t>(10); }), "offset >= size()");
    EXPECT_EQ(error_of<std::out_of_range>([&] { n.read<std::uint32_t>(7); }),
              "sizeof(T) + offset >= size()");
    EXPECT_EQ(n.read<std::uint32_t>(6), n.read<std::uint32_t>(0, 6));
    EXPECT_EQ(error_of<std::out_of_range>([&] { n.get_page(1); }), "index > 0");
    // No data block: an empty range.
    const auto empty = db->lookup_node(0x41);
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.get_page_count(), 1u);
    EXPECT_TRUE(empty.read_all().empty());
    EXPECT_EQ(error_of<std::out_of_range>([&] { empty.read(one, 0); }), "offset >= size()");
}

TEST(BlockAnsiTest, DataTreesLargerThanSixteenMegabytes) {
    // An ANSI XBLOCK holds up to 2043 ids (16711740 bytes). Data beyond that
    // needs an XXBLOCK whose first child is such a full XBLOCK; addressing
    // by 1019 pages per child would place the second child's bytes wrong.
    image img(false);
    std::vector<block_id> first_ids;
    std::vector<block_id> second_ids;
    block_id next = 0x10004;
    for (int i = 0; i < 2043 + 3; ++i) {
        img.add_block(next, pattern(8180, static_cast<std::uint32_t>(next)));
        (i < 2043 ? first_ids : second_ids).push_back(next);
        next += 4;
    }
    img.add_block(0x102, make_xblock(false, 1, 2043 * 8180, first_ids));
    img.add_block(0x106, make_xblock(false, 1, 3 * 8180, second_ids));
    img.add_block(0x10A, make_xblock(false, 2, 2046 * 8180, {0x102, 0x106}));
    img.add_node({0x21, 0x10A, 0, 0});
    const auto db = open_bytes(img.finish());
    const auto n = db->lookup_node(0x21);
    EXPECT_EQ(n.size(), 2046u * 8180);
    EXPECT_EQ(n.get_page_count(), 2046u);
    // Bytes in the second XBLOCK, by offset and by page.
    const std::uint64_t offset = 2044ull * 8180 + 17;
    const byte_buffer expected_page = pattern(8180, static_cast<std::uint32_t>(0x10004 + 4 * 2044));
    EXPECT_EQ(n.read<std::uint8_t>(offset), expected_page[17]);
    EXPECT_EQ(n.read_page(2044), expected_page);
    const byte_buffer all = n.read_all();
    EXPECT_TRUE(
        std::equal(expected_page.begin(), expected_page.end(), all.begin() + 2044ll * 8180));
}

}  // namespace
