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

// A message's boundaries carry its identity: the digits after the first
// boundary prefix of its text.
std::string boundaryOf(const std::string& text, const std::string& kind) {
    const std::size_t start = text.find("----=_NEXTPART_");
    const std::size_t digits = text.find('_', start + 15) + 1;
    return "----=_NEXTPART_" + kind + "_" + text.substr(digits, kBoundaryIdentityDigits);
}
std::string mixedOf(const std::string& text) {
    return boundaryOf(text, "MIXED");
}
std::string relatedOf(const std::string& text) {
    return boundaryOf(text, "RELATED");
}
std::string alternativeOf(const std::string& text) {
    return boundaryOf(text, "ALTERNATE");
}

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

TEST(MimeStructure, HtmlOnlyIsOneHtmlPartLabelledWithItsCodePage) {
    const std::string text = write_message(html_only());
    EXPECT_TRUE(endsWith(
        text,
        "\r\nContent-Type: text/html;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "<html><body><p>Caf\xC3\xA9</p>\r\nFrom here</body></html>\r\n\r\n"));
}

TEST(MimeStructure, PlainAndHtmlAreAlternativesAtTheTop) {
    const std::string text = write_message(plain_and_html());
    const std::string expected = "Content-Type: multipart/alternative;\r\n boundary=\"" +
                                 alternativeOf(text) +
                                 "\"\r\n\r\nThis is a multi-part message in MIME 1.0 format\r\n\r\n"
                                 "\r\n--" +
                                 alternativeOf(text) +
                                 "\r\nContent-Type: text/plain;charset=\"UTF-8\"\r\n"
                                 "Content-Transfer-Encoding: 8bit\r\n\r\nPlain text\r\n\r\n"
                                 "\r\n--" +
                                 alternativeOf(text) +
                                 "\r\nContent-Type: text/html;charset=\"UTF-8\"\r\n"
                                 "Content-Transfer-Encoding: 8bit\r\n\r\n<p>HTML text</p>\r\n"
                                 "\r\n--" +
                                 alternativeOf(text) + "--\r\n\r\n\r\n";
    EXPECT_TRUE(endsWith(text, expected)) << text;
}

TEST(MimeStructure, InlineImagesFollowTheHtmlInReverseTableOrder) {
    const std::string text = write_message(inline_images());
    at(text, "Content-Type: multipart/related;\r\n boundary=\"" + relatedOf(text) + "\"");
    EXPECT_EQ(text.find("multipart/mixed"), std::string::npos);
    const std::size_t html = at(text, "--" + relatedOf(text) + "\r\nContent-Type: text/html");
    const std::size_t second = at(text, "Content-ID: <second>\r\n\r\n", html);
    at(text, "Content-ID: <first>\r\n\r\n", second);
    EXPECT_TRUE(endsWith(text, "\r\n--" + relatedOf(text) + "--\r\n\r\n\r\n"));
}

TEST(MimeStructure, AHiddenInlineImageIsLeftOut) {
    const std::string text = write_message(hidden_inline_image());
    EXPECT_EQ(text.find("multipart"), std::string::npos);
    EXPECT_EQ(text.find("hidden.png"), std::string::npos);
    EXPECT_TRUE(endsWith(
        text,
        "Content-Type: text/html;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "<p>No picture</p>\r\n\r\n"));
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
    const std::size_t html = at(
        text,
        "\r\nContent-Type: text/html;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n");
    const std::string body = text.substr(html);
    EXPECT_NE(body.find("Hello from RTF"), std::string::npos);
    EXPECT_NE(body.find("Second line"), std::string::npos);
    for (std::size_t p = body.find('\n'); p != std::string::npos; p = body.find('\n', p + 1)) {
        ASSERT_EQ(body[p - 1], '\r') << "a bare LF in the HTML made from RTF";
    }
    EXPECT_EQ(text.find("multipart"), std::string::npos);
}

TEST(MimeStructure, AttachmentsByReferenceLeaveEmptyParts) {
    const std::string text = write_message(by_reference_attachments());
    at(text, "--" + mixedOf(text) + "\r\n\r\n--" + mixedOf(text) + "\r\n\r\n--" + mixedOf(text) +
                 "\r\nContent-Type: text/plain; charset=\"us-ascii\"; name=\"after.txt\"");
}

TEST(MimeStructure, NonAsciiNamesAreEncodedWordsInHeadersAndRfc2231Parameters) {
    const std::string text = write_message(non_ascii_names());
    at(text, "Subject: =?utf-8?B?UsOpc3Vtw6kg5pel5pys?=\r\n");
    at(text, "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <juergen@example.com>\r\n");
    at(text, "Content-Type: application/pdf; name*=utf-8''r%C3%A9sum%C3%A9.pdf\r\n");
    at(text, "Content-Disposition: attachment; filename*=utf-8''r%C3%A9sum%C3%A9.pdf\r\n");
}

TEST(MimeStructure, SynthesizedMessageIdsComeFromTheMessagesAndRepeat) {
    const auto texts = write_messages({bare_message(), bare_message()});
    ASSERT_EQ(texts.size(), 2u);
    const std::string kStart = "Message-ID: <";
    ASSERT_EQ(texts[0].rfind(kStart, 0), 0u) << texts[0];
    const std::string id = texts[0].substr(kStart.size(), texts[0].find('>') - kStart.size());
    EXPECT_EQ(id.size(), 36u + std::string("@localhost").size()) << id;
    EXPECT_EQ(texts[0].substr(texts[0].find('>')),
              ">\r\nMIME-Version: 1.0 (Converted by Mailwright MIME Engine V 2.0)\r\n"
              "Content-Type: text/plain;charset=\"UTF-8\"\r\n"
              "Content-Transfer-Encoding: 8bit\r\n\r\n\r\n");
    // Two messages differ; the same file written again gives the same ids.
    EXPECT_EQ(texts[1].find(id), std::string::npos);
    EXPECT_EQ(write_messages({bare_message(), bare_message()}), texts);
}

TEST(MimeStructure, ABareMessageOfAnAnsiFileIsLabelledWithTheDefaultCodePage) {
    const std::string text = write_message(
        bare_message(), {.variant = pstbuild::Variant::ansi, .defaultCodePage = 1251});
    EXPECT_TRUE(
        endsWith(text,
                 "Content-Type: text/plain;charset=\"windows-1251\"\r\nContent-Transfer-Encoding: "
                 "8bit\r\n\r\n\r\n"));
}

}  // namespace
}  // namespace mailwright::formats
