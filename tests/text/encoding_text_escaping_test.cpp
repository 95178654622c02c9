#include "text/text_escaping.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "text/code_page_table.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

std::string Narrow(std::string_view text) {
    std::string out;
    EscapeTextValue(text, out);
    return out;
}

struct StreamResult {
    bool written;
    std::string text;
};

StreamResult Stream(std::string_view body, const TextEncodingItem& source) {
    std::istringstream in{std::string(body)};
    std::ostringstream out;
    const bool written = EscapeTextValue(in, source, out);
    return {written, out.str()};
}

const std::string kFold = "\r\n ";
const std::string kGrin = "\xF0\x9F\x98\x80";  // U+1F600, four bytes

TEST(EscapeTextValue, EscapesAndFoldsWithoutSplittingCharacters) {
    const std::string x(71, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"cr\ronly", "cr\\nonly"},
        {std::string("cut\0here", 8), "cut"},
        {std::string(76, 'x'), std::string(75, 'x') + kFold + "x"},
        // The backslash of an escape is not counted.
        {x + "xxx;y", x + "xxx\\;" + kFold + "y"},
        // A character that would end after byte 75 moves to the next line whole.
        {x + kGrin + "y", x + kGrin + kFold + "y"},
        {x + "x" + kGrin + "y", x + "x" + kFold + kGrin + "y"},
        {x + "xx\xC3\xA9y", x + "xx\xC3\xA9" + kFold + "y"},
        {x + "xxx\xC3\xA9y", x + "xxx" + kFold + "\xC3\xA9y"},
        // Bytes that are not UTF-8 still fold every 75 bytes.
        {"\xF0" + std::string(79, 'x'), "\xF0" + std::string(74, 'x') + kFold + "xxxxx"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Narrow(input), expected) << input;
    }
}

TEST(EscapeTextValue, PropertyTextAndStreamVariantsConvertTheirInput) {
    std::string out;
    EXPECT_FALSE(EscapeTextValue(std::optional<std::u16string>(), 65001, true, out));
    EXPECT_TRUE(EscapeTextValue(std::optional<std::u16string>(u"caf\u00E9;x"), 1252, true, out));
    EXPECT_EQ(out, "caf\xE9\\;x");  // the property variant never folds
    out.clear();
    EscapeTextValue(std::u16string_view(u"\u041F\u0440\u0438,"), 1251, out);
    EXPECT_EQ(out, "\xCF\xF0\xE8\\,");
    out.clear();
    EscapeTextValue(std::u16string_view(u"text"), 1, out);  // unknown code page
    EXPECT_EQ(out, "");

    // Streams that are empty or short runs of NUL, CR and LF write nothing.
    const std::pair<std::string, bool> blanks[] = {
        {"", false},
        {std::string("\0\r\n\0\0\r\n\0", 8), false},
        {std::string(9, '\0'), true},
        {"\r\nx", true},
    };
    for (const auto& [body, written] : blanks) {
        const auto result = Stream(body, Utf8Row());
        EXPECT_EQ(result.written, written) << body.size();
        EXPECT_EQ(result.text.empty(), !written) << body.size();
    }
    // UTF-16 whose 512-byte blocks cut surrogate pairs folds as the whole text.
    std::u16string wide;
    for (int i = 0; i < 900; ++i) {
        wide += (i % 2) ? std::u16string(u"\U0001F600") : std::u16string(u"\u00E9;");
    }
    const std::string utf16le(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    EXPECT_EQ(Stream(utf16le, Utf16LeRow()).text, Narrow(utf16_to_utf8(wide)));
}

}  // namespace
}  // namespace mailwright::text
