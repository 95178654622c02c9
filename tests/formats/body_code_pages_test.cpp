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
    const TextEncodingItem* wide = GetCodePageInfo(12001);
    struct Case {
        const char* what;
        const TextEncodingItem* plain;
        const TextEncodingItem* html;
        bool unicodeStore;
        bool unicodeBody;
        const TextEncodingItem* source;
        const TextEncodingItem* target;
    };
    const Case cases[] = {
        {"no H, P available, ANSI", p1251, nullptr, false, false, p1251, p1251},
        {"no H, P available, Unicode", p1251, nullptr, true, true, utf16, p1251},
        {"no H, P unavailable, ANSI", &kUnavailable, nullptr, false, false, &kUnavailable,
         &kUnavailable},
        {"no H, P unavailable, Unicode", &kUnavailable, nullptr, true, true, utf16, utf8},
        {"no H, no P, ANSI", nullptr, nullptr, false, false, &d, &d},
        {"H, P available, Unicode", p1251, h1252, true, true, utf16, h1252},
        {"H, P unavailable, Unicode", &kUnavailable, h1252, true, true, utf16, utf8},
        {"H, no P, ANSI", nullptr, h1252, false, false, &d, h1252},
        {"P and H wide, Unicode", wide, wide, true, true, utf16, utf8},
        // 8-bit text is never in a wide code page: it is read in the PST's.
        {"P and H wide, ANSI", wide, wide, false, false, &d, utf8},
        {"P available, 8-bit body of a Unicode store", p1251, nullptr, true, false, p1251, p1251},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BodyRows rows =
            ChoosePlainBodyRows(c.plain, c.html, d, c.unicodeStore, c.unicodeBody);
        EXPECT_EQ(rows.source, c.source);
        EXPECT_EQ(rows.target, c.target);
    }
}

}  // namespace
}  // namespace mailwright::formats
