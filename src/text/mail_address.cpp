#include "text/mail_address.h"

#include "text/header_encoding.h"

namespace mailwright::text {
namespace {

template <typename Char>
bool LooksLikeEmailImpl(std::basic_string_view<Char> text) {
    text = text.substr(0, text.find(Char{0}));
    const size_t at = text.find(Char{'@'});
    return at != text.npos && text.find(Char{'.'}, at + 1) != text.npos;
}

}  // namespace

bool LooksLikeEmail(std::u16string_view text) {
    return LooksLikeEmailImpl(text);
}

bool LooksLikeEmail(std::string_view text) {
    return LooksLikeEmailImpl(text);
}

void FormatMailAddress(std::u16string_view display_name, std::u16string_view primary,
                       std::u16string_view address_type, std::u16string_view secondary,
                       std::u16string_view fallback, std::string& out, std::string_view line_end) {
    if (!display_name.empty()) {
        EncodeHeaderText(display_name, true, out, line_end);
    }
    std::u16string_view address;
    if (!primary.empty() && (address_type.empty() || address_type == u"SMTP")) {
        address = primary;
    } else if (!secondary.empty()) {
        address = secondary;
    } else if (LooksLikeEmail(fallback)) {
        address = fallback;
    }
    if (address.empty()) {
        out += " <>";
        return;
    }
    if (display_name.empty()) {
        EncodeHeaderText(address, true, out, line_end);
    }
    out += " <";
    EncodeHeaderText(address, false, out, line_end);
    out += '>';
}

}  // namespace mailwright::text
