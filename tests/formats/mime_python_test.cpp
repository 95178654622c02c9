// Every sample message, from Unicode and ANSI files, written as EML files and
// as one MBOX mailbox, parsed by Python's email and mailbox packages: no
// defects, bodies decode to the stored text, attachments to the stored
// bytes, the mailbox holds every message with its "From " lines quoted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "formats/expected_from_pst.h"
#include "formats/python_check.h"
#include "formats/sample_messages.h"

namespace mailwright::formats {
namespace {

using mimetest::WriteOptions;

void checkSamples(pstbuild::Variant variant) {
    if (!mimetest::PythonAvailable()) {
        GTEST_SKIP() << "python3 with the email package is not available";
    }
    const WriteOptions eml{.variant = variant, .resolveContentType = true};
    const WriteOptions mbox{.mbox = true, .variant = variant, .resolveContentType = true};
    const psttest::BuiltMailbox built = mimetest::build_inbox(mimetest::all_samples(), eml);
    const std::vector<std::string> emlTexts = mimetest::write_built(built, eml);
    const std::vector<std::string> mboxTexts = mimetest::write_built(built, mbox);

    pstread::pst file(built.open());
    const pstread::folder inbox = file.open_folder(built.folder_nid(mimetest::kInboxPath));
    std::vector<mimetest::ExpectedMessage> expected;
    for (pstread::message m : inbox.messages()) {
        expected.push_back(mimetest::expect_from_pst(m, text::GetCodePageInfo(1252)));
    }
    ASSERT_EQ(expected.size(), emlTexts.size());

    mimetest::PythonCheck check;
    std::string mailbox;
    for (std::size_t i = 0; i < emlTexts.size(); ++i) {
        check.addEml(emlTexts[i], expected[i]);
        mailbox += mboxTexts[i];
    }
    check.addMbox(mailbox, expected);
    if (const char* dump = std::getenv("MW_MIME_DUMP_DIR")) {
        std::ofstream(std::string(dump) + "/samples.mbox", std::ios::binary) << mailbox;
    }
    const mimetest::PythonResult result = check.run();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("checked " + std::to_string(2 * expected.size()) + " messages"),
              std::string::npos)
        << result.output;
}

TEST(MimePython, SamplesOfAUnicodeFileParseWithoutDefects) {
    checkSamples(pstbuild::Variant::unicode);
}

TEST(MimePython, SamplesOfAnAnsiFileParseWithoutDefects) {
    checkSamples(pstbuild::Variant::ansi);
}

}  // namespace
}  // namespace mailwright::formats
