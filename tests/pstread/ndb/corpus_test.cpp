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

#include "pstread/ndb/database.h"

namespace {

namespace fs = std::filesystem;
using namespace pstread;

const fs::path corpus_dir{MW_CORPUS_DIR};

// The variant column (the fourth) of MANIFEST.tsv by file name (the first).
std::map<std::string, std::string> manifest_variants() {
    std::map<std::string, std::string> variants;
    std::ifstream in(corpus_dir / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string name;
        std::string cell;
        std::getline(row, name, '\t');
        for (int column = 1; column < 4; ++column) {
            std::getline(row, cell, '\t');
        }
        variants[name] = cell;
    }
    return variants;
}

struct walk_totals {
    std::size_t nodes = 0;
    std::size_t subnodes = 0;
    std::uint64_t bytes = 0;
    std::size_t heap_nodes = 0;
    std::size_t heap_signature_misses = 0;
};

void walk_subnodes(const node& parent, walk_totals& totals) {
    for (const subnode_info& info : parent.subnodes()) {
        const node sub = parent.subnode(info);
        ++totals.subnodes;
        totals.bytes += sub.read_all().size();
        walk_subnodes(sub, totals);
    }
}

// Folders, messages and their tables are heaps-on-node, which start with
// bSig 0xEC at offset 2 ([MS-PST] 2.3.1.2): finding it shows that the block
// decoding (none, permute or cyclic) is right.
bool is_heap_node_type(unsigned type) {
    return type == 0x02 || type == 0x04 || (type >= 0x0D && type <= 0x0F);
}

walk_totals walk_database(const shared_db_ptr& db) {
    walk_totals totals;
    for (const node_info& info : db->node_infos()) {
        const node top(db, info);
        ++totals.nodes;
        const byte_buffer data = top.read_all();
        totals.bytes += data.size();
        if (is_heap_node_type(node_type_of(info.id)) && !data.empty()) {
            ++totals.heap_nodes;
            totals.heap_signature_misses += data.size() < 3 || data[2] != 0xEC;
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
