// Every real sample file: each property context and table context opens and
// every property and every cell reads; the named property map answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "pstread/ltp/ltp_walk.h"
#include "pstread/ltp/name_id_map.h"
#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/database.h"
#include "text/code_page_table.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpus_files() {
    std::vector<fs::path> files;
    const fs::path folder(MW_CORPUS_DIR);
    if (!fs::is_directory(folder)) {
        return files;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".pst" || extension == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// "0x8005" or "not present"; a failure other than absence is returned in
// `error`.
std::string resolve(pstread::name_id_map& names, const pstread::named_prop& name,
                    std::string& error) {
    try {
        return pstread::to_hex(names.lookup(name));
    } catch (const pstread::key_not_found<pstread::named_prop>&) {
        return "not present";
    } catch (const std::exception& failure) {
        error = failure.what();
        return "error";
    }
}

// Every entry of the map must decode, and looking its name up must lead back
// to an entry with that name.
void check_named_map(const pstread::shared_db_ptr& db, const std::string& file) {
    pstread::name_id_map names(db);
    std::string error;
    const std::string keywords =
        resolve(names, pstread::named_prop(pstread::ps_public_strings, U"Keywords"), error);
    EXPECT_EQ(error, "") << file << ": Keywords";
    const std::string recurrence =
        resolve(names, pstread::named_prop(pstread::psetid_appointment, 0x8216), error);
    EXPECT_EQ(error, "") << file << ": PSETID_Appointment 0x8216";
    std::size_t round_trips = 0;
    for (std::size_t i = 0; i < names.entry_count(); ++i) {
        try {
            const pstread::named_prop entry = names.entry_at(i);
            const pstread::prop_id id = names.lookup(entry);
            EXPECT_EQ(names.entry_at(id - pstread::first_named_prop_id), entry)
                << file << " entry " << i << " resolves to " << pstread::to_hex(id);
            ++round_trips;
        } catch (const std::exception& failure) {
            ADD_FAILURE() << file << " entry " << i << ": " << failure.what();
        }
    }
    std::cout << "  named map: " << names.entry_count() << " entries, " << names.bucket_count()
              << " buckets, " << round_trips << " resolved back; Keywords " << keywords
              << ", PSETID_Appointment 0x8216 " << recurrence << "\n";
}

TEST(LtpCorpus, EveryPropertyAndCellReads) {
    const auto files = corpus_files();
    if (files.empty()) {
        GTEST_SKIP() << "no sample PST files in " << MW_CORPUS_DIR;
    }
    const auto* cp1252 = mailwright::text::GetCodePageInfo(1252);
    ASSERT_NE(cp1252, nullptr);
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const auto db = pstread::open_database(path.string());
        ltptest::walker walk({}, cp1252);
        walk.walk_database(db);
        const ltptest::walk_stats& stats = walk.stats();
        std::cout << path.filename().string() << " (" << (db->is_unicode() ? "Unicode" : "ANSI")
                  << "): " << stats.property_contexts << " property contexts, "
                  << stats.table_contexts << " table contexts, " << stats.properties
                  << " properties, " << stats.rows << " rows, " << stats.cells << " cells, "
                  << stats.value_bytes << " value bytes\n";
        EXPECT_GT(stats.property_contexts, 0u);
        EXPECT_GT(stats.table_contexts, 0u);
        for (const std::string& failure : stats.failures) {
            ADD_FAILURE() << failure;
        }
        check_named_map(db, path.filename().string());
    }
}

}  // namespace
