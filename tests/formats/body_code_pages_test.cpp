// The plain body's code pages: the choice table, and the corrections for
// UTF-16/UTF-32 and for how the body is stored.
#include <gtest/gtest.h>

#include "formats/body_code_pages.h"
#include "text/code_page_table.h"

namespace mailwright::formats {
namespace {

using text::GetCodePageInfo;
using text::TextEncodingItem;

// A row that stands for a code page without a converter.
const TextEncodingItem kUnavailable{29001, "x-Europa", "Europa", false};

TEST(PlainBodyRows, FollowTheChoiceTable) {
    const TextEncodingItem* p1251 = GetCodePageInfo(1251);
    const TextEncodingItem* h1252 = GetCodePageInfo(1252);
    const TextEncodingItem& d = *GetCodePageInfo(1250);
    const TextEncodingItem* utf8 = &text::Utf8Row();
    const TextEncodingItem* utf16 = &text::Utf16LeRow();
    struct Case {
        const char* what;
        const TextEncodingItem* plain;
        const TextEncodingItem* html;
        bool unicodeStore;
        const TextEncodingItem* source;
        const TextEncodingItem* target;
    };
    const Case cases[] = {
        {"no H, P available, ANSI", p1251, nullptr, false, p1251, p1251},
        {"no H, P available, Unicode", p1251, nullptr, true, utf16, p1251},
        {"no H, P unavailable, ANSI", &kUnavailable, nullptr, false, &kUnavailable, &kUnavailable},
        {"no H, P unavailable, Unicode", &kUnavailable, nullptr, true, utf16, utf8},
        {"no H, no P, ANSI", nullptr, nullptr, false, &d, &d},
        {"no H, no P, Unicode", nullptr, nullptr, true, utf16, utf8},
        {"H, P available, ANSI", p1251, h1252, false, p1251, h1252},
        {"H, P available, Unicode", p1251, h1252, true, utf16, h1252},
        {"H, P unavailable, Unicode", &kUnavailable, h1252, true, utf16, utf8},
        {"H, no P, ANSI", nullptr, h1252, false, &d, h1252},
        {"H unavailable, no P, Unicode", nullptr, &kUnavailable, true, utf16, utf8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BodyRows rows = ChoosePlainBodyRows(c.plain, c.html, d, c.unicodeStore,
                                                  /*unicodeBody=*/c.unicodeStore);
        EXPECT_EQ(rows.source, c.source);
        EXPECT_EQ(rows.target, c.target);
    }
}

TEST(PlainBodyRows, WriteUtf16AndUtf32TextAsUtf8) {
    for (const std::uint32_t wide : {1200u, 1201u, 12000u, 12001u}) {
        SCOPED_TRACE(wide);
        EXPECT_TRUE(IsWideUnicodeCodePage(wide));
        const TextEncodingItem* row = GetCodePageInfo(wide);
        const BodyRows unicode = ChoosePlainBodyRows(row, row, *GetCodePageInfo(1252), true, true);
        EXPECT_EQ(unicode.target, &text::Utf8Row());
        EXPECT_EQ(unicode.source, &text::Utf16LeRow());
        // 8-bit text is never in a wide code page: it is read in the PST's.
        const BodyRows ansi = ChoosePlainBodyRows(row, row, *GetCodePageInfo(1252), false, false);
        EXPECT_EQ(ansi.target, &text::Utf8Row());
        EXPECT_EQ(ansi.source, GetCodePageInfo(1252));
    }
    EXPECT_FALSE(IsWideUnicodeCodePage(65001));
}

TEST(PlainBodyRows, ReadAnEightBitBodyOfAUnicodeStoreInItsCodePage) {
    const BodyRows rows =
        ChoosePlainBodyRows(GetCodePageInfo(1251), nullptr, *GetCodePageInfo(1252), true, false);
    EXPECT_EQ(rows.source, GetCodePageInfo(1251));
}

}  // namespace
}  // namespace mailwright::formats
