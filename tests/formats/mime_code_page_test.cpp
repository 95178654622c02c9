// Which code page bodies are written in, and that converting them in blocks
// never breaks a character.
#include <gtest/gtest.h>

#include "formats/sample_messages.h"
#include "support/property_value.h"
#include "text/code_page_table.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

std::string plainPart(const std::string& text) {
    return body_of(text);
}

TEST(MimeCodePages, UnicodeBodiesWithAWideInternetCodePageAreWrittenAsUtf8) {
    for (const std::uint32_t wide : {1200u, 1201u, 12000u, 12001u}) {
        SCOPED_TRACE(wide);
        pstbuild::Message m = mail("Wide");
        m.internet_code_page = wide;
        m.body = "\xE2\x82\xAC uro";
        const std::string text = write_message(m);
        EXPECT_TRUE(text.ends_with(
            "Content-Type: text/plain;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
            "\xE2\x82\xAC uro\r\n\r\n"))
            << text;
    }
}

TEST(MimeCodePages, WideHtmlIsConvertedToUtf8) {
    pstbuild::Message m = mail("Wide HTML");
    m.internet_code_page = 1200;
    m.extra.push_back(pstbuild::ExtraProperty::of(
        0x1013, pstbuild::pv_binary(pstbuild::utf16le("<p>\xC3\xA9t\xC3\xA9</p>"))));
    const std::string text = write_message(m);
    EXPECT_TRUE(text.ends_with(
        "Content-Type: text/html;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "<p>\xC3\xA9t\xC3\xA9</p>\r\n\r\n"))
        << text;
}

TEST(MimeCodePages, UnicodeHtmlPropertyIsWrittenAsUtf8) {
    pstbuild::Message m = mail("Unicode HTML");
    m.internet_code_page = 1252;
    m.extra.push_back(
        pstbuild::ExtraProperty::of(0x1013, pstbuild::pv_unicode("<p>\xE2\x82\xAC</p>")));
    const std::string text = write_message(m);
    EXPECT_TRUE(text.ends_with(
        "Content-Type: text/html;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "<p>\xE2\x82\xAC</p>\r\n\r\n"))
        << text;
}

TEST(MimeCodePages, ABodyThatDoesNotFitItsCodePageIsWrittenAsUtf8) {
    pstbuild::Message m = mail("Mixed scripts");
    m.internet_code_page = 1252;
    m.body = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
    const std::string text = write_message(m);
    EXPECT_TRUE(
        text.ends_with("charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\nCaf\xC3\xA9 "
                       "\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n"))
        << text;
    // The same body without the Japanese fits windows-1252.
    m.body = "Caf\xC3\xA9";
    EXPECT_TRUE(write_message(m).ends_with(
        "charset=\"windows-1252\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\nCaf\xE9\r\n\r\n"));
}

TEST(MimeCodePages, AnAnsiBodyIsCopiedInItsOwnCodePage) {
    pstbuild::Message m = mail("Cyrillic");
    m.internet_code_page = 1251;
    m.body = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет
    const std::string text =
        write_message(m, {.variant = pstbuild::Variant::ansi, .mailboxCodePage = 1252});
    EXPECT_TRUE(text.ends_with(
        "Content-Type: text/plain;charset=\"windows-1251\"\r\nContent-Transfer-Encoding: "
        "8bit\r\n\r\n"
        "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\r\n"))
        << text;
}

TEST(MimeCodePages, BlockConversionNeverBreaksACharacter) {
    // UTF-16 source converted in blocks of 1024 (EML) and 5700 (MBOX) bytes
    // into UTF-8: surrogate pairs and three-byte characters cross every seam.
    std::string body;
    while (body.size() < 30000) {
        body += "a\xF0\x9F\x98\x80\xE6\x97\xA5\xC3\xA9";
    }
    pstbuild::Message m = mail("Long");
    m.internet_code_page = 65001;
    m.body = body;
    EXPECT_EQ(plainPart(write_message(m)), body + "\r\n\r\n");
    EXPECT_EQ(body_of(write_message(m, {.mbox = true}), "\n"), body + "\n\n");
    // And into a code page that holds its characters: Shift_JIS.
    std::string japanese;
    while (japanese.size() < 30000) {
        japanese += "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E a ";
    }
    m.internet_code_page = 932;
    m.body = japanese;
    const std::string sjis = text::utf8_to_code_page(japanese, *text::GetCodePageInfo(932));
    EXPECT_EQ(plainPart(write_message(m)), sjis + "\r\n\r\n");
    EXPECT_EQ(body_of(write_message(m, {.mbox = true}), "\n"), sjis + "\n\n");
}

}  // namespace
}  // namespace mailwright::formats
