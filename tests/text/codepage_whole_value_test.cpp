#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

const TextEncodingItem& row(std::uint32_t code_page) {
    const TextEncodingItem* found = GetCodePageInfo(code_page);
    if (found == nullptr) {
        throw std::logic_error("test uses an unknown code page");
    }
    return *found;
}

std::vector<std::uint8_t> utf16le(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

TEST(WholeValueConversion, Utf16ToUtf8Cases) {
    struct Case {
        const char* name;
        std::u16string text;
        std::string utf8;
    };
    const Case cases[] = {
        {"empty", u"", ""},
        {"ascii", u"Hello", "Hello"},
        {"two and three bytes", u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
        {"surrogate pair", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {"highest code point", u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        {"lone lead at end", u"a\xD83D", "a\xEF\xBF\xBD"},
        {"lone trail", u"\xDE00z", "\xEF\xBF\xBDz"},
        {"reversed pair", u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"embedded NUL", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf16_to_utf8(c.text), c.utf8);
        const auto bytes = utf16le(c.text);
        EXPECT_EQ(utf16le_bytes_to_utf8(bytes.data(), bytes.size()), c.utf8);
    }
}

TEST(WholeValueConversion, OddTrailingByteIsNotAUnit) {
    const std::uint8_t bytes[] = {0x41, 0x00, 0x42};
    EXPECT_EQ(utf16le_bytes_to_utf8(bytes, sizeof bytes), "A");
    EXPECT_EQ(utf16le_bytes_to_utf8(nullptr, 0), "");
}

TEST(WholeValueConversion, Utf16DecoderAgreesWithIcuOnRandomUnits) {
    // Random units drawn mostly from surrogates and boundaries, where a
    // hand-written decoder goes wrong.
    const char16_t interesting[] = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF,
                                    0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF};
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(interesting) - 1);
    std::uniform_int_distribution<std::size_t> length(1, 12);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        for (std::size_t i = length(random); i > 0; --i) {
            text.push_back(interesting[pick(random)]);
        }
        const auto bytes = utf16le(text);
        ASSERT_EQ(utf16le_bytes_to_utf8(bytes.data(), bytes.size()),
                  bytes_to_utf8string(bytes, &Utf16LeRow()))
            << "round " << round;
    }
}

TEST(WholeValueConversion, LongValuesAreNeverCut) {
    // Far beyond the 1032/2056-byte rooms of the fixed-buffer functions.
    std::u16string text;
    for (int i = 0; i < 5000; ++i) {
        text += u"\u0416";  // Ж: two UTF-8 bytes, one byte in 1251
    }
    text += u"\xD83D\xDE00";
    const std::string utf8 = utf16_to_utf8(text);
    EXPECT_EQ(utf8.size(), 10004u);
    EXPECT_EQ(utf8_to_utf16(utf8), text);
    const std::string cyrillic = utf16_to_code_page(text.substr(0, 5000), row(1251));
    EXPECT_EQ(cyrillic, std::string(5000, '\xC6'));
    EXPECT_EQ(convert_code_page(cyrillic, row(1251), Utf8Row()),
              utf16_to_utf8(text.substr(0, 5000)));
}

TEST(WholeValueConversion, SingleByteCodePagesRoundTripEveryDefinedByte) {
    // Double-byte code pages round-trip their samples in the conversion tests.
    const std::uint32_t code_pages[] = {1250, 1251, 1252, 1253, 1254, 20866, 866, 28597};
    for (const std::uint32_t code_page : code_pages) {
        SCOPED_TRACE(code_page);
        int defined = 0;
        for (int b = 0x20; b <= 0xFF; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string utf8 = bytes_to_utf8string(byte, &row(code_page));
            if (utf8 == "\xEF\xBF\xBD" || utf8 == "\x1A") {
                continue;  // a hole in this code page
            }
            ++defined;
            EXPECT_EQ(utf8_to_code_page(utf8, row(code_page)), byte) << "byte " << b;
        }
        EXPECT_GT(defined, 200);
    }
}

TEST(WholeValueConversion, MalformedUtf8IsSubstitutedNotThrown) {
    EXPECT_EQ(utf8_to_utf16("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf8_to_code_page("\xC3", Utf16LeRow()), std::string("\xFD\xFF", 2));
}

}  // namespace
}  // namespace mailwright::text
