#include "text/text_escaping.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/system_log.h"
#include "text/code_page_table.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

std::string Narrow(std::string_view text) {
    std::string out;
    EscapeTextValue(text, out);
    return out;
}

const std::string kFold = "\r\n ";

std::string EscapedCommas(size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out += "\\,";
    }
    return out;
}
const std::string kGrin = "\xF0\x9F\x98\x80";  // U+1F600, four bytes
const std::string kHan = "\xE4\xB8\xAD";       // U+4E2D, three bytes

TEST(EscapeTextValue, EscapesLineBreaksAndSeparators) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "plain"},
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"line\r\nnext", "line\\nnext"},
        {"lf\nonly", "lfnonly"},
        {"cr\ronly", "cr\\only"},
        {"tab\tstays:", "tab\tstays:"},
        {std::string("cut\0here", 8), "cut"},
        {"", ""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Narrow(input), expected) << input;
    }
}

TEST(EscapeTextValue, FoldsAfter75SourceBytes) {
    const std::string x74(74, 'x');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(75, 'x'), std::string(75, 'x')},
        {std::string(76, 'x'), std::string(75, 'x') + kFold + "x"},
        {std::string(151, 'x'), std::string(75, 'x') + kFold + std::string(75, 'x') + kFold + "x"},
        // The backslash of an escape is not counted.
        {x74 + ";y", x74 + "\\;" + kFold + "y"},
        {std::string(100, ','), EscapedCommas(75) + kFold + EscapedCommas(25)},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Narrow(input), expected) << input;
    }
}

TEST(EscapeTextValue, NeverFoldsInsideAUtf8Character) {
    struct Case {
        size_t prefix;
        std::string character;
        bool fold_before;  // otherwise the character ends the 75-byte line
    };
    const std::vector<Case> cases = {
        {71, kGrin, false},  // bytes 72..75: fits exactly
        {72, kGrin, true},   // would end at byte 76: the fold comes before the lead byte
        {73, kGrin, true},  {74, kGrin, true},       {75, kGrin, true},      {72, kHan, false},
        {73, kHan, true},   {73, "\xC3\xA9", false}, {74, "\xC3\xA9", true},
    };
    for (const Case& c : cases) {
        const std::string prefix(c.prefix, 'x');
        const std::string expected =
            c.fold_before ? prefix + kFold + c.character + "y" : prefix + c.character + kFold + "y";
        EXPECT_EQ(Narrow(prefix + c.character + "y"), expected)
            << c.prefix << " + " << c.character.size() << "-byte character";
    }

    // A run of four-byte characters: 18 per line (72 bytes), none split.
    std::string grins;
    for (int i = 0; i < 40; ++i) {
        grins += kGrin;
    }
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        if (i > 0 && i % 18 == 0) {
            expected += kFold;
        }
        expected += kGrin;
    }
    EXPECT_EQ(Narrow(grins), expected);

    // Bytes that are not UTF-8 still fold every 75 bytes.
    EXPECT_EQ(Narrow(std::string(80, '\x80')),
              std::string(75, '\x80') + kFold + std::string(5, '\x80'));
    EXPECT_EQ(Narrow(std::string(1, '\xF0') + std::string(79, 'x')),
              "\xF0" + std::string(74, 'x') + kFold + std::string(5, 'x'));
}

TEST(EscapeTextValue, PropertyVariantConvertsWholeValuesWithoutFolding) {
    std::string out;
    EXPECT_FALSE(EscapeTextValue(std::optional<std::u16string>(), 65001, true, out));
    EXPECT_EQ(out, "");

    EXPECT_TRUE(EscapeTextValue(std::optional<std::u16string>(u"a,b\r\n"), 65001, false, out));
    EXPECT_EQ(out, "a,b\r\n");

    out.clear();
    EXPECT_TRUE(EscapeTextValue(std::optional<std::u16string>(u"caf\u00E9;x"), 1252, true, out));
    EXPECT_EQ(out, "caf\xE9\\;x");

    // Longer than any fixed room: nothing is cut, nothing folded.
    out.clear();
    const std::u16string long_value(3000, u'\u00E9');
    EXPECT_TRUE(EscapeTextValue(std::optional<std::u16string>(long_value), 65001, true, out));
    EXPECT_EQ(out, utf16_to_utf8(long_value));
}

TEST(EscapeTextValue, TextVariantConvertsEscapesAndFolds) {
    std::string out;
    EscapeTextValue(std::u16string_view(u"Gr\u00FC\u00DFe, Welt"), 65001, out);
    EXPECT_EQ(out,
              "Gr\xC3\xBC\xC3\x9F"
              "e\\, Welt");

    out.clear();
    EscapeTextValue(std::u16string_view(u"\u041F\u0440\u0438"), 1251, out);
    EXPECT_EQ(out, "\xCF\xF0\xE8");

    out.clear();
    const std::u16string long_text(3000, u'a');
    EscapeTextValue(std::u16string_view(long_text), 65001, out);
    EXPECT_EQ(out, Narrow(std::string(3000, 'a')));  // whole, folded

    platform::ScopedLogCapture log;
    out.clear();
    EscapeTextValue(std::u16string_view(u"text"), 1, out);
    EXPECT_EQ(out, "");
    bool logged = false;
    for (const auto& line : log.lines()) {
        logged = logged || line.rfind("Invalid U converter for following encoding : ", 0) == 0;
    }
    EXPECT_TRUE(logged);
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

TEST(EscapeTextValue, StreamVariantLeavesOutBlankBodies) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", false},
        {"\r\n", false},
        {std::string("\0\r\n\0\0\r\n\0", 8), false},
        {std::string(9, '\0'), true},  // not shorter than 9 bytes
        {"\r\nx", true},
    };
    for (const auto& [body, written] : cases) {
        const auto result = Stream(body, Utf8Row());
        EXPECT_EQ(result.written, written) << body.size();
        EXPECT_EQ(result.text.empty(), !written) << body.size();
    }
}

TEST(EscapeTextValue, StreamVariantConvertsAndFoldsAcrossBlocks) {
    const TextEncodingItem* cp1252 = GetCodePageInfo(1252);
    ASSERT_NE(cp1252, nullptr);
    EXPECT_EQ(Stream("caf\xE9, ok", *cp1252).text, "caf\xC3\xA9\\, ok");

    // Plain text over several 512-byte blocks folds exactly as one value.
    std::string text;
    for (int i = 0; text.size() < 2000; ++i) {
        text += "word" + std::to_string(i) + (i % 7 == 0 ? "; " : " ");
    }
    EXPECT_EQ(Stream(text, Utf8Row()).text, Narrow(text));

    // UTF-16 whose blocks cut surrogate pairs: same as the whole text.
    std::u16string wide;
    for (int i = 0; i < 900; ++i) {
        wide += (i % 2) ? std::u16string(u"\U0001F600") : std::u16string(u"\u00E9");
    }
    const std::string utf16le(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    EXPECT_EQ(Stream(utf16le, Utf16LeRow()).text, Narrow(utf16_to_utf8(wide)));
}

}  // namespace
}  // namespace mailwright::text
