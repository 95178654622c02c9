// Building the value of one vCard property line: text converted to UTF-8,
// escaped (",", ";", "\" and line breaks) and folded so that no run between
// folds holds more than 75 bytes of the value, never inside a UTF-8
// character. Values are written whole, however long.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "pstread/ltp/const_property_object.h"
#include "text/text_escaping.h"

namespace mailwright::formats {

class VCardValue {
public:
    // `lineHead`: what the line holds before the value (a head of
    // VCardLineHead with its ":"), so that the first run folds in time.
    explicit VCardValue(std::string_view lineHead = {})
        : m_escaper(/*escape=*/true, /*fold=*/true, LineColumn(lineHead)) {}

    // Text as it is stored (UTF-16), converted, escaped and folded.
    VCardValue& text(std::u16string_view value);
    // UTF-8 text, escaped and folded.
    VCardValue& utf8(std::string_view value);
    // Structure of the value written as it is: the ";" between the fields of
    // a name or an address, the "," between categories.
    VCardValue& raw(std::string_view structure);

    const std::string& str() const { return m_out; }
    // Bytes on the value's last line so far.
    std::size_t column() const { return m_escaper.column(); }

private:
    // The bytes of `lineHead` after its leading CR LF.
    static std::size_t LineColumn(std::string_view lineHead) {
        return lineHead.starts_with("\r\n") ? lineHead.size() - 2 : lineHead.size();
    }

    text::TextValueEscaper m_escaper;
    std::string m_out;
};

// ";charset=UTF-8": every text line is labelled with its charset.
std::string VCardCharsetParameter();
// The head of a text line: "\r\n", the name, ";charset=UTF-8" and the
// further parameters (each starting with ";").
std::string VCardLineHead(std::string_view name, std::string_view parameters = {});
// Writes `lineHead`, ":" and the value, when the value is there and not
// empty.
void WriteVCardTextLine(std::ostream& out, const std::string& lineHead,
                        const std::optional<std::u16string>& value);

// A string property (either width) as UTF-16; nothing when missing, of
// another type, or when `id` is 0 (a named property the store does not use).
std::optional<std::u16string> ContactText(const pstread::const_property_object& object,
                                          pstread::prop_id id);
// The same with a missing property read as empty.
std::u16string ContactTextOrEmpty(const pstread::const_property_object& object,
                                  pstread::prop_id id);
// A multi-valued string property (either width); nothing when missing or of
// another type.
std::optional<std::vector<std::u16string>> ContactStrings(
    const pstread::const_property_object& object, pstread::prop_id id);

}  // namespace mailwright::formats
