#include "text/mail_address.h"

#include <cctype>

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
    std::u16string_view address;
    if (!primary.empty() && (address_type.empty() || address_type == u"SMTP")) {
        address = primary;
    } else if (!secondary.empty()) {
        address = secondary;
    } else if (LooksLikeEmail(fallback)) {
        address = fallback;
    }
    std::string foreign;
    if (address.empty()) {
        foreign = ForeignAddress(primary, address_type);
    }
    if (address.empty() && foreign.empty()) {
        // No address: the name as an empty group, which address fields may
        // hold; nothing at all without a name.
        if (!display_name.empty()) {
            EncodeHeaderText(display_name, true, out, line_end);
            out += ": ;";
        }
        return;
    }
    if (!display_name.empty()) {
        EncodeHeaderText(display_name, true, out, line_end);
    } else if (!address.empty()) {
        EncodeHeaderText(address, true, out, line_end);
    } else {
        EncodeHeaderText(primary, true, out, line_end);
    }
    out += " <";
    if (!address.empty()) {
        EncodeHeaderText(address, false, out, line_end);
    } else {
        out += foreign;
    }
    out += '>';
}

std::string ForeignAddress(std::u16string_view address, std::u16string_view address_type) {
    address = address.substr(0, address.find(u'\0'));
    if (address.empty() || address_type.empty()) {
        return {};
    }
    std::string domain = "x-";
    for (const char16_t c : address_type) {
        if (c < 0x80 && std::isalnum(static_cast<unsigned char>(c))) {
            domain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (c == u'-' && domain.back() != '-') {
            domain += '-';
        }
    }
    if (domain.size() == 2) {
        return {};
    }
    if (domain.back() == '-') {
        domain.pop_back();
    }
    std::string local;
    bool dotAtom = address.front() != u'.' && address.back() != u'.';
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char16_t c = address[i];
        if (c < 0x21 || c > 0x7E) {
            if (c != u' ') {
                return {};  // a local part holds printable ASCII and blanks only
            }
        }
        const auto byte = static_cast<char>(c);
        const bool atext = c != u' ' && (std::isalnum(static_cast<unsigned char>(byte)) ||
                                         std::string_view("!#$%&'*+-/=?^_`{|}~").find(byte) !=
                                             std::string_view::npos);
        const bool dot = c == u'.' && i > 0 && address[i - 1] != u'.';
        dotAtom = dotAtom && (atext || dot);
        if (byte == '"' || byte == '\\') {
            local += '\\';
        }
        local += byte;
    }
    if (!dotAtom) {
        local = '"' + local + '"';
    }
    return local + "@" + domain + ".invalid";
}

}  // namespace mailwright::text
