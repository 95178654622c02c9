// Checks the builder's layout constants, CRC, signature and decodings
// against real PST files written by other programs: the header fields sit
// where the manifest says, the test-side walker (which shares those
// constants) reads every corpus file cleanly, and the block trailers the
// builder would write equal the stored ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "support/block_writer.h"
#include "support/crc.h"
#include "support/le_bytes.h"
#include "support/header_writer.h"
#include "support/page_writer.h"
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

// The leaf entries of the block B-tree below `ref`, checking each page's
// trailer (type, its repeat, signature, id, CRC) and entry sizes with the
// builder's constants on the way down.
void walk_bbt(std::span<const std::uint8_t> file, Variant variant, const Bref& ref, int depth,
              std::vector<BbtEntry>& out) {
    const VariantTraits& t = traits(variant);
    ASSERT_LT(depth, 8);
    ASSERT_LE(ref.ib + kPageSize, file.size());
    const std::span<const std::uint8_t> page = file.subspan(ref.ib, kPageSize);
    ASSERT_EQ(page[t.page_ptype], static_cast<std::uint8_t>(PageType::bbt)) << ref.ib;
    ASSERT_EQ(page[t.page_ptypeRepeat], page[t.page_ptype]);
    ASSERT_EQ(get_u16(page, t.page_wSig), compute_signature(ref.bid, ref.ib));
    ASSERT_EQ(get_le(page, t.page_bid, t.id_size), ref.bid);
    ASSERT_EQ(get_u32(page, t.page_dwCRC), compute_crc(page.first(t.page_crc_length)));
    const bool leaf = page[t.page_cLevel] == 0;
    const std::size_t entry_size = leaf ? t.bbtentry_size : t.btentry_size;
    ASSERT_EQ(page[t.page_cbEnt], entry_size);
    ASSERT_EQ(page[t.page_cEntMax], t.page_entries_size / entry_size);
    const std::size_t w = t.id_size;
    for (std::size_t i = 0; i < page[t.page_cEnt]; ++i) {
        const std::span<const std::uint8_t> e = page.subspan(i * entry_size, entry_size);
        if (leaf) {
            out.push_back(BbtEntry{get_le(e, 0, w), get_le(e, w, w), get_u16(e, 2 * w), 0});
        } else {
            walk_bbt(file, variant, Bref{get_le(e, w, w), get_le(e, 2 * w, w)}, depth + 1, out);
        }
    }
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

TEST_F(CorpusCrosscheck, PagesAndBlockTrailersAreTheOnesTheBuilderWrites) {
    for (const ManifestRow& row : read_manifest()) {
        SCOPED_TRACE(row.name);
        const std::vector<std::uint8_t> file = read_file(corpus_dir() / row.name);
        const Variant variant = row.variant == "ansi" ? Variant::ansi : Variant::unicode;
        const VariantTraits& t = traits(variant);
        const HeaderLayout& at = header_layout(variant);
        std::vector<BbtEntry> blocks;
        walk_bbt(
            file, variant,
            Bref{get_le(file, at.BREFBBT_bid, t.id_size), get_le(file, at.BREFBBT_ib, t.id_size)},
            0, blocks);
        ASSERT_FALSE(blocks.empty());
        // Every block's trailer, rebuilt from its stored bytes, is the stored one.
        for (const BbtEntry& entry : blocks) {
            ASSERT_EQ(entry.ib % kBlockAlignment, 0u);
            const std::span<const std::uint8_t> stored(file.data() + entry.ib, entry.cb);
            const std::vector<std::uint8_t> rebuilt =
                make_block(variant, stored, entry.bid, entry.ib);
            const std::size_t trailer = rebuilt.size() - t.block_trailer_size;
            ASSERT_TRUE(std::equal(rebuilt.begin() + trailer, rebuilt.end(),
                                   file.begin() + entry.ib + trailer))
                << "block 0x" << std::hex << entry.bid;
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
