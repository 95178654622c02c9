// `convert -j N`: the threads that make mail ahead change nothing in the
// output, for builder mailboxes of both kinds and the real sample files.
#include <map>

#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quoted;

// Every file below `out` by its path there; the report, whose name tells
// the time, as "report".
std::map<std::string, std::string> output_tree(const fs::path& out) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_regular_file()) {
            const bool report =
                entry.path().parent_path() == out && entry.path().extension() == ".txt";
            tree[report ? "report" : fs::relative(entry.path(), out).string()] =
                testfiles::slurp(entry.path());
        }
    }
    return tree;
}

class ConvertJobsTest : public clitest::CommandTest {};

TEST_F(ConvertJobsTest, OneAndFourWorkersWriteTheSameBytes) {
    std::string files;
    for (const char* variant : {"unicode", "ansi"}) {
        const fs::path file = m_dir / (std::string(variant) + ".pst");
        ASSERT_EQ(std::system(("'" MW_BINARY_DIR "/tests/mkpst' --quiet --folders 3 --messages 200 "
                               "--attachment-kb 4 --" +
                               std::string(variant) + " " + quoted(file))
                                  .c_str()),
                  0);
        files += quoted(file) + " ";
    }
    for (const fs::path& file : clitest::corpus_files()) {
        files += quoted(file) + " ";
    }
    // A given code page reaches the workers too: the messages of the ANSI
    // sample files record 1252, which they must not follow then.
    for (const std::string format : {"mbox", "eml", "mbox --codepage 1251"}) {
        SCOPED_TRACE(format);
        std::map<std::string, std::string> first;
        for (const char* jobs : {"1", "4"}) {
            fs::remove_all(m_dir / "out");
            const auto r = run(files + "-o " + quoted(m_dir / "out") + " --quiet --mail-format " +
                               format + " -j " + jobs);
            ASSERT_TRUE(r.status == 0 || r.status == 3) << r.status << r.err;
            if (first.empty()) {
                first = output_tree(m_dir / "out");
                continue;
            }
            const auto tree = output_tree(m_dir / "out");
            EXPECT_EQ(tree.size(), first.size());
            for (const auto& [path, bytes] : first) {
                EXPECT_TRUE(tree.contains(path) && tree.at(path) == bytes) << path;
            }
        }
    }
}

}  // namespace
