// `mailwright codepages` lists every code page --codepage accepts.
#include "cli/command_test.h"

namespace {

class CodepagesCommand : public clitest::CommandTest {};

TEST_F(CodepagesCommand, ListsEachCodePageWithItsCharsetName) {
    const testfiles::run_result r = testfiles::run_mailwright(m_dir, "codepages");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\n 1252  windows-1252 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n65001  UTF-8 "), std::string::npos) << r.out;
}

}  // namespace
