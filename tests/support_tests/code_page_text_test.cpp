#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_bytes.h"
#include "support/code_page_text.h"
#include "support/string_form.h"

namespace {

using namespace pstbuild;

TEST(CodePageText, EncodesIntoWindowsAndIsoCodePages) {
    const struct {
        const char* utf8;
        unsigned code_page;
        const char* hex;
    } cases[] = {
        {"Größe", 1252, "47 72 F6 DF 65"},
        {"Привет", 1251, "CF F0 E8 E2 E5 F2"},
        {"Привет", 20866, "F0 D2 C9 D7 C5 D4"},  // KOI8-R
        {"日本", 932, "93 FA 96 7B"},
        {"Ωμέγα", 1253, "D9 EC DD E3 E1"},
        {"Ωμέγα", 28597, "D9 EC DD E3 E1"},
        {"€", 1252, "80"},
        {"plain", 20127, "70 6C 61 69 6E"},
        {"日本", 65001, "E6 97 A5 E6 9C AC"},
        {"Ab", 1200, "41 00 62 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.utf8) + " in " + std::to_string(c.code_page));
        EXPECT_EQ(encode_code_page(c.utf8, c.code_page), testbytes::from_hex(c.hex));
        EXPECT_TRUE(representable(c.utf8, c.code_page));
    }
}

TEST(CodePageText, MissingCharactersBecomeQuestionMarks) {
    EXPECT_EQ(encode_code_page("a日b", 1252), testbytes::from_hex("61 3F 62"));
    EXPECT_FALSE(representable("a日b", 1252));
    EXPECT_FALSE(representable("Ωμέγα", 1251));
}

TEST(CodePageText, RejectsMalformedTextAndUnknownCodePages) {
    EXPECT_THROW(encode_code_page("\xC3", 1252), std::invalid_argument);
    EXPECT_THROW(encode_code_page("\xC3", 65001), std::invalid_argument);
    EXPECT_THROW(encode_code_page("a", 4), std::invalid_argument);
}

TEST(StringForm, UnicodeFilesStoreUtf16AnsiFilesTheCodePage) {
    const StringForm unicode(Variant::unicode, 1251);
    const StringForm ansi(Variant::ansi, 1251);
    EXPECT_EQ(unicode.value("Яд").type, kPtUnicode);
    EXPECT_EQ(unicode.value("Яд").bytes, testbytes::from_hex("2F 04 34 04"));
    EXPECT_EQ(ansi.value("Яд").type, kPtString8);
    EXPECT_EQ(ansi.value("Яд").bytes, testbytes::from_hex("DF E4"));
    // String columns of tables follow the file's form, multi-valued ones too.
    EXPECT_EQ(ansi.adapt(kPtUnicode), kPtString8);
    EXPECT_EQ(ansi.adapt(kPtUnicode | kPtMultiValued), kPtString8 | kPtMultiValued);
    EXPECT_EQ(unicode.adapt(kPtString8), kPtUnicode);
    EXPECT_EQ(ansi.adapt(kPtBinary), kPtBinary);
}

}  // namespace
