// Every real PST file of the sample corpus opens with the variant its
// manifest names, and its whole node database reads: every node's data and,
// recursively, every subnode's.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "pstread/ndb/crc.h"
#include "pstread/ndb/database.h"

namespace {

namespace fs = std::filesystem;
using namespace pstread;

const fs::path corpus_dir{MW_CORPUS_DIR};

// The `variant` column of MANIFEST.tsv by file name.
std::map<std::string, std::string> manifest_variants() {
    std::map<std::string, std::string> variants;
    std::ifstream in(corpus_dir / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);
    std::size_t name_column = 0;
    std::size_t variant_column = 0;
    {
        std::istringstream header(line);
        std::string cell;
        for (std::size_t i = 0; std::getline(header, cell, '\t'); ++i) {
            if (cell == "name") {
                name_column = i;
            } else if (cell == "variant") {
                variant_column = i;
            }
        }
    }
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::vector<std::string> cells;
        for (std::string cell; std::getline(row, cell, '\t');) {
            cells.push_back(cell);
        }
        if (cells.size() > std::max(name_column, variant_column)) {
            variants[cells[name_column]] = cells[variant_column];
        }
    }
    return variants;
}

struct walk_totals {
    std::size_t nodes = 0;
    std::size_t subnodes = 0;
    std::uint64_t bytes = 0;
    std::uint32_t digest = 0;  // CRC over every node's data, chained
    std::size_t heap_nodes = 0;
    std::size_t heap_signature_misses = 0;

    friend bool operator==(const walk_totals&, const walk_totals&) = default;
};

void fold(walk_totals& totals, const byte_buffer& bytes) {
    totals.bytes += bytes.size();
    const std::uint32_t crc = compute_crc(bytes);
    std::uint8_t chained[8];
    for (int i = 0; i < 4; ++i) {
        chained[i] = static_cast<std::uint8_t>(totals.digest >> (8 * i));
        chained[4 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
    totals.digest = compute_crc(chained);
}

void walk_subnodes(const node& parent, walk_totals& totals) {
    for (const subnode_info& info : parent.subnodes()) {
        const node sub = parent.subnode(info);
        ++totals.subnodes;
        fold(totals, sub.read_all());
        walk_subnodes(sub, totals);
    }
}

// Node types whose data is a heap-on-node, which starts with bSig 0xEC at
// offset 2 ([MS-PST] 2.3.1.2): folders, messages and their tables. Finding
// the signature shows that the block decoding (none, permute or cyclic) is
// right.
bool is_heap_node_type(unsigned type) {
    switch (type) {
        case 0x02:  // NID_TYPE_NORMAL_FOLDER
        case 0x04:  // NID_TYPE_NORMAL_MESSAGE
        case 0x0D:  // NID_TYPE_HIERARCHY_TABLE
        case 0x0E:  // NID_TYPE_CONTENTS_TABLE
        case 0x0F:  // NID_TYPE_ASSOC_CONTENTS_TABLE
            return true;
        default:
            return false;
    }
}

walk_totals walk_database(const shared_db_ptr& db) {
    walk_totals totals;
    for (const node_info& info : db->node_infos()) {
        const node top(db, info);
        ++totals.nodes;
        const byte_buffer data = top.read_all();
        fold(totals, data);
        if (is_heap_node_type(node_type_of(info.id)) && !data.empty()) {
            ++totals.heap_nodes;
            if (data.size() < 3 || data[2] != 0xEC) {
                ++totals.heap_signature_misses;
            }
        }
        walk_subnodes(top, totals);
    }
    return totals;
}

std::size_t count_blocks(const shared_db_ptr& db) {
    std::size_t count = 0;
    for (const block_info& info : db->block_infos()) {
        (void)info;
        ++count;
    }
    return count;
}

TEST(CorpusTest, EveryFileOpensAndReadsCompletely) {
    if (!fs::is_directory(corpus_dir)) {
        GTEST_SKIP() << "sample corpus not found at " << corpus_dir;
    }
    const auto variants = manifest_variants();
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(corpus_dir)) {
        const std::string name = entry.path().filename().string();
        const std::string extension = entry.path().extension().string();
        if (extension != ".pst" && extension != ".ost") {
            continue;
        }
        ++files;
        SCOPED_TRACE(name);
        try {
            const auto db = open_database(entry.path().string());
            ASSERT_TRUE(variants.contains(name)) << "not in MANIFEST.tsv";
            EXPECT_EQ(db->is_unicode() ? "unicode" : "ansi", variants.at(name));
            const walk_totals first = walk_database(db);
            const std::size_t blocks = count_blocks(db);
            // A second walk over a fresh database reads the same.
            const walk_totals second = walk_database(open_database(entry.path().string()));
            EXPECT_EQ(first, second);
            EXPECT_GT(first.nodes, 0u);
            EXPECT_GT(first.heap_nodes, 0u);
            EXPECT_EQ(first.heap_signature_misses, 0u);
            std::printf("%-55s %-7s nodes %4zu subnodes %5zu blocks %5zu data bytes %9llu\n",
                        name.c_str(), db->is_unicode() ? "unicode" : "ansi", first.nodes,
                        first.subnodes, blocks, static_cast<unsigned long long>(first.bytes));
        } catch (const std::exception& error) {
            ADD_FAILURE() << name << ": " << error.what();
        }
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
