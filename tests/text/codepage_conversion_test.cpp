#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codepage_test_samples.h"
#include "platform/system_log.h"
#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/streaming_converter.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

using platform::ScopedLogCapture;
using testing::kCodePageSamples;

const TextEncodingItem kMissingConverterRow{1, "no-such-charset", "Nowhere", false};

const TextEncodingItem& row(std::uint32_t code_page) {
    const TextEncodingItem* found = GetCodePageInfo(code_page);
    if (found == nullptr) {
        throw std::logic_error("test uses an unknown code page");
    }
    return *found;
}

const TextEncodingItem* first_unavailable_row() {
    for (const TextEncodingItem& r : CodePageTable()) {
        if (!r.available) {
            return &r;
        }
    }
    return nullptr;
}

std::vector<std::uint8_t> as_bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Runs an action that must throw std::runtime_error and returns its message.
std::string thrown_message(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

TEST(CodePageConversion, DecodesSamplesInEveryDirection) {
    for (const auto& sample : kCodePageSamples) {
        SCOPED_TRACE(sample.codePage);
        const TextEncodingItem& r = row(sample.codePage);
        EXPECT_EQ(bytes_to_utf8string(sample.bytes, &r), sample.utf8);
        EXPECT_EQ(bytes_to_unistring(sample.bytes, &r), utf8_to_utf16(sample.utf8));
        EXPECT_EQ(bytes_to_wstring(sample.bytes, &r), bytes_to_wstring(sample.utf8, &Utf8Row()));
        EXPECT_EQ(utf8_to_code_page(sample.utf8, r), sample.bytes);
        EXPECT_EQ(utf16_to_code_page(utf8_to_utf16(sample.utf8), r), sample.bytes);
        EXPECT_EQ(convert_code_page(sample.bytes, r, Utf8Row()), sample.utf8);
    }
}

TEST(CodePageConversion, CodePage936IsGbkButKeepsItsLabel) {
    // 丂 繁 體 exist in GBK (Windows code page 936) but not in GB2312.
    const std::string gbk = "\x81\x40\xB7\xB1\xF3\x77";
    const std::string utf8 = "\xE4\xB8\x82\xE7\xB9\x81\xE9\xAB\x94";
    const TextEncodingItem& simplified = row(936);
    EXPECT_STREQ(simplified.charsetName, "gb2312");
    EXPECT_EQ(bytes_to_utf8string(gbk, &simplified), utf8);
    EXPECT_EQ(utf8_to_code_page(utf8, simplified), gbk);
    StreamingConverter converter(simplified, Utf8Row());
    EXPECT_EQ(converter.convert(gbk, true), utf8);
    std::uint8_t room[16] = {};
    const std::u16string text = utf8_to_utf16(utf8);
    ASSERT_EQ(ConvertFromUnicode(936, text.data(), text.size() * 2, room, sizeof room), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(room), 6), gbk);
}

TEST(CodePageConversion, ByteBuffersAndStringsAreTheSameInput) {
    const auto& sample = kCodePageSamples[0];
    EXPECT_EQ(bytes_to_utf8string(as_bytes(sample.bytes), &row(1251)), sample.utf8);
}

TEST(CodePageConversion, WideStringsHoldOneUnitPerCodePoint) {
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A é € 😀
    const std::u32string wide = bytes_to_wstring(utf8, &Utf8Row());
    EXPECT_EQ(wide, (std::u32string{U'A', 0xE9, 0x20AC, 0x1F600}));
    const std::vector<std::uint8_t> utf16le = wstring_to_bytes(wide);
    EXPECT_EQ(utf16le, (std::vector<std::uint8_t>{0x41, 0x00, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8,
                                                  0x00, 0xDE}));
    EXPECT_EQ(bytes_to_utf8string(utf16le, &Utf16LeRow()), utf8);
}

TEST(CodePageConversion, InvalidCodePointsInWideStringsBecomeReplacementCharacters) {
    const std::vector<std::uint8_t> utf16le = wstring_to_bytes(std::u32string{0x110000, U'x'});
    EXPECT_EQ(utf16le_bytes_to_utf8(utf16le.data(), utf16le.size()), "\xEF\xBF\xBDx");
}

TEST(CodePageConversion, EmptyInputNeedsNoRow) {
    ScopedLogCapture capture;
    EXPECT_EQ(bytes_to_wstring("", nullptr), U"");
    EXPECT_EQ(bytes_to_unistring("", nullptr), u"");
    EXPECT_EQ(bytes_to_utf8string("", nullptr), "");
    EXPECT_TRUE(wstring_to_bytes(U"").empty());
    EXPECT_EQ(bytes_to_utf8string(std::vector<std::uint8_t>{}, &kMissingConverterRow), "");
    EXPECT_TRUE(capture.lines().empty());
}

TEST(CodePageConversion, UnrepresentableCharactersAreSubstitutedNotFailed) {
    ScopedLogCapture capture;
    const std::string bytes = utf8_to_code_page(
        "a\xE4\xB8\xAD"
        "b",
        row(1252));  // a 中 b
    ASSERT_EQ(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_NE(bytes[1], 'a');
    EXPECT_EQ(bytes[2], 'b');
    EXPECT_TRUE(capture.lines().empty());
}

TEST(CodePageConversion, FailuresThrowAndLogTheExactTexts) {
    struct Case {
        const char* name;
        std::function<void()> action;
        std::string thrown;
        std::vector<std::string> logged;
    };
    const TextEncodingItem* bad = &kMissingConverterRow;
    const Case cases[] = {
        {"wstring without row",
         [] { bytes_to_wstring("x", nullptr); },
         "bytes_to_wstring: No Text Encoding provided !",
         {"bytes_to_wstring: No Text Encoding provided !"}},
        {"wstring bad source",
         [bad] { bytes_to_wstring("x", bad); },
         "bytes_to_wstring: Invalid source converter.",
         {"bytes_to_wstring: Invalid source converter."}},
        {"unistring without row",
         [] { bytes_to_unistring("x", nullptr); },
         "bytes_to_unistring: No Text Encoding provided !",
         {}},
        {"unistring bad source",
         [bad] { bytes_to_unistring("x", bad); },
         "bytes_to_unistring: Invalid source converter.",
         {"bytes_to_unistring: Invalid source converter."}},
        {"utf8string without row",
         [] { bytes_to_utf8string("x", nullptr); },
         "bytes_to_utf8string: No Text Encoding provided !",
         {"bytes_to_utf8string: No Text Encoding provided."}},
        {"utf8string bad source",
         [bad] { bytes_to_utf8string("x", bad); },
         "bytes_to_utf8string: Invalid source converter.",
         {"bytes_to_utf8string: Invalid source converter."}},
        {"utf8_to_code_page bad target",
         [bad] { utf8_to_code_page("x", *bad); },
         "utf8_to_code_page: Invalid target converter.",
         {"utf8_to_code_page: Invalid target converter."}},
        {"utf16_to_code_page bad target",
         [bad] { utf16_to_code_page(u"x", *bad); },
         "utf16_to_code_page: Invalid target converter.",
         {"utf16_to_code_page: Invalid target converter."}},
        {"convert_code_page bad source",
         [bad] { convert_code_page("x", *bad, Utf8Row()); },
         "convert_code_page: Invalid source converter.",
         {"convert_code_page: Invalid source converter."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture capture;
        EXPECT_EQ(thrown_message(c.action), c.thrown);
        EXPECT_EQ(capture.lines(), c.logged);
    }
}

TEST(CodePageConversion, UnavailableRowsStillTryToOpenAndFail) {
    const TextEncodingItem* unavailable = first_unavailable_row();
    ASSERT_NE(unavailable, nullptr);
    EXPECT_EQ(thrown_message([&] { bytes_to_utf8string("x", unavailable); }),
              "bytes_to_utf8string: Invalid source converter.");
}

TEST(ConvertCodePage, ConvertsIntoTheCallersRoomWithoutTerminator) {
    const auto& sample = kCodePageSamples[0];  // 1251
    const std::vector<std::uint8_t> source = as_bytes(sample.bytes);
    std::vector<std::uint8_t> target(64, 0xAA);
    const std::size_t written = ConvertCodePage(source.data(), source.size(), &row(1251),
                                                target.data(), target.size(), &Utf8Row());
    ASSERT_EQ(written, sample.utf8.size());
    EXPECT_EQ(std::string(target.begin(), target.begin() + written), sample.utf8);
    EXPECT_EQ(target[written], 0xAA);
}

TEST(ConvertCodePage, ExactFitSucceeds) {
    const std::vector<std::uint8_t> source = as_bytes("abc");
    std::vector<std::uint8_t> target(3);
    EXPECT_EQ(ConvertCodePage(source.data(), source.size(), &row(1252), target.data(),
                              target.size(), &Utf8Row()),
              3u);
}

TEST(ConvertCodePage, EmptySourceWritesNothing) {
    std::uint8_t target[4] = {};
    EXPECT_EQ(ConvertCodePage(nullptr, 0, &row(1252), target, sizeof target, &Utf8Row()), 0u);
}

TEST(ConvertCodePage, FailuresThrowAndLogTheExactTexts) {
    const std::vector<std::uint8_t> source = as_bytes("\xCF\xF0\xE8");  // three Cyrillic letters
    std::vector<std::uint8_t> room(16);
    const TextEncodingItem* cyrillic = &row(1251);
    const TextEncodingItem* utf8 = &Utf8Row();
    const TextEncodingItem* bad = &kMissingConverterRow;
    struct Case {
        const char* name;
        const std::uint8_t* source;
        const TextEncodingItem* sourceRow;
        std::uint8_t* target;
        std::size_t capacity;
        const TextEncodingItem* targetRow;
        std::string thrown;
        bool logged;
    };
    const std::string invalid = "ConvertCodePage: Invalid argument passed !";
    const Case cases[] = {
        {"no source", nullptr, cyrillic, room.data(), room.size(), utf8, invalid, false},
        {"no source row", source.data(), nullptr, room.data(), room.size(), utf8, invalid, false},
        {"no target", source.data(), cyrillic, nullptr, room.size(), utf8, invalid, false},
        {"no target row", source.data(), cyrillic, room.data(), room.size(), nullptr, invalid,
         false},
        {"bad source", source.data(), bad, room.data(), room.size(), utf8,
         "ConvertCodePage: Invalid source converter.", false},
        {"bad target", source.data(), cyrillic, room.data(), room.size(), bad,
         "ConvertCodePage: Invalid target converter.", true},
        {"room too small", source.data(), cyrillic, room.data(), 5, utf8,
         "ConvertCodePage :  ucnv_fromUChars failed.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture capture;
        EXPECT_EQ(thrown_message([&] {
                      ConvertCodePage(c.source, source.size(), c.sourceRow, c.target, c.capacity,
                                      c.targetRow);
                  }),
                  c.thrown);
        EXPECT_EQ(capture.lines(),
                  c.logged ? std::vector<std::string>{c.thrown} : std::vector<std::string>{});
    }
}

TEST(ConvertFromUnicode, WritesAtMostTheRoomAndLogsWhenCut) {
    const std::u16string long_text(1100, u'x');
    const std::u16string cyrillic = u"\u041F\u0440\u0438";  // При
    struct Case {
        const char* name;
        std::uint32_t codePage;
        std::u16string text;
        std::size_t lengthInBytes;
        std::size_t capacity;
        std::string expected;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {"fits", 1251, cyrillic, 6, 16, "\xCF\xF0\xE8", {}},
        {"exact fit", 65001, cyrillic, 6, 6, "\xD0\x9F\xD1\x80\xD0\xB8", {}},
        {"odd length rounds down", 1252, u"ab", 3, 16, "a", {}},
        {"cut at the room",
         1252,
         long_text,
         2200,
         1032,
         std::string(1032, 'x'),
         {"Conversion Error."}},
        {"no room", 1252, u"a", 2, 0, "", {"Conversion Error."}},
        {"unknown code page",
         1,
         u"a",
         2,
         16,
         "",
         {"MAILWRIGHT - UNKNOWN CHARSET 1", "Invalid U converter for following encoding : 0"}},
        {"code page 0", 0, u"a", 2, 16, "", {"Invalid U converter for following encoding : 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture capture;
        std::vector<std::uint8_t> target(c.capacity + 1, 0);
        const std::size_t written = ConvertFromUnicode(c.codePage, c.text.data(), c.lengthInBytes,
                                                       target.data(), c.capacity);
        EXPECT_EQ(std::string(target.begin(), target.begin() + written), c.expected);
        EXPECT_EQ(target[c.capacity], 0) << "wrote past the room";
        EXPECT_EQ(capture.lines(), c.logged);
    }
}

TEST(ConvertFromUnicode, UnavailableRowIsRefused) {
    const TextEncodingItem* unavailable = first_unavailable_row();
    ASSERT_NE(unavailable, nullptr);
    ScopedLogCapture capture;
    std::uint8_t target[16] = {};
    EXPECT_EQ(ConvertFromUnicode(unavailable->codePage, u"a", 2, target, sizeof target), 0u);
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"Invalid U converter for following encoding : " +
                                       std::to_string(unavailable->codePage)});
}

}  // namespace
}  // namespace mailwright::text
