// How a file stores text properties: PT_UNICODE as UTF-16LE in Unicode
// files, PT_STRING8 in the mailbox code page in ANSI files (which real
// files of that variant use throughout).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/property_value.h"
#include "support/pst_format.h"

namespace pstbuild {

class StringForm {
public:
    StringForm(Variant variant, unsigned code_page) : variant_(variant), code_page_(code_page) {}

    bool unicode() const { return variant_ == Variant::unicode; }
    Variant variant() const { return variant_; }
    unsigned code_page() const { return code_page_; }

    // PT_UNICODE or PT_STRING8.
    std::uint16_t type() const { return unicode() ? kPtUnicode : kPtString8; }
    // A tag's type with string types (single or multi-valued) made this form's.
    std::uint16_t adapt(std::uint16_t type) const;

    std::vector<std::uint8_t> bytes(std::string_view utf8) const;
    PropertyValue value(std::string_view utf8) const;

private:
    Variant variant_;
    unsigned code_page_;
};

}  // namespace pstbuild
