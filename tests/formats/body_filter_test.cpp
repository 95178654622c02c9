// The MBOX body filter: line ends normalised, separator-like lines quoted,
// the final line break left to the writer, and the same result however the
// text is cut into blocks.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "formats/body_filter.h"

namespace mailwright::formats {
namespace {

std::string filter(const std::vector<std::string>& blocks, std::string_view lineEnd = "\n",
                   bool quote = true) {
    std::ostringstream out;
    BodyFilter f(out, lineEnd, quote);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        f.write(blocks[i], i + 1 == blocks.size());
    }
    return out.str();
}

struct Case {
    const char* input;
    const char* output;
};

const Case kCases[] = {
    {"a\r\nFrom me\r\n", "a\n>From me"},
    {">>>From me", ">>>>From me"},
    {"From: me", "From: me"},
    {"From\n", "From"},
    {"a\rb\rc", "a\nb\nc"},
    {"a\r\n\r\nb\r\n\r\n", "a\n\nb\n"},
    {"x From y\nFrom z", "x From y\n>From z"},
    {">>>>", ">>>>"},
    {">\n>From", ">\n>From"},
    {"", ""},
};

TEST(BodyFilter, QuotesSeparatorLinesAndNormalisesLineEndsInEveryCutIntoBlocks) {
    for (const Case& c : kCases) {
        const std::string input = c.input;
        EXPECT_EQ(filter({input}), c.output) << input;
        for (std::size_t i = 0; i <= input.size(); ++i) {
            SCOPED_TRACE(input + " cut at " + std::to_string(i));
            EXPECT_EQ(filter({input.substr(0, i), input.substr(i)}), c.output);
            for (std::size_t j = i; j <= input.size(); ++j) {
                EXPECT_EQ(filter({input.substr(0, i), input.substr(i, j - i), input.substr(j)}),
                          c.output);
            }
        }
    }
}

TEST(BodyFilter, ALongRunOfQuoteMarksIsCountedNotBuffered) {
    const std::string quotes(1 << 20, '>');
    std::ostringstream out;
    BodyFilter f(out);
    f.write(quotes, false);
    EXPECT_TRUE(f.state().line.empty());
    EXPECT_EQ(f.state().heldQuotes, quotes.size());
    f.write("From x", true);
    EXPECT_EQ(out.str(), ">" + quotes + "From x");
}

TEST(BodyFilter, EmlModeWritesCrLfAndQuotesNothing) {
    EXPECT_EQ(filter({"<p>\nFrom x\r\n</p>\r"}, "\r\n", false), "<p>\r\nFrom x\r\n</p>");
}

TEST(BodyFilter, StartsAfreshAfterTheLastBlock) {
    std::ostringstream out;
    BodyFilter f(out);
    f.write("x\nFr", true);
    f.write("From y", true);
    EXPECT_EQ(out.str(), "x\nFr>From y");
}

}  // namespace
}  // namespace mailwright::formats
