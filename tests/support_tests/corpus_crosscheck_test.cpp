// Checks the builder's layout constants, CRC, signature and decodings
// against real PST files written by other programs: the test-side walker
// (which shares those constants) must read every corpus file cleanly.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ndb_walker.h"
#include "support/block_writer.h"
#include "support/crc.h"
#include "support/le_bytes.h"
#include "support/pst_format.h"

namespace {

using namespace pstbuild;

struct ManifestRow {
    std::string name;
    std::string variant;
    unsigned wVer = 0;
    std::string wMagicClient;
    unsigned bCryptMethod = 0;
    std::uint64_t header_ibFileEof = 0;
};

std::filesystem::path corpus_dir() {
    return MW_CORPUS_DIR;
}

std::vector<ManifestRow> read_manifest() {
    std::vector<ManifestRow> rows;
    std::ifstream in(corpus_dir() / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> cells;
        std::string cell;
        while (std::getline(fields, cell, '\t')) {
            cells.push_back(cell);
        }
        if (cells.size() < 8) {
            continue;
        }
        rows.push_back(ManifestRow{cells[0], cells[3], static_cast<unsigned>(std::stoul(cells[4])),
                                   cells[5], static_cast<unsigned>(std::stoul(cells[6])),
                                   std::stoull(cells[7])});
    }
    return rows;
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

class CorpusCrosscheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(corpus_dir() / "MANIFEST.tsv")) {
            GTEST_SKIP() << "corpus not found at " << corpus_dir() << "; cross-checks skipped";
        }
    }
};

TEST_F(CorpusCrosscheck, HeaderFieldsSitWhereTheManifestSaysTheyHold) {
    for (const ManifestRow& row : read_manifest()) {
        SCOPED_TRACE(row.name);
        const std::vector<std::uint8_t> file = read_file(corpus_dir() / row.name);
        const Variant variant = row.variant == "ansi" ? Variant::ansi : Variant::unicode;
        const HeaderLayout& at = header_layout(variant);
        EXPECT_EQ(get_u16(file, at.wVer), row.wVer);
        EXPECT_EQ(std::string(file.begin() + at.wMagicClient, file.begin() + at.wMagicClient + 2),
                  row.wMagicClient);
        EXPECT_EQ(file[at.bCryptMethod], row.bCryptMethod);
        EXPECT_EQ(get_le(file, at.ibFileEof, traits(variant).id_size), row.header_ibFileEof);
        EXPECT_EQ(file[at.bSentinel], 0x80);
        EXPECT_EQ(get_u32(file, at.dwCRCPartial),
                  compute_crc(std::span(file).subspan(at.crc_start, at.crc_partial_length)));
        if (variant == Variant::unicode) {
            EXPECT_EQ(get_u32(file, at.dwCRCFull),
                      compute_crc(std::span(file).subspan(at.crc_start, at.crc_full_length)));
        }
    }
}

TEST_F(CorpusCrosscheck, WalkerReadsEveryPageAndBlockOfEveryFile) {
    for (const ManifestRow& row : read_manifest()) {
        SCOPED_TRACE(row.name);
        const std::vector<std::uint8_t> file = read_file(corpus_dir() / row.name);
        try {
            const walk::NdbWalker walker(file);
            // The message store is a property context in every file: its heap
            // header is readable only if the block decoding is right.
            const std::vector<std::uint8_t> store = walker.node_data(0x21);
            ASSERT_GE(store.size(), 4u);
            EXPECT_EQ(store[2], 0xEC);
            EXPECT_EQ(store[3], 0xBC);
        } catch (const walk::WalkError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(CorpusCrosscheck, RebuiltTrailersAndMapPagesMatchTheOriginals) {
    for (const ManifestRow& row : read_manifest()) {
        SCOPED_TRACE(row.name);
        const std::vector<std::uint8_t> file = read_file(corpus_dir() / row.name);
        const walk::NdbWalker walker(file, false);
        const Variant variant = walker.variant();
        const VariantTraits& t = traits(variant);
        std::size_t checked = 0;
        for (const auto& [bid, entry] : walker.blocks()) {
            if (checked++ == 64) {
                break;
            }
            const std::span<const std::uint8_t> stored(file.data() + entry.ib, entry.cb);
            const std::vector<std::uint8_t> rebuilt = make_block(variant, stored, bid, entry.ib);
            const std::size_t trailer = rebuilt.size() - t.block_trailer_size;
            EXPECT_TRUE(std::equal(rebuilt.begin() + trailer, rebuilt.end(),
                                   file.begin() + entry.ib + trailer))
                << "block 0x" << std::hex << bid;
        }
        // The first allocation map page: ptype, bid equal to its offset, and a
        // CRC over the same span as any other page.
        const std::span<const std::uint8_t> amap(file.data() + kFirstAMapOffset, kPageSize);
        EXPECT_EQ(amap[t.page_ptype], static_cast<std::uint8_t>(PageType::amap));
        EXPECT_EQ(get_le(amap, t.page_bid, t.id_size), kFirstAMapOffset);
        EXPECT_EQ(get_u16(amap, t.page_wSig), 0);
        EXPECT_EQ(get_u32(amap, t.page_dwCRC), compute_crc(amap.first(t.page_crc_length)));
        // The AMap maps itself (and the PMap after it) as allocated.
        EXPECT_EQ(amap[t.map_bits_offset], 0xFF);
    }
}

}  // namespace
