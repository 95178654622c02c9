#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codepage_input.h"

namespace {

void replay(const std::string& input) {
    fuzz_codepage(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

TEST(CodepageFuzzRegressions, Seeds) {
    // Code page choice, block size - 1, text.
    const std::string seeds[] = {
        "",
        std::string("\x00", 1),
        std::string("\x4D\x00\x93\xFA\x96\x7B", 6),          // one-byte blocks
        std::string("\x0D\x02\xD6\xD0\x94\x39\xFC\x36", 8),  // three-byte blocks
        std::string("\xFF\xFF\xE2\x82", 4),                  // cut sequence at the end
        std::string("\x10\x00", 2) + std::string(300, '\xC3'),
    };
    for (const std::string& seed : seeds) {
        replay(seed);
    }
}

TEST(CodepageFuzzRegressions, SavedInputs) {
    const std::filesystem::path folder =
        std::filesystem::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "codepage";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no saved codepage fuzz inputs in " << folder;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        replay(std::string(std::istreambuf_iterator<char>(file), {}));
    }
}

}  // namespace
