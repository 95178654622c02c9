// Replays every saved input of the fuzz targets (fuzz/regressions/<target>/:
// inputs that once failed and hand-made seeds) through the function the
// fuzzer calls: each must finish without a crash, a hang or a sanitizer
// report. Every target has its folder, and no folder is empty.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codepage_input.h"
#include "mime_input.h"
#include "ndb_input.h"
#include "recurrence_input.h"
#include "rtf_input.h"

namespace {

namespace fs = std::filesystem;

struct fuzz_target {
    const char* folder;
    void (*replay)(const std::uint8_t*, std::size_t);
};

TEST(FuzzRegressions, SavedInputsOfEveryTarget) {
    const fuzz_target targets[] = {{"ndb", fuzz_ndb},
                                   {"rtf", fuzz_rtf},
                                   {"mime", fuzz_mime},
                                   {"codepage", fuzz_codepage},
                                   {"recurrence", fuzz_recurrence}};
    for (const fuzz_target& target : targets) {
        const fs::path folder = fs::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / target.folder;
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        std::size_t replayed = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string input(std::istreambuf_iterator<char>(file), {});
            target.replay(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
            ++replayed;
        }
        EXPECT_GT(replayed, 0u) << folder;
    }
}

}  // namespace
