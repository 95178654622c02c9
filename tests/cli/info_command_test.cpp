// `mailwright info`: runs the built program on builder and real files.
#include "cli/command_test.h"
#include "support/ndb_builder.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quoted;
using testfiles::run_result;

class InfoCommandTest : public clitest::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        m_command = "info";
    }

    // An ANSI file with cyclic encoding and three nodes of one block each.
    fs::path small_file() {
        pstbuild::NdbBuilder ndb({.variant = pstbuild::Variant::ansi,
                                  .encoding = pstbuild::Encoding::cyclic,
                                  .pad_to_amap_section = false});
        for (std::uint32_t i = 1; i <= 3; ++i) {
            ndb.add_node(0x20 * i + 1, std::vector<std::uint8_t>(10, static_cast<std::uint8_t>(i)));
        }
        const fs::path path = m_dir / "small.pst";
        ndb.write_file(path.string());
        return path;
    }
};

TEST_F(InfoCommandTest, PrintsTheHeaderFactsAndCountsAndNamesEachFailingFile) {
    const fs::path file = small_file();
    const run_result good = run(quoted(file));
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, file.string() +
                            "\n  variant:      ANSI\n  wVer:         14\n"
                            "  encoding:     cyclic\n  ibFileEof:    " +
                            std::to_string(fs::file_size(file)) +
                            "\n  nodes (NBT):  3\n  blocks (BBT): 3\n");
    EXPECT_EQ(good.err, "");

    const fs::path bad =
        testfiles::write_bytes(m_dir / "bad.pst", std::vector<std::uint8_t>(600, 0x41));
    const run_result mixed =
        run(quoted(bad) + " " + quoted(m_dir / "missing.pst") + " " + quoted(file));
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.err.rfind("mailwright: " + bad.string() + ": not a PST file (bad signature)\n" +
                                  "mailwright: " + (m_dir / "missing.pst").string() +
                                  ": No such file or directory",
                              0),
              0u)
        << mixed.err;
    EXPECT_EQ(mixed.out, good.out);
    EXPECT_EQ(run("").status, 64);
}

TEST_F(InfoCommandTest, ShowsWhenTheHeaderEndOfFileDiffersFromTheFile) {
    const fs::path file = fs::path(MW_CORPUS_DIR) / "aspose_c_Backup_out.pst";
    if (!fs::exists(file)) {
        GTEST_SKIP() << "sample corpus not found at " << MW_CORPUS_DIR;
    }
    const run_result result = run(quoted(file));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("ibFileEof:    271360 (file size 713984)"), std::string::npos)
        << result.out;
}

}  // namespace
