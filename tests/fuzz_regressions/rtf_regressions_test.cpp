#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "rtf_input.h"

namespace {

void replay(const std::string& input) {
    fuzz_rtf(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

TEST(RtfFuzzRegressions, Seeds) {
    // Mode byte (0 whole value, 1 LZFu contents, 2 MELA contents), then data.
    const std::string seeds[] = {
        "",
        std::string("\x00", 1),
        std::string("\x01\xff\xff\xff\xff\x03\x00\x0a\x00\x72\x63\x70\x67\x31\x32\x35", 16),
        std::string("\x01\x10\x00\x00\x00\xff\xf0\x00\xf0\x00", 10),  // references only
        std::string("\x02\x08\x00\x00\x00{\\rtf1 {\\pict\\bin2 }", 23),
        "\x00{\\rtf1\\fromhtml1 {\\*\\htmltag0 <p>}\\htmlrtf x\\htmlrtf0 y\\u-1\\'",
        "\x00{\\rtf1 " + std::string(5000, '{') + "\\pict",
        "\x00{\\rtf1 {\\*\\shppict{\\pict\\bliptag1 AB}}{\\nonshppict{\\pict 00}}",
    };
    for (const std::string& seed : seeds) {
        replay(seed);
    }
}

TEST(RtfFuzzRegressions, SavedInputs) {
    const std::filesystem::path folder =
        std::filesystem::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "rtf";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no saved rtf fuzz inputs in " << folder;
    }
    size_t replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        replay(std::string(std::istreambuf_iterator<char>(file), {}));
        ++replayed;
    }
    EXPECT_GT(replayed, 0u);
}

}  // namespace
