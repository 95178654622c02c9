// Pages of the node and block B-trees: validation, lookups and walks.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ndb_test_image.h"
#include "pstread/ndb/database.h"

namespace {

using namespace ndbtest;
using pstread::database_corrupt;
using pstread::key_not_found;
using pstread::sig_mismatch;
using pstread::unexpected_page;

// An image with `count` nodes 0x21, 0x41, ... each with its own small block
// 0x4, 0x8, ...
image node_image(bool unicode, int count) {
    image img(unicode);
    for (int i = 0; i < count; ++i) {
        const block_id bid = 4 * static_cast<block_id>(i + 1);
        img.add_block(bid, pattern(10 + i, i));
        img.add_node({static_cast<node_id>(0x21 + 0x20 * i), bid, 0, 0x122});
    }
    return img;
}

template <typename E>
std::string error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    return "(no exception)";
}

class PageTest : public ::testing::TestWithParam<bool> {
protected:
    bool unicode() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Variants, PageTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

TEST_P(PageTest, LookupsInSingleAndMultiLevelTrees) {
    for (const int count : {1, 5, 100}) {
        SCOPED_TRACE(count);
        image img = node_image(unicode(), count);
        const auto db = open_bytes(img.finish());
        for (int i = 0; i < count; ++i) {
            const node_id nid = static_cast<node_id>(0x21 + 0x20 * i);
            const node_info info = db->lookup_node_info(nid);
            EXPECT_EQ(info.id, nid);
            EXPECT_EQ(info.data_bid, 4u * (i + 1));
            EXPECT_EQ(info.parent_id, 0x122u);
            const block_info block = db->lookup_block_info(info.data_bid);
            EXPECT_EQ(block, img.block(info.data_bid));
        }
        // Between keys, below the first and above the last.
        EXPECT_THROW(db->lookup_node_info(0x22), key_not_found<node_id>);
        EXPECT_THROW(db->lookup_node_info(0x20), key_not_found<node_id>);
        EXPECT_THROW(db->lookup_node_info(0xFFFFFFFF), key_not_found<node_id>);
        try {
            db->lookup_block_info(6);
            FAIL() << "no exception";
        } catch (const key_not_found<pstread::block_id>& error) {
            EXPECT_EQ(error.which(), 6u);
        }
    }
}

TEST_P(PageTest, WalksYieldEveryEntryInKeyOrder) {
    image img = node_image(unicode(), 100);
    const auto db = open_bytes(img.finish());
    node_id previous = 0;
    int nodes = 0;
    for (const node_info& info : db->node_infos()) {
        EXPECT_GT(info.id, previous);
        previous = info.id;
        ++nodes;
    }
    EXPECT_EQ(nodes, 100);
    int blocks = 0;
    for (const block_info& info : db->block_infos()) {
        EXPECT_EQ(info, img.block(info.id));
        ++blocks;
    }
    EXPECT_EQ(blocks, 100);
}

TEST_P(PageTest, BlockIdZeroAndOddIds) {
    image img = node_image(unicode(), 3);
    byte_buffer file = img.finish();
    {
        const auto db = open_bytes(file);
        // An odd id finds the entry of the even id below it.
        EXPECT_EQ(db->lookup_block_info(9), img.block(8));
    }
    // Id 0 reads no page: it works even when the BBT root is unreadable.
    put_le(file, unicode() ? 240 : 196, img.bbt_root().ib + 64, unicode() ? 8 : 4);
    seal_header(file, unicode());
    const auto db = open_bytes(file);
    EXPECT_EQ(db->lookup_block_info(0), block_info{});
    EXPECT_THROW(db->lookup_block_info(4), unexpected_page);
}

TEST_P(PageTest, ValidationFailuresOneChangeFromValid) {
    const page_offsets f = page_fields(unicode());
    struct row {
        const char* name;
        std::function<void(byte_buffer&, const image&)> corrupt;
        const char* message;
    };
    const bool uni = unicode();
    const std::size_t id = uni ? 8 : 4;
    const std::size_t nbt_bid_field = uni ? 216 : 184;
    const std::size_t nbt_ib_field = uni ? 224 : 188;
    const std::size_t eof_field = uni ? 184 : 168;
    const row rows[] = {
        {"page ends one byte past ibFileEof",
         [&](byte_buffer& file, const image&) { put_le(file, eof_field, file.size() - 1, id); },
         "nonsensical page location; past eof"},
        {"page not on a 512-byte boundary",
         [&](byte_buffer& file, const image& img) {
             put_le(file, nbt_ib_field, img.nbt_root().ib - 64, id);
         },
         "nonsensical page location; not sector aligned"},
        {"trailer bid differs",
         [&](byte_buffer& file, const image& img) {
             put_le(file, nbt_bid_field, img.nbt_root().bid + 4, id);
         },
         "wrong page id"},
        {"ptypeRepeat differs",
         [&](byte_buffer& file, const image& img) {
             file[img.nbt_root().ib + f.ptypeRepeat] = 0x80;
         },
         "ptype != ptype repeat?"},
        {"signature differs",
         [&](byte_buffer& file, const image& img) { file[img.nbt_root().ib + f.wSig] ^= 1; },
         "page sig mismatch"},
        {"BBT page where the NBT root should be",
         [&](byte_buffer& file, const image& img) {
             put_le(file, nbt_bid_field, img.bbt_root().bid, id);
             put_le(file, nbt_ib_field, img.bbt_root().ib, id);
         },
         "page_type != page_type_nbt"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        image img = node_image(uni, 3);
        byte_buffer file = img.finish();
        r.corrupt(file, img);
        seal_header(file, uni);
        const auto db = open_bytes(file);
        EXPECT_EQ(error_of<database_corrupt>([&] { db->lookup_node_info(0x21); }), r.message);
        // A page that failed is not kept: the next lookup fails alike.
        EXPECT_EQ(error_of<database_corrupt>([&] { db->lookup_node_info(0x21); }), r.message);
    }
}

TEST_P(PageTest, SignatureMismatchCarriesTheFacts) {
    image img = node_image(unicode(), 1);
    byte_buffer file = img.finish();
    const std::size_t wsig = img.nbt_root().ib + page_fields(unicode()).wSig;
    put_le(file, wsig, 0xBEEF, 2);
    try {
        open_bytes(file)->read_nbt_root();
        FAIL() << "no exception";
    } catch (const sig_mismatch& error) {
        EXPECT_EQ(error.location(), img.nbt_root().ib);
        EXPECT_EQ(error.id(), img.nbt_root().bid);
        EXPECT_EQ(error.stored(), 0xBEEF);
        EXPECT_EQ(error.computed(), signature_of(img.nbt_root().bid, img.nbt_root().ib));
    }
}

TEST_P(PageTest, PageCrcIsNotChecked) {
    image img = node_image(unicode(), 2);
    byte_buffer file = img.finish();
    const std::size_t crc = img.nbt_root().ib + (unicode() ? 500 : 508);
    file[crc] ^= 0xFF;
    EXPECT_EQ(open_bytes(file)->lookup_node_info(0x41).data_bid, 8u);
}

TEST_P(PageTest, TypedReadersCheckTypeAndLevel) {
    image img = node_image(unicode(), 100);  // a two-level NBT
    const auto db = open_bytes(img.finish());
    const auto nbt = img.nbt_root();
    const auto bbt = img.bbt_root();
    EXPECT_EQ(error_of<unexpected_page>([&] { db->read_bbt_page(nbt); }),
              "page_type != page_type_bbt");
    EXPECT_EQ(error_of<unexpected_page>([&] { db->read_nbt_leaf_page(nbt); }),
              "page_type != page_type_nbt");
    EXPECT_EQ(error_of<unexpected_page>([&] { db->read_bbt_nonleaf_page(nbt); }),
              "page_type != page_type_bbt");
    EXPECT_NE(db->read_nbt_nonleaf_page(nbt), nullptr);
    const auto root = db->read_nbt_nonleaf_page(nbt);
    const auto leaf_ref = root->get_child_reference(0);
    EXPECT_EQ(error_of<unexpected_page>([&] { db->read_nbt_nonleaf_page(leaf_ref); }),
              "page_type != page_type_nbt");
    EXPECT_EQ(db->read_nbt_leaf_page(leaf_ref)->value_count(), unicode() ? 15u : 31u);
    EXPECT_NE(db->read_bbt_page(bbt), nullptr);
}

TEST_P(PageTest, OversizedEntryCountIsRejectedBeforeDecoding) {
    // One more entry than fits: 16/32 NBT leaf entries, 21/42 BBT entries.
    image img = node_image(unicode(), 2);
    byte_buffer file = img.finish();
    const std::size_t cent = page_fields(unicode()).cEnt;
    file[img.nbt_root().ib + cent] = unicode() ? 16 : 32;
    file[img.bbt_root().ib + cent] = 255;
    const auto db = open_bytes(file);
    const std::string nbt_error = error_of<database_corrupt>([&] { db->lookup_node_info(0x21); });
    EXPECT_NE(nbt_error.find(unicode() ? "cEnt 16" : "cEnt 32"), std::string::npos) << nbt_error;
    EXPECT_NE(nbt_error.find(pstread::to_hex(img.nbt_root().ib)), std::string::npos) << nbt_error;
    EXPECT_NE(error_of<database_corrupt>([&] { db->lookup_block_info(4); }).find("cEnt 255"),
              std::string::npos);
    // Exactly full pages are fine.
    image full = node_image(unicode(), unicode() ? 15 : 31);
    const auto full_db = open_bytes(full.finish());
    EXPECT_EQ(full_db->read_nbt_root()->value_count(), unicode() ? 15u : 31u);
}

// Rewrites the root of a two-level NBT so that its entry `entry` points to
// `target`.
void point_root_entry(byte_buffer& file, const image& img, bool unicode, std::size_t entry,
                      const block_reference& target) {
    const std::size_t stride = unicode ? 24 : 12;
    const std::size_t id = unicode ? 8 : 4;
    const std::size_t base = img.nbt_root().ib + entry * stride;
    put_le(file, base + id, target.bid, id);
    put_le(file, base + 2 * id, target.ib, id);
}

TEST_P(PageTest, DescentIsBoundedByLevels) {
    image img = node_image(unicode(), 100);
    byte_buffer valid = img.finish();
    {
        // A child that is the root itself: its level is not one below.
        byte_buffer file = valid;
        point_root_entry(file, img, unicode(), 1, img.nbt_root());
        const auto db = open_bytes(file);
        EXPECT_NO_THROW(db->lookup_node_info(0x21));  // entry 0 is intact
        const node_id in_second_leaf = static_cast<node_id>(0x21 + 0x20 * (unicode() ? 15 : 31));
        EXPECT_THROW(db->lookup_node_info(in_second_leaf), database_corrupt);
        EXPECT_THROW(
            for (const auto& info
                 : db->node_infos()) { (void)info; },
            database_corrupt);
    }
    {
        // The same leaf under two entries: lookups work, a walk stops.
        byte_buffer file = valid;
        const auto db_valid = open_bytes(valid);
        const auto first_leaf =
            db_valid->read_nbt_nonleaf_page(img.nbt_root())->get_child_reference(0);
        point_root_entry(file, img, unicode(), 1, first_leaf);
        const auto db = open_bytes(file);
        EXPECT_NO_THROW(db->lookup_node_info(0x21));
        EXPECT_THROW(
            for (const auto& info
                 : db->node_infos()) { (void)info; },
            database_corrupt);
    }
}

TEST_P(PageTest, EmptyChildPageIsRejected) {
    image img = node_image(unicode(), 100);
    byte_buffer file = img.finish();
    const auto db_valid = open_bytes(file);
    const auto leaf = db_valid->read_nbt_nonleaf_page(img.nbt_root())->get_child_reference(0);
    file[leaf.ib + page_fields(unicode()).cEnt] = 0;
    const auto db = open_bytes(file);
    const std::string error = error_of<database_corrupt>([&] { db->lookup_node_info(0x21); });
    EXPECT_NE(error.find("0 entries"), std::string::npos) << error;
}

TEST_P(PageTest, PagesDoNotKeepTheDatabaseAlive) {
    image img = node_image(unicode(), 100);
    std::weak_ptr<pstread::db_context> weak;
    std::shared_ptr<pstread::nbt_page> root;
    {
        const auto db = open_bytes(img.finish());
        root = db->read_nbt_root();
        weak = db;
    }
    EXPECT_TRUE(weak.expired());
    // The kept page can no longer load children.
    EXPECT_THROW(root->find(0x21), std::logic_error);
}

}  // namespace
