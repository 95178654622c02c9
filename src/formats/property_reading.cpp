#include "formats/property_reading.h"

#include <bit>

#include "text/header_encoding.h"

namespace mailwright::formats {

using pstread::const_property_object;
using pstread::prop_id;
using pstread::prop_type;

bool is_text_property(const const_property_object& object, prop_id id) {
    if (!object.has_property(id)) {
        return false;
    }
    const prop_type type = object.property_type(id);
    return type == pstread::prop_type_unicode || type == pstread::prop_type_string8;
}

std::optional<std::u16string> read_text(const const_property_object& object, prop_id id) {
    if (!is_text_property(object, id)) {
        return std::nullopt;
    }
    return object.read_unistring(id);
}

std::u16string read_text_or_empty(const const_property_object& object, prop_id id) {
    return read_text(object, id).value_or(std::u16string());
}

std::string header_text(const const_property_object& object, prop_id id, bool quote,
                        std::string_view eol) {
    std::string encoded;
    if (const auto value = read_text(object, id)) {
        text::EncodeHeaderText(*value, quote, encoded, eol);
    }
    return encoded;
}

std::optional<std::uint32_t> read_integer(const const_property_object& object, prop_id id) {
    if (!object.has_property(id)) {
        return std::nullopt;
    }
    switch (object.property_type(id)) {
        case pstread::prop_type_long:
            return object.inline_value_4(id);
        case pstread::prop_type_short:
            // Sign-extended, so that -1 reads as 0xFFFFFFFF as it does in a
            // PT_LONG.
            return static_cast<std::uint32_t>(
                static_cast<std::int32_t>(static_cast<std::int16_t>(object.inline_value_2(id))));
        case pstread::prop_type_boolean:
            return object.inline_value_1(id);
        default:
            return std::nullopt;
    }
}

std::optional<text::Instant> read_instant(const const_property_object& object, prop_id id) {
    if (!object.has_property(id)) {
        return std::nullopt;
    }
    switch (object.property_type(id)) {
        case pstread::prop_type_systime:
            return text::filetime_to_instant(object.value_8(id));
        case pstread::prop_type_apptime:
            return text::ole_date_to_instant(std::bit_cast<double>(object.value_8(id)));
        default:
            return std::nullopt;
    }
}

}  // namespace mailwright::formats
