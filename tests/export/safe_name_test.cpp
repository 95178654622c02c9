// The safe-name rule: the cut at 65 characters, the ":" and "/"
// replacements, control characters, names that would not name a place of
// their own, and the byte limit that leaves room for the exporters'
// suffixes, never splitting a character.
#include <gtest/gtest.h>

#include <string>

#include "export/safe_name.h"
#include "formats/text_charset.h"

namespace mailwright::exporting {
namespace {

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

bool valid_utf8(const std::string& text) {
    formats::Utf8Validator validator;
    validator.add(text);
    return validator.isValid();
}

struct NameCase {
    const char* what;
    std::string in;
    std::string out;
};

TEST(SafeName, TableOfNames) {
    const std::string x60 = repeat("x", 60);
    const NameCase cases[] = {
        {"colon and slash", "c:d/e", "c-d\u2215e"},
        {"64 characters stay", repeat("y", 64), repeat("y", 64)},
        {"65 characters are cut", repeat("z", 65), repeat("z", 60) + "..."},
        {"70 with colon and slash", "a:b/" + repeat("q", 66),
         "a-b\u2215" + repeat("q", 56) + "..."},
        {"NUL", std::string("a\0b", 3), "a_b"},
        {"controls", "tab\there\r\nand\x7f\u0085", "tab_here__and__"},
        {"empty", "", "(no name)"},
        {"dot", ".", "_."},
        {"dot dot", "..", "_.."},
        {"three dots stay", "...", "..."},
        {"invalid UTF-8",
         "a\xff"
         "b",
         "a\uFFFDb"},
        {"truncated sequence", "a\xe4\xb8", "a\uFFFD\uFFFD"},
        // Characters, not bytes, are counted for the 65 rule.
        {"64 three-byte characters stay", repeat("\u6587", 64), repeat("\u6587", 64)},
        {"300 three-byte characters are cut", repeat("\u6587", 300), repeat("\u6587", 60) + "..."},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(SafeName(c.in), c.out) << c.what;
    }
    // Stems (names before an exporter's suffix) keep empty and dot names.
    EXPECT_EQ(SafeNameStem(""), "");
    EXPECT_EQ(SafeNameStem(".."), "..");
}

TEST(SafeName, LongNamesOfWideCharactersFitTheByteLimitOnACharacterBoundary) {
    // 64 four-byte characters (256 bytes) are not cut by the character rule
    // but would not fit a file name with a suffix.
    for (const std::string& piece :
         {std::string("\U0001F600"), std::string("\u00e9x"), std::string("ab\u6587")}) {
        for (std::size_t n : {20u, 40u, 58u, 63u, 64u, 100u}) {
            const std::string name = SafeName(repeat(piece, n));
            EXPECT_LE(name.size(), kMaxSafeNameBytes) << n;
            EXPECT_LE(name.size() + std::string("_Part_4294967295.mbox").size(), kMaxNameBytes);
            EXPECT_TRUE(valid_utf8(name)) << n;
        }
    }
    const std::string emoji = SafeName(repeat("\U0001F600", 64));
    EXPECT_EQ(emoji, repeat("\U0001F600", 57) + "...");
}

}  // namespace
}  // namespace mailwright::exporting
