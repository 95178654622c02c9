// Golden files: the exact text a writer makes of a described input, kept in
// tests/formats/golden beside a NAME.txt that describes the input. A change
// of output shows up as a reviewable diff: regenerate them all with
// tests/formats/regenerate_golden.sh BUILD_DIR (or MW_REGENERATE_GOLDEN=1);
// a new golden file needs its description written first.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "test_files.h"

namespace goldentest {

// Compares `text` with the golden FILE (or rewrites FILE when regenerating).
inline void ExpectGolden(const std::string& file, const std::string& text) {
    const std::filesystem::path path = MW_SOURCE_DIR "/tests/formats/golden/" + file;
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(path).replace_extension(".txt")))
        << "describe the input of " << path << " beside it";
    if (std::getenv("MW_REGENERATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing: regenerate it";
    EXPECT_EQ(text, testfiles::slurp(path)) << "output differs from " << path;
}

}  // namespace goldentest
