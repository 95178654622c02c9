// The code page table and every conversion between code pages, UTF-8 and
// UTF-16: whole values, caller-sized rooms and block-by-block streams.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/system_log.h"
#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/streaming_converter.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

using platform::ScopedLogCapture;

const TextEncodingItem kMissingConverterRow{1, "no-such-charset", "Nowhere", false};

const TextEncodingItem& row(std::uint32_t code_page) {
    const TextEncodingItem* found = GetCodePageInfo(code_page);
    if (found == nullptr) {
        throw std::logic_error("test uses an unknown code page");
    }
    return *found;
}

// Sample texts with their bytes as Python's codecs (not ICU) encode them.
struct CodePageSample {
    std::uint32_t codePage;
    std::string utf8;
    std::string bytes;
};
const CodePageSample kSamples[] = {
    {1251, "Привет, мир", "\xCF\xF0\xE8\xE2\xE5\xF2\x2C\x20\xEC\xE8\xF0"},
    {932, "日本語ｶﾀｶﾅ", "\x93\xFA\x96\x7B\x8C\xEA\xB6\xC0\xB6\xC5"},
    // 丂 繁 體 exist in GBK (Windows code page 936) but not in GB2312.
    {936, "中文丂繁體", "\xD6\xD0\xCE\xC4\x81\x40\xB7\xB1\xF3\x77"},
    {1250, "Łódź Žluťoučký", "\xA3\xF3\x64\x9F\x20\x8E\x6C\x75\x9D\x6F\x75\xE8\x6B\xFD"},
    {54936, "中😀é", "\xD6\xD0\x94\x39\xFC\x36\xA8\xA6"},
};

TEST(CodePageTable, EveryNumberFindsItsOwnRow) {
    const auto table = CodePageTable();
    ASSERT_FALSE(table.empty());
    // Some numbers share a charset name (euc-jp, iso-2022-jp): each finds its own row.
    for (const TextEncodingItem& r : table) {
        EXPECT_EQ(GetCodePageInfo(r.codePage), &r) << r.codePage;
    }
}

TEST(CodePageConversion, DecodesSamplesInEveryDirection) {
    for (const auto& sample : kSamples) {
        SCOPED_TRACE(sample.codePage);
        const TextEncodingItem& r = row(sample.codePage);
        EXPECT_EQ(bytes_to_utf8string(sample.bytes, &r), sample.utf8);
        EXPECT_EQ(bytes_to_unistring(sample.bytes, &r), utf8_to_utf16(sample.utf8));
        EXPECT_EQ(bytes_to_wstring(sample.bytes, &r), bytes_to_wstring(sample.utf8, &Utf8Row()));
        EXPECT_EQ(utf8_to_code_page(sample.utf8, r), sample.bytes);
        EXPECT_EQ(convert_code_page(sample.bytes, r, Utf8Row()), sample.utf8);
        EXPECT_EQ(StreamingConverter(r, Utf8Row()).convert(sample.bytes, true), sample.utf8);
    }
    // Values far beyond any fixed buffer are converted whole.
    const std::u16string long_text(5000, u'\u0416');
    EXPECT_EQ(utf16_to_utf8(long_text).size(), 10000u);
    EXPECT_EQ(utf8_to_code_page(utf16_to_utf8(long_text), row(1251)), std::string(5000, '\xC6'));
    const std::vector<std::uint8_t> utf16le = wstring_to_bytes(U"A\U0001F600");
    EXPECT_EQ(utf16le, (std::vector<std::uint8_t>{0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE}));
}

TEST(CodePageConversion, BadTextIsSubstitutedAndOnlyAMissingConverterFails) {
    ScopedLogCapture capture;
    const std::string bytes = utf8_to_code_page(
        "a\xE4\xB8\xAD"
        "b",
        row(1252));  // a 中 b
    ASSERT_EQ(bytes.size(), 3u);
    EXPECT_NE(bytes[1], 'a');
    EXPECT_EQ(utf8_to_utf16("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf8_to_code_page("\xC3", Utf16LeRow()), std::string("\xFD\xFF", 2));
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_THROW(bytes_to_utf8string("x", &kMissingConverterRow), std::runtime_error);
    EXPECT_THROW(bytes_to_wstring("x", nullptr), std::runtime_error);
    EXPECT_EQ(capture.lines().size(), 2u);
}

TEST(CodePageConversion, CallersRoomIsNeverOverrun) {
    struct Case {
        std::uint32_t codePage;
        std::u16string text;
        std::size_t lengthInBytes;
        std::size_t capacity;
        std::string expected;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {65001, u"\u041F\u0440\u0438", 6, 6, "\xD0\x9F\xD1\x80\xD0\xB8", {}},
        {1252, u"ab", 3, 16, "a", {}},  // an odd length rounds down
        {1252,
         std::u16string(1100, u'x'),
         2200,
         1032,
         std::string(1032, 'x'),
         {"Conversion Error."}},
        {1252, u"a", 2, 0, "", {"Conversion Error."}},
        {0, u"a", 2, 16, "", {"Invalid U converter for following encoding : 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        ScopedLogCapture capture;
        std::vector<std::uint8_t> room(c.capacity + 1, 0);
        const std::size_t written =
            ConvertFromUnicode(c.codePage, c.text.data(), c.lengthInBytes, room.data(), c.capacity);
        EXPECT_EQ(std::string(room.begin(), room.begin() + written), c.expected);
        EXPECT_EQ(room[c.capacity], 0) << "wrote past the room";
        EXPECT_EQ(capture.lines(), c.logged);
    }
}

TEST(WholeValueConversion, Utf16DecoderAgreesWithIcuOnRandomUnits) {
    // Units drawn mostly from surrogates and boundaries, where a hand-written
    // decoder goes wrong.
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
        const std::string bytes(reinterpret_cast<const char*>(text.data()), 2 * text.size());
        ASSERT_EQ(utf16le_bytes_to_utf8(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                        bytes.size()),
                  bytes_to_utf8string(bytes, &Utf16LeRow()))
            << "round " << round;
    }
}

// Converts text in blocks that end at the given cut positions.
std::string convert_in_blocks(StreamingConverter& converter, const std::string& text,
                              const std::vector<std::size_t>& cuts) {
    std::string out;
    std::size_t start = 0;
    for (const std::size_t cut : cuts) {
        converter.convert(std::string_view(text).substr(start, cut - start), false, out);
        start = cut;
    }
    converter.convert(std::string_view(text).substr(start), true, out);
    return out;
}

TEST(StreamingConverter, EveryTwoBlockSplitEqualsWholeConversion) {
    struct SeamCase {
        std::uint32_t from;
        std::uint32_t to;
        std::string source;
    };
    const SeamCase cases[] = {
        {932, 65001, "\x93\xFA\x96\x7B\x8C\xEA\xB6\xC0 ok \x82\xA0"},
        {54936, 65001, "\xD6\xD0\x94\x39\xFC\x36\xA8\xA6\x81\x30\x81\x30"},
        {1200, 65001, std::string("\x41\x00\x3D\xD8\x00\xDE\xE9\x00\x3D\xD8\x01\xDE", 12)},
        {65001, 65001, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"},
        {65001, 50220,
         "abc\xE6\x97\xA5\xE6\x9C\xAC"
         "def\xEF\xBD\xB6"},  // stateful ISO-2022-JP
    };
    for (const SeamCase& c : cases) {
        SCOPED_TRACE(c.from * 100000 + c.to);
        const std::string whole = convert_code_page(c.source, row(c.from), row(c.to));
        ASSERT_FALSE(whole.empty());
        StreamingConverter converter(row(c.from), row(c.to));
        for (std::size_t cut = 0; cut <= c.source.size(); ++cut) {
            EXPECT_EQ(convert_in_blocks(converter, c.source, {cut}), whole) << "cut at " << cut;
        }
    }
}

TEST(StreamingConverter, TruncatedTextIsSubstitutedAtTheEndAndTheConverterIsReusable) {
    StreamingConverter converter(Utf8Row(), Utf8Row());
    EXPECT_EQ(convert_in_blocks(converter, "ab\xE2\x82", {1, 3}), "ab\xEF\xBF\xBD");
    EXPECT_EQ(converter.convert("ok", true), "ok");
}

}  // namespace
}  // namespace mailwright::text
