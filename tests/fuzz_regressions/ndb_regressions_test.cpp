// Replays saved fuzz inputs and a few seeds through the node database fuzz
// function: each must finish without a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ndb_input.h"
#include "pstread/ndb/ndb_test_image.h"

namespace {

namespace fs = std::filesystem;

void replay(const pstread::byte_buffer& input) {
    fuzz_ndb(input.data(), input.size());
}

pstread::byte_buffer read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return pstread::byte_buffer(std::istreambuf_iterator<char>(file), {});
}

// A small valid file of each variant with an XBLOCK and a subnode tree.
pstread::byte_buffer small_image(bool unicode) {
    using namespace ndbtest;
    image img(unicode, 1);
    img.add_block(0x104, pattern(8176, 1));
    img.add_block(0x108, pattern(100, 2));
    img.add_block(0x102, make_xblock(unicode, 1, 8276, {0x104, 0x108}));
    img.add_block(0x106, make_slblock(unicode, {{0x1E1, 0x108, 0}}));
    img.add_node({0x21, 0x102, 0x106, 0});
    return img.finish();
}

TEST(NdbFuzzRegressions, Seeds) {
    replay({});
    replay(pstread::byte_buffer(600, 0x41));
    replay(small_image(false));
    replay(small_image(true));
    for (const char* name : {"hughbe_Outlook98Backup_ansi.pst", "enron_edrm_sample_ansi.pst"}) {
        const fs::path path = fs::path(MW_CORPUS_DIR) / name;
        if (fs::exists(path)) {
            replay(read_file(path));
        }
    }
}

TEST(NdbFuzzRegressions, SavedInputs) {
    const fs::path folder = fs::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "ndb";
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "no saved ndb fuzz inputs in " << folder;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        replay(read_file(entry.path()));
    }
}

}  // namespace
