#include "model/item_code_page.h"

namespace mailwright::model {

const text::TextEncodingItem* ItemCodePages::rowFor(
    const pstread::const_property_object& item) const {
    if (followItems) {
        if (const auto recorded = RecordedCodePage(item)) {
            return text::GetCodePageInfo(static_cast<std::uint32_t>(*recorded));
        }
    }
    return sessionRow;
}

ItemCodePages ItemCodePagesFor(const text::TextEncodingItem* sessionRow,
                               const CodePageChoice& choice) {
    return {sessionRow, choice.source != CodePageSource::given};
}

}  // namespace mailwright::model
