// Tolerant readers for the properties the MIME writer looks at. A missing
// property, or one stored with a type that does not fit what is asked for,
// reads as nothing: a writer leaves the header or part out rather than
// failing the message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pstread/ltp/const_property_object.h"
#include "text/time_conversion.h"

namespace mailwright::formats {

// A PT_UNICODE or PT_STRING8 property as UTF-16 (8-bit strings through the
// object's charset); nothing for a missing property or another type.
std::optional<std::u16string> read_text(const pstread::const_property_object& object,
                                        pstread::prop_id id);
// The same, with a missing property read as empty text.
std::u16string read_text_or_empty(const pstread::const_property_object& object,
                                  pstread::prop_id id);

// A PT_LONG, PT_SHORT or PT_BOOLEAN property as a 32-bit value.
std::optional<std::uint32_t> read_integer(const pstread::const_property_object& object,
                                          pstread::prop_id id);

// A PT_SYSTIME property (or a PT_APPTIME one, as some old files store
// times) as an instant.
std::optional<text::Instant> read_instant(const pstread::const_property_object& object,
                                          pstread::prop_id id);

// A string property as header text (RFC 2047 encoded-words for non-ASCII
// text, a quoted string when asked and ASCII); empty for a missing property.
// Folded lines end with `eol`.
std::string header_text(const pstread::const_property_object& object, pstread::prop_id id,
                        bool quote, std::string_view eol);

// Whether the property is a string of either width.
bool is_text_property(const pstread::const_property_object& object, pstread::prop_id id);

}  // namespace mailwright::formats
