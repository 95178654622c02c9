#include "support/string_form.h"

#include "support/code_page_text.h"

namespace pstbuild {

std::uint16_t StringForm::adapt(std::uint16_t type) const {
    const std::uint16_t base = type & ~kPtMultiValued;
    if (base != kPtUnicode && base != kPtString8) {
        return type;
    }
    return static_cast<std::uint16_t>((type & kPtMultiValued) | this->type());
}

std::vector<std::uint8_t> StringForm::bytes(std::string_view utf8) const {
    return unicode() ? utf16le(utf8) : encode_code_page(utf8, code_page_);
}

PropertyValue StringForm::value(std::string_view utf8) const {
    return PropertyValue{type(), bytes(utf8)};
}

}  // namespace pstbuild
