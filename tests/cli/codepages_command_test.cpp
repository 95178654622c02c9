// `mailwright codepages` lists every code page --codepage accepts.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

TEST(CodepagesCommand, ListsEachCodePageWithItsCharsetName) {
    const std::string command =
        (std::filesystem::path(MW_BINARY_DIR) / "src" / "mailwright").string() + " codepages";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_NE(out.find("\n 1252  windows-1252 "), std::string::npos) << out;
    EXPECT_NE(out.find("\n65001  UTF-8 "), std::string::npos) << out;
}

}  // namespace
