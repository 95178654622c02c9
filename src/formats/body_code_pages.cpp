#include "formats/body_code_pages.h"

namespace mailwright::formats {

using text::TextEncodingItem;

bool IsWideUnicodeCodePage(std::uint32_t codePage) {
    return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
}

namespace {

const TextEncodingItem* chooseTarget(const TextEncodingItem* plain, const TextEncodingItem* html,
                                     const TextEncodingItem& fallback, bool unicodeStore) {
    const bool htmlAvailable = html != nullptr && html->available;
    if (plain != nullptr && !plain->available) {
        return unicodeStore ? &text::Utf8Row() : plain;
    }
    if (htmlAvailable) {
        return html;
    }
    if (plain != nullptr) {
        return plain;
    }
    return unicodeStore ? &text::Utf8Row() : &fallback;
}

}  // namespace

BodyRows ChoosePlainBodyRows(const TextEncodingItem* plain, const TextEncodingItem* html,
                             const TextEncodingItem& fallback, bool unicodeStore,
                             bool unicodeBody) {
    BodyRows rows;
    rows.target = chooseTarget(plain, html, fallback, unicodeStore);
    if (IsWideUnicodeCodePage(rows.target->codePage)) {
        rows.target = &text::Utf8Row();
    }
    if (unicodeBody) {
        rows.source = &text::Utf16LeRow();
    } else if (plain != nullptr && !IsWideUnicodeCodePage(plain->codePage)) {
        rows.source = plain;
    } else {
        rows.source = &fallback;
    }
    return rows;
}

}  // namespace mailwright::formats
