#include "pstread/ltp/const_property_object.h"

#include <string>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"
#include "text/code_page_conversion.h"

namespace pstread {

const TextEncodingItem* const_property_object::charset_for(prop_type type,
                                                           prop_type eight_bit_type) const {
    if (type == eight_bit_type) {
        return charset();
    }
    return &mailwright::text::Utf16LeRow();
}

std::u32string const_property_object::read_wstring(prop_id id) const {
    const byte_buffer bytes = value_bytes(id);
    return mailwright::text::bytes_to_wstring(bytes,
                                              charset_for(property_type(id), prop_type_string8));
}

unistring const_property_object::read_unistring(prop_id id) const {
    const byte_buffer bytes = value_bytes(id);
    return mailwright::text::bytes_to_unistring(bytes,
                                                charset_for(property_type(id), prop_type_string8));
}

std::string const_property_object::read_utf8string(prop_id id) const {
    const byte_buffer bytes = value_bytes(id);
    return mailwright::text::bytes_to_utf8string(bytes,
                                                 charset_for(property_type(id), prop_type_string8));
}

std::vector<byte_buffer> const_property_object::read_multi_bytes(prop_id id) const {
    return split_multi_valued(value_bytes(id));
}

std::vector<unistring> const_property_object::read_multi_unistring(prop_id id) const {
    const TextEncodingItem* row = charset_for(property_type(id), prop_type_mv_string8);
    std::vector<unistring> strings;
    for (const byte_buffer& item : read_multi_bytes(id)) {
        strings.push_back(mailwright::text::bytes_to_unistring(item, row));
    }
    return strings;
}

std::vector<byte_buffer> split_multi_valued(const byte_buffer& value) {
    if (value.size() < 4) {
        throw database_corrupt("multi-valued property of " + std::to_string(value.size()) +
                               " bytes is too short for its count");
    }
    const std::uint64_t count = load_le<std::uint32_t>(value, 0);
    // The count is checked against the value before anything is allocated.
    if ((value.size() - 4) / 4 < count) {
        throw database_corrupt("multi-valued property of " + std::to_string(value.size()) +
                               " bytes is too short for its " + std::to_string(count) +
                               " value offsets");
    }
    std::vector<byte_buffer> items;
    items.reserve(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = load_le<std::uint32_t>(value, 4 + 4 * i);
        const std::size_t end =
            i + 1 < count ? load_le<std::uint32_t>(value, 4 + 4 * (i + 1)) : value.size();
        if (end < start || end > value.size()) {
            throw database_corrupt("multi-valued property: value " + std::to_string(i) +
                                   " spans [" + to_hex(start) + ", " + to_hex(end) +
                                   ") of a value of " + std::to_string(value.size()) + " bytes");
        }
        items.emplace_back(value.begin() + static_cast<std::ptrdiff_t>(start),
                           value.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return items;
}

}  // namespace pstread
