// Replays seeds and saved fuzzer inputs of the MIME filters (fuzz/mime_fuzz)
// through the same checks the fuzzer makes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "mime_input.h"

namespace {

void replay(const std::string& input) {
    fuzz_mime(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

TEST(MimeFuzzRegressions, Seeds) {
    // Block size byte, then text.
    const std::string seeds[] = {
        "",
        std::string("\x00", 1),
        "\x01"
        "From x\r\n>From y\rFr\nom z\n\n",
        "\x02"
        ">>>>>>>>>>>>>>>>>>>>>>>>From",
        "\x03"
        "From: a\r\nDate: b\r\n\tcont\r\nContent-Type: x\r\n y\r\nMIME-Version: 1\r\n",
        "\x04"
        " x\r\nFrom : a\r\nDate\t:b\r\n:c\r\n-\r\nX: y",
    };
    for (const std::string& seed : seeds) {
        replay(seed);
    }
}

TEST(MimeFuzzRegressions, SavedInputs) {
    const std::filesystem::path folder =
        std::filesystem::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "mime";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no saved mime fuzz inputs in " << folder;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        replay(std::string(std::istreambuf_iterator<char>(file), {}));
    }
}

}  // namespace
