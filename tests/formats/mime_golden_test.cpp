// Golden files: representative sample messages and the exact text the writer
// makes of them, side by side in tests/formats/golden (NAME.txt describes the
// input, NAME.eml or NAME.mbox is the expected output). A change of output
// shows up as a reviewable diff: regenerate with
// tests/formats/regenerate_golden.sh BUILD_DIR (or MW_REGENERATE_GOLDEN=1).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "formats/sample_messages.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

struct GoldenCase {
    const char* name;
    const char* description;
    std::function<pstbuild::Message()> message;
    WriteOptions options;
};

const GoldenCase kCases[] = {
    {"plain_only",
     "A plain body in windows-1252 (PidTagInternetCodepage 1252) with lines starting with From and "
     ">From, one recipient; Unicode file; EML mode.",
     plain_only,
     {}},
    {"plain_html_attachment",
     "Plain and HTML bodies (UTF-8) and one PDF attachment by value of 300 bytes; Unicode file; "
     "EML mode.",
     plain_html_and_attachment,
     {}},
    {"related_in_mixed",
     "Plain and HTML bodies, two inline PNG images with content IDs first and second, and one "
     "text file before them in the attachment table; Unicode file; EML mode.",
     inline_images_and_attachment,
     {}},
    {"embedded_message",
     "A plain body and an embedded message that has its own plain body (with a From line) and a "
     "binary attachment; Unicode file; MBOX mode.",
     embedded_message,
     {.mbox = true}},
    {"rtf_picture",
     "Only an RTF body holding a PNG picture (\\bliptag42); ANSI file; EML mode.",
     [] { return rtf_only(true); },
     {.variant = pstbuild::Variant::ansi}},
    {"signed",
     "Class IPM.Note.SMIME.MultipartSigned with one multipart/signed attachment holding the signed "
     "entity; Unicode file; MBOX mode.",
     signed_message,
     {.mbox = true}},
    {"opaque",
     "Class IPM.Note.SMIME with one application/pkcs7-mime attachment and the PS_INTERNET_HEADERS "
     "content-type named property; Unicode file; EML mode.",
     [] { return opaque_message(true); },
     {.resolveContentType = true}},
    {"stored_headers",
     "Stored Internet headers with Received, Content-Type and MIME-Version lines and a plain body; "
     "Unicode file; EML mode.",
     [] { return stored_headers(true); },
     {}},
};

std::string goldenDir() {
    return MW_SOURCE_DIR "/tests/formats/golden/";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class MimeGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(MimeGolden, OutputMatchesTheGoldenFile) {
    const GoldenCase& c = GetParam();
    const std::string text = write_message(c.message(), c.options);
    const std::string base = goldenDir() + c.name;
    const std::string output = base + (c.options.mbox ? ".mbox" : ".eml");
    if (std::getenv("MW_REGENERATE_GOLDEN") != nullptr) {
        std::ofstream(base + ".txt", std::ios::binary) << c.description << "\n";
        std::ofstream(output, std::ios::binary) << text;
        GTEST_SKIP() << "regenerated " << output;
    }
    ASSERT_TRUE(std::filesystem::exists(output)) << output << " is missing: regenerate it";
    EXPECT_EQ(text, readFile(output)) << "output differs from " << output;
}

INSTANTIATE_TEST_SUITE_P(Samples, MimeGolden, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::formats
