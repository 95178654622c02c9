// Golden files of the MIME writer: representative sample messages and the
// exact text it makes of them (NAME.eml or NAME.mbox).
#include <gtest/gtest.h>

#include <functional>

#include "formats/golden_file.h"
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
    {"html_only",
     "Only an HTML body in UTF-8 with a line starting with From; Unicode file; EML mode.",
     html_only,
     {}},
    {"plain_and_html",
     "Plain and HTML bodies in UTF-8 and no attachments; Unicode file; EML mode.",
     plain_and_html,
     {}},
    {"inline_images",
     "An HTML body and two inline PNG images with content IDs first and second; Unicode file; "
     "EML mode.",
     inline_images,
     {}},
    {"hidden_inline_image",
     "An HTML body and one inline image flagged as rendered in the body; Unicode file; EML mode.",
     hidden_inline_image,
     {}},
    {"by_reference",
     "A plain body, an attachment by reference, an OLE attachment without data and a text file; "
     "Unicode file; EML mode.",
     by_reference_attachments,
     {}},
    {"non_ascii_names",
     "Subject, sender name, body and attachment file name outside ASCII; Unicode file; EML mode.",
     non_ascii_names,
     {}},
    {"bare_ansi",
     "Nothing but a message class; ANSI file, the session's code page is windows-1251; EML mode.",
     bare_message,
     {.variant = pstbuild::Variant::ansi, .defaultCodePage = 1251}},
    {"every_header",
     "Every header of a synthesized block: return path, unread, sender on behalf, To, Cc, Bcc, "
     "reply-to, subject prefix, Message-ID, priority, importance, In-Reply-To, References; "
     "Unicode file; writer zone Europe/Berlin; EML mode.",
     every_header,
     {}},
    {"stored_headers",
     "Stored Internet headers with Received, Content-Type and MIME-Version lines and a plain body; "
     "Unicode file; EML mode.",
     [] { return stored_headers(true); },
     {}},
};

void PrintTo(const GoldenCase& c, std::ostream* out) {
    *out << c.name;
}

class MimeGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(MimeGolden, OutputMatchesTheGoldenFile) {
    const GoldenCase& c = GetParam();
    goldentest::ExpectGolden(std::string(c.name) + (c.options.mbox ? ".mbox" : ".eml"),
                             c.description, write_message(c.message(), c.options));
}

INSTANTIATE_TEST_SUITE_P(Samples, MimeGolden, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::formats
