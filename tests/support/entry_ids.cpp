#include "support/entry_ids.h"

#include <cctype>

#include "support/le_bytes.h"
#include "support/property_value.h"

namespace pstbuild {
namespace {

// The one-off entry id provider ([MS-OXCDATA] 2.2.5.1).
constexpr ProviderUid kOneOffProvider = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                         0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr std::uint16_t kOneOffUnicode = 0x8000;
constexpr std::uint16_t kOneOffNoRichInfo = 0x0001;

void append_string(std::vector<std::uint8_t>& out, std::string_view utf8, bool unicode) {
    if (unicode) {
        const std::vector<std::uint8_t> text = utf16le(utf8);
        out.insert(out.end(), text.begin(), text.end());
        append_le(out, 0, 2);
    } else {
        out.insert(out.end(), utf8.begin(), utf8.end());
        out.push_back(0);
    }
}

}  // namespace

std::vector<std::uint8_t> store_entry_id(const ProviderUid& uid, std::uint32_t nid) {
    std::vector<std::uint8_t> out(4, 0);
    out.insert(out.end(), uid.begin(), uid.end());
    append_le(out, nid, 4);
    return out;
}

std::vector<std::uint8_t> one_off_entry_id(std::string_view utf8_name,
                                           std::string_view address_type, std::string_view address,
                                           bool unicode) {
    std::vector<std::uint8_t> out(4, 0);
    out.insert(out.end(), kOneOffProvider.begin(), kOneOffProvider.end());
    append_le(out, 0, 2);  // version
    append_le(out, (unicode ? kOneOffUnicode : 0) | kOneOffNoRichInfo, 2);
    append_string(out, utf8_name, unicode);
    append_string(out, address_type, unicode);
    append_string(out, address, unicode);
    return out;
}

std::vector<std::uint8_t> address_search_key(std::string_view address_type,
                                             std::string_view address) {
    std::vector<std::uint8_t> out;
    for (const char c : address_type) {
        out.push_back(static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(c))));
    }
    out.push_back(':');
    for (const char c : address) {
        out.push_back(static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(c))));
    }
    out.push_back(0);
    return out;
}

}  // namespace pstbuild
