#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "codepage_test_samples.h"
#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/streaming_converter.h"
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

struct SeamCase {
    const char* name;
    std::uint32_t from;
    std::uint32_t to;
    std::string source;
};

std::vector<SeamCase> seam_cases() {
    const std::string utf16le_with_pairs("\x41\x00\x3D\xD8\x00\xDE\xE9\x00\x3D\xD8\x01\xDE\x2D\x4E",
                                         14);  // A😀é😁中
    return {
        {"CP932 double-byte", 932, 65001, "\x93\xFA\x96\x7B\x8C\xEA\xB6\xC0 ok \x82\xA0"},
        {"GB18030 four-byte", 54936, 65001, "\xD6\xD0\x94\x39\xFC\x36\xA8\xA6\x81\x30\x81\x30"},
        {"UTF-16LE surrogate pairs", 1200, 65001, utf16le_with_pairs},
        {"UTF-8 of every length", 65001, 65001, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"},
        {"UTF-8 to UTF-16LE", 65001, 1200, "\xF0\x9F\x98\x80\xE2\x82\xAC"},
        {"UTF-8 to stateful ISO-2022-JP", 65001, 50220,
         "abc\xE6\x97\xA5\xE6\x9C\xAC"
         "def\xEF\xBD\xB6"},
        {"UTF-8 to GB18030", 65001, 54936, "\xF0\x9F\x98\x80\xC3\xA9"},
    };
}

TEST(StreamingConverter, EveryTwoBlockSplitEqualsWholeConversion) {
    for (const SeamCase& c : seam_cases()) {
        SCOPED_TRACE(c.name);
        const std::string whole = convert_code_page(c.source, row(c.from), row(c.to));
        ASSERT_FALSE(whole.empty());
        StreamingConverter converter(row(c.from), row(c.to));
        for (std::size_t cut = 0; cut <= c.source.size(); ++cut) {
            EXPECT_EQ(convert_in_blocks(converter, c.source, {cut}), whole) << "cut at " << cut;
        }
    }
}

TEST(StreamingConverter, OneByteBlocksEqualWholeConversion) {
    for (const SeamCase& c : seam_cases()) {
        SCOPED_TRACE(c.name);
        std::vector<std::size_t> cuts;
        for (std::size_t i = 1; i < c.source.size(); ++i) {
            cuts.push_back(i);
        }
        StreamingConverter converter(row(c.from), row(c.to));
        EXPECT_EQ(convert_in_blocks(converter, c.source, cuts),
                  convert_code_page(c.source, row(c.from), row(c.to)));
    }
}

TEST(StreamingConverter, WholeConversionMatchesTheSingleCallFunctions) {
    for (const auto& sample : testing::kCodePageSamples) {
        StreamingConverter converter(row(sample.codePage), Utf8Row());
        EXPECT_EQ(converter.convert(sample.bytes, true), sample.utf8) << sample.codePage;
    }
}

TEST(StreamingConverter, SeparateCallsWouldCorruptTheSeam) {
    // The reason the streaming converter exists: converting the halves of a
    // Shift-JIS text in separate calls loses the character at the seam.
    const std::string source = "\x93\xFA\x96\x7B";  // 日本
    const std::string separately = bytes_to_utf8string(source.substr(0, 1), &row(932)) +
                                   bytes_to_utf8string(source.substr(1), &row(932));
    EXPECT_NE(separately, "日本");
    StreamingConverter converter(row(932), Utf8Row());
    EXPECT_EQ(convert_in_blocks(converter, source, {1}), "日本");
}

TEST(StreamingConverter, TruncatedTextIsSubstitutedAtTheEndAndTheConverterIsReusable) {
    StreamingConverter converter(Utf8Row(), Utf8Row());
    EXPECT_EQ(convert_in_blocks(converter, "ab\xE2\x82", {1, 3}), "ab\xEF\xBF\xBD");
    EXPECT_EQ(converter.convert("ok", true), "ok");
}

TEST(StreamingConverter, ResetDropsAPendingSequence) {
    StreamingConverter converter(row(932), Utf8Row());
    EXPECT_EQ(converter.convert("\x93", false), "");
    converter.reset();
    EXPECT_EQ(converter.convert("A", true), "A");
}

TEST(StreamingConverter, RefusesRowsWithoutConverter) {
    const TextEncodingItem missing{1, "no-such-charset", "Nowhere", false};
    EXPECT_THROW(StreamingConverter(missing, Utf8Row()), std::runtime_error);
    try {
        StreamingConverter converter(Utf8Row(), missing);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "StreamingConverter: Invalid target converter.");
    }
}

}  // namespace
}  // namespace mailwright::text
