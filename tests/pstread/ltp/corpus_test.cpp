// Every real sample file opens with the variant its manifest names; every
// node's and subnode's data reads, every heap starts with its signature (so
// the block decoding is right), every property and every table cell reads,
// and every entry of the named property map resolves back to itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "ltp_walk.h"
#include "pstread/ltp/name_id_map.h"
#include "pstread/ndb/database.h"
#include "test_files.h"
#include "text/code_page_table.h"

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
        std::string cells[4];
        for (std::string& cell : cells) {
            std::getline(row, cell, '\t');
        }
        variants[cells[0]] = cells[3];
    }
    return variants;
}

struct raw_totals {
    std::size_t nodes = 0;
    std::size_t heaps = 0;
    std::size_t heap_signature_misses = 0;
};

void read_subnodes(const node& parent) {
    for (const subnode_info& info : parent.subnodes()) {
        const node sub = parent.subnode(info);
        sub.read_all();
        read_subnodes(sub);
    }
}

// Folders, messages and their tables are heaps, whose byte 2 is 0xEC.
raw_totals read_every_node(const shared_db_ptr& db) {
    raw_totals totals;
    for (const node_info& info : db->node_infos()) {
        const node top(db, info);
        const byte_buffer data = top.read_all();
        ++totals.nodes;
        const unsigned type = node_type_of(info.id);
        if ((type == 0x02 || type == 0x04 || (type >= 0x0D && type <= 0x0F)) && !data.empty()) {
            ++totals.heaps;
            totals.heap_signature_misses += data.size() < 3 || data[2] != 0xEC;
        }
        read_subnodes(top);
    }
    return totals;
}

void check_named_map(const shared_db_ptr& db) {
    name_id_map names(db);
    for (std::size_t i = 0; i < names.entry_count(); ++i) {
        try {
            const named_prop entry = names.entry_at(i);
            EXPECT_EQ(names.entry_at(names.lookup(entry) - first_named_prop_id), entry) << i;
        } catch (const std::exception& failure) {
            ADD_FAILURE() << "entry " << i << ": " << failure.what();
        }
    }
}

TEST(Corpus, EveryNodePropertyAndCellReads) {
    if (!fs::is_directory(corpus_dir)) {
        GTEST_SKIP() << "sample corpus not found at " << corpus_dir;
    }
    const auto variants = manifest_variants();
    const auto* cp1252 = mailwright::text::GetCodePageInfo(1252);
    std::size_t files = 0;
    for (const fs::path& path : testfiles::corpus_files()) {
        const std::string name = path.filename().string();
        ++files;
        SCOPED_TRACE(name);
        try {
            const auto db = open_database(path.string());
            ASSERT_TRUE(variants.contains(name)) << "not in MANIFEST.tsv";
            EXPECT_EQ(db->is_unicode() ? "unicode" : "ansi", variants.at(name));
            const raw_totals raw = read_every_node(db);
            EXPECT_GT(raw.heaps, 0u);
            EXPECT_EQ(raw.heap_signature_misses, 0u);
            ltptest::walker walk({}, cp1252);
            walk.walk_database(db);
            const ltptest::walk_stats& stats = walk.stats();
            std::cout << name << ": " << raw.nodes << " nodes, " << stats.property_contexts
                      << " property contexts, " << stats.table_contexts << " tables, "
                      << stats.cells << " cells\n";
            EXPECT_GT(stats.property_contexts, 0u);
            EXPECT_GT(stats.table_contexts, 0u);
            for (const std::string& failure : stats.failures) {
                ADD_FAILURE() << failure;
            }
            check_named_map(db);
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
