// The MIME structure of each kind of message: its top-level content header,
// the nesting and order of its parts, their boundaries, and the closing
// lines. Each test asserts the bytes that make the structure.
#include <gtest/gtest.h>

#include <string>

#include "formats/sample_messages.h"
#include "platform/system_log.h"
#include "text/base64.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

// The first message of a run is number 1001 (its start) and 1002 (the
// ordinary path); the boundaries carry the latter.
const std::string kMixed = "----=_NEXTPART_MIXED_1002";
const std::string kRelated = "----=_NEXTPART_RELATED_1002";
const std::string kAlternative = "----=_NEXTPART_ALTERNATE_1002";

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Position of `needle` in `text` at or after `from`; fails the test when
// absent.
std::size_t at(const std::string& text, const std::string& needle, std::size_t from = 0) {
    const std::size_t position = text.find(needle, from);
    EXPECT_NE(position, std::string::npos) << "missing: " << needle;
    return position;
}

std::size_t count(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) {
        ++n;
    }
    return n;
}

TEST(MimeStructure, PlainOnlyIsOneTextPartWithoutEncodingHeaderOrBoundary) {
    const std::string text = write_message(plain_only());
    EXPECT_TRUE(endsWith(text,
                         "\r\nContent-Type: text/plain;charset=\"windows-1252\"\r\n\r\n"
                         "Gr\xFC\xDF"
                         "e aus Berlin\r\nFrom the office\r\n>From a quote\r\n\r\n\r\n"));
    EXPECT_EQ(text.find("Content-Transfer-Encoding"), std::string::npos);
    EXPECT_EQ(text.find("boundary"), std::string::npos);
}

TEST(MimeStructure, HtmlOnlyIsOneHtmlPartLabelledWithItsCodePage) {
    const std::string text = write_message(html_only());
    EXPECT_TRUE(endsWith(text,
                         "\r\nContent-Type: text/html;charset=\"UTF-8\"\r\n\r\n"
                         "<html><body><p>Caf\xC3\xA9</p>\r\nFrom here</body></html>\r\n\r\n"));
}

TEST(MimeStructure, PlainAndHtmlAreAlternativesAtTheTop) {
    const std::string text = write_message(plain_and_html());
    const std::string expected = "Content-Type: multipart/alternative;\r\n boundary=\"" +
                                 kAlternative +
                                 "\"\r\n\r\nThis is a multi-part message in MIME 1.0 format\r\n\r\n"
                                 "\r\n--" +
                                 kAlternative +
                                 "\r\nContent-Type: text/plain;charset=\"UTF-8\"\r\n"
                                 "Content-Transfer-Encoding: 8bit\r\n\r\nPlain text\r\n\r\n"
                                 "\r\n--" +
                                 kAlternative +
                                 "\r\nContent-Type: text/html;charset=\"UTF-8\"\r\n"
                                 "Content-Transfer-Encoding: 8bit\r\n\r\n<p>HTML text</p>\r\n"
                                 "\r\n--" +
                                 kAlternative + "--\r\n\r\n\r\n";
    EXPECT_TRUE(endsWith(text, expected)) << text;
}

TEST(MimeStructure, AnAttachmentPutsTheAlternativesInsideAMixedPart) {
    const std::string text = write_message(plain_html_and_attachment());
    const std::size_t top = at(text, "Content-Type: multipart/mixed;\r\n boundary=\"" + kMixed +
                                         "\"\r\n\r\nThis is a multi-part message in MIME 1.0 "
                                         "format\r\n\r\n--" +
                                         kMixed + "\r\n");
    const std::size_t nested =
        at(text,
           "--" + kMixed + "\r\nContent-Type: multipart/alternative;\r\n boundary=\"" +
               kAlternative + "\"\r\nContent-Disposition: inline;\r\n\r\n--" + kAlternative,
           top);
    const std::size_t closed = at(text, "\r\n--" + kAlternative + "--\r\n\r\n", nested);
    const std::size_t attachment =
        at(text,
           "\r\n--" + kMixed +
               "\r\nContent-Type: application/pdf; name= \"report.pdf\"\r\n"
               "Content-Transfer-Encoding: base64\r\n"
               "Content-Disposition: attachment; filename= \"report.pdf\"\r\n\r\n\r\n",
           closed);
    std::ostringstream base64;
    text::WriteBase64Lines(all_byte_values(300), base64, "\r\n");
    at(text, base64.str() + "\r\n\r\n", attachment);
    EXPECT_TRUE(endsWith(text, "\r\n--" + kMixed + "--\r\n\r\n\r\n"));
}

TEST(MimeStructure, InlineImagesFollowTheHtmlInReverseTableOrder) {
    const std::string text = write_message(inline_images());
    at(text, "Content-Type: multipart/related;\r\n boundary=\"" + kRelated + "\"");
    EXPECT_EQ(text.find("multipart/mixed"), std::string::npos);
    const std::size_t html = at(text, "--" + kRelated + "\r\nContent-Type: text/html");
    const std::size_t second = at(text, "Content-ID: <second>\r\n\r\n", html);
    at(text, "Content-ID: <first>\r\n\r\n", second);
    EXPECT_TRUE(endsWith(text, "\r\n--" + kRelated + "--\r\n\r\n\r\n"));
}

TEST(MimeStructure, InlineImagesAndAFileNestRelatedInMixed) {
    const std::string text = write_message(inline_images_and_attachment());
    const std::size_t top = at(text, "Content-Type: multipart/mixed;");
    const std::size_t related = at(
        text,
        "--" + kMixed + "\r\nContent-Type: multipart/related;\r\n boundary=\"" + kRelated +
            "\"\r\n\r\n--" + kRelated + "\r\nContent-Type: multipart/alternative;\r\n boundary=\"" +
            kAlternative + "\"\r\nContent-Disposition: inline;\r\n",
        top);
    const std::size_t alternativesClosed = at(text, "--" + kAlternative + "--", related);
    const std::size_t image =
        at(text, "\r\n--" + kRelated + "\r\nContent-Type: image/png", alternativesClosed);
    const std::size_t relatedClosed = at(text, "\r\n--" + kRelated + "--\r\n\r\n", image);
    at(text, "\r\n--" + kMixed + "\r\nContent-Type: text/plain; name= \"notes.txt\"",
       relatedClosed);
    EXPECT_TRUE(endsWith(text, "\r\n--" + kMixed + "--\r\n\r\n\r\n"));
}

TEST(MimeStructure, AHiddenInlineImageIsLeftOut) {
    const std::string text = write_message(hidden_inline_image());
    EXPECT_EQ(text.find("multipart"), std::string::npos);
    EXPECT_EQ(text.find("hidden.png"), std::string::npos);
    EXPECT_TRUE(endsWith(text,
                         "Content-Type: text/html;charset=\"UTF-8\"\r\n\r\n"
                         "<p>No picture</p>\r\n\r\n"));
}

TEST(MimeStructure, AnEmbeddedMessageIsWrittenWholeWithItsOwnNumbers) {
    const std::string text = write_message(embedded_message());
    const std::size_t part = at(text, "--" + kMixed +
                                          "\r\nContent-Type: message/rfc822\r\n"
                                          "Content-Transfer-Encoding: 7bit\r\n"
                                          "Content-Disposition: attachment\r\n\r\nStatus: R\r\n");
    const std::size_t inner =
        at(text, "Subject: Inner message\r\nMessage-ID: <" + std::string(kWriterId) + "@1004>\r\n",
           part);
    // The inner message took numbers 1003 and 1004: its boundary differs.
    at(text, "boundary=\"----=_NEXTPART_MIXED_1004\"", inner);
    const std::size_t innerFile =
        at(text, "Content-Disposition: attachment; filename= \"inner.bin\"", inner);
    at(text, "\r\n------=_NEXTPART_MIXED_1004--\r\n\r\n\r\n", innerFile);
    EXPECT_TRUE(endsWith(text, "\r\n--" + kMixed + "--\r\n\r\n\r\n"));
}

TEST(MimeStructure, EmbeddedMessagesStopAtTheDepthLimit) {
    // A chain of messages, each holding the next, one deeper than written.
    auto innermost = std::make_shared<pstbuild::Message>(
        mail("level " + std::to_string(kMaxEmbeddedMessageDepth + 1)));
    std::shared_ptr<const pstbuild::Message> next = innermost;
    for (int level = static_cast<int>(kMaxEmbeddedMessageDepth); level >= 0; --level) {
        auto m = std::make_shared<pstbuild::Message>(mail("level " + std::to_string(level)));
        pstbuild::Attachment a;
        a.filename = "next";
        a.embedded = next;
        m->attachments.push_back(a);
        next = m;
    }
    platform::ScopedLogCapture log;
    const std::string text = write_message(*next);
    EXPECT_EQ(count(text, "Content-Type: message/rfc822"), kMaxEmbeddedMessageDepth + 1);
    EXPECT_NE(text.find("Subject: level " + std::to_string(kMaxEmbeddedMessageDepth) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("Subject: level " + std::to_string(kMaxEmbeddedMessageDepth + 1)),
              std::string::npos);
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("nested deeper") != std::string::npos;
                            }),
              1);
}

TEST(MimeStructure, AnRtfBodyBecomesHtmlWithCrLfLineEndsInEmlMode) {
    const std::string text = write_message(rtf_only(false));
    const std::size_t html = at(text, "\r\nContent-Type: text/html;charset=\"UTF-8\"\r\n\r\n");
    const std::string body = text.substr(html);
    EXPECT_NE(body.find("Hello from RTF"), std::string::npos);
    EXPECT_NE(body.find("Second line"), std::string::npos);
    for (std::size_t p = body.find('\n'); p != std::string::npos; p = body.find('\n', p + 1)) {
        ASSERT_EQ(body[p - 1], '\r') << "a bare LF in the HTML made from RTF";
    }
    EXPECT_EQ(text.find("multipart"), std::string::npos);
}

TEST(MimeStructure, AnRtfBodyWithAPictureBecomesHtmlAndAnAttachment) {
    const std::string text = write_message(rtf_only(true));
    const std::size_t top = at(text, "Content-Type: multipart/mixed;");
    const std::size_t html =
        at(text, "--" + kMixed + "\r\nContent-Type: text/html;charset=\"UTF-8\"", top);
    at(text, "&lt;&lt;&lt; Attachment : Image 42.png &gt;&gt;&gt;", html);
    const std::string picture =
        "\r\n--" + kMixed +
        "\r\nContent-Type: application/octet-stream; name= \"Image 42.png\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename= \"Image 42.png\"\r\n\r\n\r\n" +
        // The picture's hexadecimal data, decoded.
        text::Base64EncodeString(std::vector<std::uint8_t>{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A,
                                                           0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                                                           0x44, 0x52}) +
        "\r\n\r\n";
    at(text, picture, html);
    EXPECT_TRUE(endsWith(text, "\r\n--" + kMixed + "--\r\n\r\n\r\n"));
}

TEST(MimeStructure, AttachmentsByReferenceLeaveEmptyParts) {
    const std::string text = write_message(by_reference_attachments());
    at(text, "--" + kMixed + "\r\n\r\n--" + kMixed + "\r\n\r\n--" + kMixed +
                 "\r\nContent-Type: text/plain; name= \"after.txt\"");
}

TEST(MimeStructure, NonAsciiNamesAreEncodedWordsInHeadersAndRfc2231Parameters) {
    const std::string text = write_message(non_ascii_names());
    at(text, "Subject: =?utf-8?B?UsOpc3Vtw6kg5pel5pys?=\r\n");
    at(text, "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <juergen@example.com>\r\n");
    at(text, "Content-Type: application/pdf; name*=utf-8''r%C3%A9sum%C3%A9.pdf\r\n");
    at(text, "Content-Disposition: attachment; filename*=utf-8''r%C3%A9sum%C3%A9.pdf\r\n");
}

TEST(MimeStructure, MessageNumbersGrowByTwoPerOrdinaryMessage) {
    const auto texts = write_messages({bare_message(), bare_message()});
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Message-ID: <" + std::string(kWriterId) +
                            "@1002>\r\nMIME-Version: 1.0 (Converted by Mailwright MIME Engine V "
                            "2.0)\r\nContent-Type: text/plain;charset=\"UTF-8\"\r\n\r\n\r\n");
    EXPECT_NE(texts[1].find("@1004>"), std::string::npos);
}

TEST(MimeStructure, ABareMessageOfAnAnsiFileIsLabelledWithTheDefaultCodePage) {
    const std::string text = write_message(
        bare_message(), {.variant = pstbuild::Variant::ansi, .defaultCodePage = 1251});
    EXPECT_TRUE(endsWith(text, "Content-Type: text/plain;charset=\"windows-1251\"\r\n\r\n\r\n"));
}

}  // namespace
}  // namespace mailwright::formats
