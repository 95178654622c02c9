#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "recurrence_input.h"

namespace {

TEST(RecurrenceFuzzRegressions, SavedInputs) {
    const std::filesystem::path folder =
        std::filesystem::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "recurrence";
    std::size_t replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string input(std::istreambuf_iterator<char>(file), {});
        fuzz_recurrence(reinterpret_cast<const uint8_t*>(input.data()), input.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0u);
}

}  // namespace
