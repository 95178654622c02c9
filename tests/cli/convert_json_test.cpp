// `mailwright convert --json`: the run's result as Python's json module
// reads it, and nothing else on standard output.
#include <fstream>

#include "cli/command_test.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quoted;
using testfiles::run_result;

class ConvertJson : public clitest::CommandTest {};

// Prints the keys of the document in their order and the facts a script
// takes from it, one a line.
constexpr const char* kReadResult = R"(
import json, sys
d = json.load(open(sys.argv[1], encoding='utf-8'))
print(list(d))
print(d['status'], d['outcome'], d['converted'], d['lost'])
print(d['output'] == sys.argv[2], d['report'].startswith(sys.argv[2] + '/PST Conversion Report'))
for f in d['folders']:
    print(f['folder'], f['kind'], f['converted'], f['skipped'])
for p in d['problems']:
    print(p['folder'], p['skipped'], len(p['reasons']))
for f in d['unreadable_files']:
    print(f['path'].endswith('missing.pst'), f['reason'], f['partly_read'])
for f in d['input_files']:
    print(f['variant'], f['code_page'], f['code_page_source'])
)";

TEST_F(ConvertJson, PrintsTheRunsResultForScripts) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    box.top().children.clear();
    // Quotes, a backslash, a control character and non-ASCII text in a name.
    box.top().add_folder("Über \"Q\" \\ \x01 x").messages = {
        psttest::mail("one"), psttest::mail("two"), psttest::mail("three")};
    auto built = psttest::build_file(box);
    psttest::damage_node(
        built, built.report.folder("Top of Personal Folders/Über \"Q\" \\ \x01 x").message_nid(1));
    const fs::path file = write("damaged.pst", built);
    const fs::path out = m_dir / "out";
    const run_result r = run(quoted(m_dir / "missing.pst") + " " + quoted(file) +
                             " --json --kinds=mail -o " + quoted(out));
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("completed with errors: 1 item skipped, 1 file could not be read"),
              std::string::npos)
        << r.err;
    std::ofstream(m_dir / "read.py") << kReadResult;
    std::ofstream(m_dir / "result.json") << r.out;
    const std::string python = "/usr/bin/python3 " + quoted(m_dir / "read.py") + " " +
                               quoted(m_dir / "result.json") + " " + quoted(out) + " >" +
                               quoted(m_dir / "python.txt") + " 2>&1";
    ASSERT_EQ(std::system(python.c_str()), 0) << testfiles::slurp(m_dir / "python.txt") << r.out;
    EXPECT_EQ(testfiles::slurp(m_dir / "python.txt"),
              "['status', 'outcome', 'summary', 'failure', 'output', 'report', 'converted', "
              "'lost', 'folders', 'problems', 'problems_not_listed', 'unreadable_files', "
              "'input_files']\n"
              "3 completed with errors {'mail': 2, 'contacts': 0, 'calendar': 0} {'skipped': 1, "
              "'incomplete': 0, 'unreadable_folders': 0, 'unreadable_files': 1}\n"
              "True True\n"
              "Ann mail 0 0\n"
              "Ann/Top of Personal Folders mail 0 0\n"
              "Ann/Top of Personal Folders/Über \"Q\" \\ \x01 x mail 2 1\n"
              "Ann/Top of Personal Folders/Über \"Q\" \\ \x01 x True 1\n"
              "True No such file or directory False\n"
              "unicode None n/a\n");
}

}  // namespace
