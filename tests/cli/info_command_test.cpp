// `mailwright info`: runs the built program on crafted and real files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "pstread/ndb/ndb_test_image.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quoted;
using testfiles::run_result;
using testfiles::slurp;

class InfoCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("mailwright_info_test_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path write(const std::string& name, const pstread::byte_buffer& bytes) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    run_result run(const std::string& arguments) {
        return testfiles::run_mailwright(m_dir, "info " + arguments);
    }

    // An ANSI file with cyclic encoding, three nodes and three blocks.
    fs::path small_file() {
        ndbtest::image img(false, 2);
        for (int i = 1; i <= 3; ++i) {
            img.add_block(4 * i, ndbtest::pattern(10, i));
            img.add_node({static_cast<pstread::node_id>(0x20 * i + 1), 4u * i, 0, 0});
        }
        return write("small.pst", img.finish());
    }

    fs::path m_dir;
};

TEST_F(InfoCommandTest, PrintsTheHeaderFactsAndCounts) {
    const fs::path file = small_file();
    const run_result result = run("'" + file.string() + "'");
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string eof = std::to_string(fs::file_size(file));
    EXPECT_EQ(result.out, file.string() +
                              "\n"
                              "  variant:      ANSI\n"
                              "  wVer:         14\n"
                              "  encoding:     cyclic\n"
                              "  ibFileEof:    " +
                              eof +
                              "\n"
                              "  nodes (NBT):  3\n"
                              "  blocks (BBT): 3\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(InfoCommandTest, AFailingFileGetsOneLineAndTheRestAreStillShown) {
    const fs::path bad = write("bad.pst", pstread::byte_buffer(600, 0x41));
    const fs::path good = small_file();
    const run_result result = run("'" + bad.string() + "' '" + (m_dir / "missing.pst").string() +
                                  "' '" + good.string() + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "mailwright: " + bad.string() +
                              ": header dwCRCPartial failure\n"
                              "mailwright: " +
                              (m_dir / "missing.pst").string() + ": fopen failed\n");
    EXPECT_EQ(result.out.rfind(good.string() + "\n", 0), 0u) << result.out;
}

TEST_F(InfoCommandTest, NoFilesIsAUsageError) {
    const run_result result = run("");
    EXPECT_EQ(result.status, 64);
    EXPECT_NE(result.err.find("usage: mailwright info FILE..."), std::string::npos);
}

TEST_F(InfoCommandTest, ShowsWhenTheHeaderEndOfFileDiffersFromTheFile) {
    const fs::path file = fs::path(MW_CORPUS_DIR) / "aspose_c_Backup_out.pst";
    if (!fs::exists(file)) {
        GTEST_SKIP() << "sample corpus not found at " << MW_CORPUS_DIR;
    }
    const run_result result = run("'" + file.string() + "'");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("ibFileEof:    271360 (file size 713984)"), std::string::npos)
        << result.out;
}

}  // namespace
