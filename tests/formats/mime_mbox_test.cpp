// MBOX mode: the separator line's date; the body filter (line ends
// normalised, separator-like lines quoted, the final line break left to the
// writer, the same result however the text is cut into blocks); long bodies
// converted and filtered in blocks keep every character and quote a From
// line across a seam.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "formats/body_filter.h"
#include "formats/sample_messages.h"
#include "text/code_page_table.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

std::string filter(const std::vector<std::string>& blocks, std::string_view lineEnd = "\n",
                   bool quote = true) {
    std::ostringstream out;
    BodyFilter f(out, lineEnd, quote);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        f.write(blocks[i], i + 1 == blocks.size());
    }
    return out.str();
}

TEST(BodyFilter, QuotesSeparatorLinesAndNormalisesLineEndsInEveryCutIntoBlocks) {
    const std::pair<std::string, std::string> cases[] = {
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
    for (const auto& [input, output] : cases) {
        EXPECT_EQ(filter({input}), output) << input;
        for (std::size_t i = 0; i <= input.size(); ++i) {
            SCOPED_TRACE(input + " cut at " + std::to_string(i));
            EXPECT_EQ(filter({input.substr(0, i), input.substr(i)}), output);
            for (std::size_t j = i; j <= input.size(); ++j) {
                EXPECT_EQ(filter({input.substr(0, i), input.substr(i, j - i), input.substr(j)}),
                          output);
            }
        }
    }
    // EML mode writes CR LF and quotes nothing.
    EXPECT_EQ(filter({"<p>\nFrom x\r\n</p>\r"}, "\r\n", false), "<p>\r\nFrom x\r\n</p>");
}

TEST(BodyFilter, ALongRunOfQuoteMarksIsCountedNotBufferedAndTheLastBlockEndsIt) {
    const std::string quotes(1 << 20, '>');
    std::ostringstream out;
    BodyFilter f(out);
    f.write(quotes, false);
    EXPECT_TRUE(f.state().line.empty());
    EXPECT_EQ(f.state().heldQuotes, quotes.size());
    f.write("From x", true);
    EXPECT_EQ(out.str(), ">" + quotes + "From x");
    // After the last block the filter starts afresh.
    out.str("");
    f.write("x\nFr", true);
    f.write("From y", true);
    EXPECT_EQ(out.str(), "x\nFr>From y");
}

TEST(MimeMbox, TheSeparatorCarriesTheDeliveryTimeElseTheSubmitTimeElseNow) {
    pstbuild::Message delivered = mail("a");
    pstbuild::Message submitted = mail("b");
    submitted.delivery_time = 0;
    pstbuild::Message neither = mail("c");
    neither.delivery_time = 0;
    neither.submit_time = 0;
    const auto texts = write_messages({delivered, submitted, neither}, {.mbox = true});
    EXPECT_TRUE(texts[0].starts_with("From - Mon Jan 05 16:05:05 2009\nStatus: R\n"));
    EXPECT_TRUE(texts[1].starts_with("From - Mon Jan 05 16:04:05 2009\n"));
    EXPECT_TRUE(std::regex_search(
        texts[2], std::regex("^From - (Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [0-9]{2} "
                             "[0-9]{2}:[0-9]{2}:[0-9]{2} 2[0-9]{3}\n")))
        << texts[2];
}

TEST(MimeMbox, AFromSplitAcrossTheFilterBlocksOfALongBodyIsQuoted) {
    // "Fr" ends one block of the body and "om " starts the next: blocks of
    // 57000 bytes when the body is copied as it is (an ANSI file in its own
    // code page), of 5700 source bytes (2850 UTF-16 units) when converted.
    struct Case {
        pstbuild::Variant variant;
        std::size_t charactersBefore;
    };
    for (const Case c :
         {Case{pstbuild::Variant::ansi, 56997}, Case{pstbuild::Variant::unicode, 2847}}) {
        std::string body(c.charactersBefore, 'x');
        body += "\nFrom the second block\n";
        pstbuild::Message m = mail("Long");
        m.internet_code_page = c.variant == pstbuild::Variant::ansi ? 1252 : 65001;
        m.body = body;
        const std::string text = write_message(m, {.mbox = true, .variant = c.variant});
        EXPECT_NE(text.find("xxxxxxx\n>From the second block\n\n"), std::string::npos);
    }
}

TEST(MimeMbox, BlockConversionNeverBreaksACharacter) {
    // UTF-16 source converted in blocks of 1024 (EML) and 5700 (MBOX) bytes
    // into UTF-8: surrogate pairs and three-byte characters cross every seam.
    std::string body;
    while (body.size() < 30000) {
        body += "a\xF0\x9F\x98\x80\xE6\x97\xA5\xC3\xA9";
    }
    pstbuild::Message m = mail("Long");
    m.internet_code_page = 65001;
    m.body = body;
    EXPECT_EQ(body_of(write_message(m)), body + "\r\n\r\n");
    EXPECT_EQ(body_of(write_message(m, {.mbox = true}), "\n"), body + "\n\n");
    // And into a code page that holds its characters: Shift_JIS.
    std::string japanese;
    while (japanese.size() < 30000) {
        japanese += "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E a ";
    }
    m.internet_code_page = 932;
    m.body = japanese;
    const std::string sjis = text::utf8_to_code_page(japanese, *text::GetCodePageInfo(932));
    EXPECT_EQ(body_of(write_message(m)), sjis + "\r\n\r\n");
    EXPECT_EQ(body_of(write_message(m, {.mbox = true}), "\n"), sjis + "\n\n");
}

}  // namespace
}  // namespace mailwright::formats
