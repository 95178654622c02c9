// The code page that decodes one item's 8-bit strings. An item (a message,
// an attachment, a contact) may record the code page it was written in
// (PidTagMessageCodepage); that one is right for its strings unless the user
// gave a code page, which then holds for every item. The code page of the
// bodies (PidTagInternetCodepage) is another matter, left to the body code.
#pragma once

#include "model/recorded_code_page.h"
#include "pstread/ltp/const_property_object.h"
#include "text/code_page_table.h"

namespace mailwright::model {

struct ItemCodePages {
    // The row for items that record no usable code page.
    const text::TextEncodingItem* sessionRow = nullptr;
    // Whether items' own code pages count: not when the user gave one.
    bool followItems = false;

    // The row that decodes `item`'s 8-bit strings.
    const text::TextEncodingItem* rowFor(const pstread::const_property_object& item) const;
};

// The rule for a session's items: its decoding row, and items' own code
// pages unless the session's code page was given.
ItemCodePages ItemCodePagesFor(const text::TextEncodingItem* sessionRow,
                               const CodePageChoice& choice);

}  // namespace mailwright::model
