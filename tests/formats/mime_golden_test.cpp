// Golden files of the MIME writer: representative sample messages and the
// exact text it makes of them (NAME.eml or NAME.mbox, the input described
// in NAME.txt).
#include <gtest/gtest.h>

#include <functional>

#include "formats/golden_file.h"
#include "formats/sample_messages.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

struct GoldenCase {
    const char* name;
    std::function<pstbuild::Message()> message;
    WriteOptions options;
};

const GoldenCase kCases[] = {
    {"plain_only", plain_only, {}},
    {"plain_html_attachment", plain_html_and_attachment, {}},
    {"related_in_mixed", inline_images_and_attachment, {}},
    {"embedded_message", embedded_message, {.mbox = true}},
    {"rtf_picture", [] { return rtf_only(true); }, {.variant = pstbuild::Variant::ansi}},
    {"signed", signed_message, {.mbox = true}},
    {"opaque", [] { return opaque_message(true); }, {.resolveContentType = true}},
    {"html_only", html_only, {}},
    {"plain_and_html", plain_and_html, {}},
    {"inline_images", inline_images, {}},
    {"hidden_inline_image", hidden_inline_image, {}},
    {"by_reference", by_reference_attachments, {}},
    {"non_ascii_names", non_ascii_names, {}},
    {"bare_ansi", bare_message, {.variant = pstbuild::Variant::ansi, .defaultCodePage = 1251}},
    {"every_header", every_header, {}},
    {"stored_headers", [] { return stored_headers(true); }, {}},
};

void PrintTo(const GoldenCase& c, std::ostream* out) {
    *out << c.name;
}

class MimeGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(MimeGolden, OutputMatchesTheGoldenFile) {
    const GoldenCase& c = GetParam();
    goldentest::ExpectGolden(std::string(c.name) + (c.options.mbox ? ".mbox" : ".eml"),
                             write_message(c.message(), c.options));
}

INSTANTIATE_TEST_SUITE_P(Samples, MimeGolden, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::formats
