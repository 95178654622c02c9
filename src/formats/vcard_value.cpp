#include "formats/vcard_value.h"

#include "formats/property_reading.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {

VCardValue& VCardValue::text(std::u16string_view value) {
    return utf8(text::utf16_to_utf8(value));
}

VCardValue& VCardValue::utf8(std::string_view value) {
    m_escaper.Append(value, m_out);
    return *this;
}

VCardValue& VCardValue::raw(std::string_view structure) {
    m_escaper.AppendVerbatim(structure, m_out);
    return *this;
}

std::string VCardCharsetParameter() {
    return ";charset=UTF-8";
}

std::string VCardLineHead(std::string_view name, std::string_view parameters) {
    return "\r\n" + std::string(name) + VCardCharsetParameter() + std::string(parameters);
}

void WriteVCardTextLine(std::ostream& out, const std::string& lineHead,
                        const std::optional<std::u16string>& value) {
    if (value && !value->empty()) {
        out << lineHead << ':' << VCardValue(lineHead + ":").text(*value).str();
    }
}

std::optional<std::u16string> ContactText(const pstread::const_property_object& object,
                                          pstread::prop_id id) {
    if (id == 0) {
        return std::nullopt;
    }
    return read_text(object, id);
}

std::u16string ContactTextOrEmpty(const pstread::const_property_object& object,
                                  pstread::prop_id id) {
    return ContactText(object, id).value_or(std::u16string());
}

std::optional<std::vector<std::u16string>> ContactStrings(
    const pstread::const_property_object& object, pstread::prop_id id) {
    if (id == 0 || !object.has_property(id)) {
        return std::nullopt;
    }
    const pstread::prop_type type = object.property_type(id);
    if (type != pstread::prop_type_mv_unicode && type != pstread::prop_type_mv_string8) {
        return std::nullopt;
    }
    return object.read_multi_unistring(id);
}

}  // namespace mailwright::formats
