// Parameters of MIME headers (name=, filename=) holding text from the PST.
#pragma once

#include <string>
#include <string_view>

namespace mailwright::formats {

// `attribute`, `equals` and the value as a quoted string when the value is
// ASCII text: name="report.pdf". Other text cannot be written in a quoted
// string (RFC 2047 forbids encoded-words inside one, and in parameters at
// all), so it is written as an RFC 2231 extended parameter of its UTF-8
// bytes: name*=utf-8''r%C3%A9sum%C3%A9.pdf. As in other header text, the
// value ends at its first NUL and each run of CR and LF becomes a blank.
// Empty for an empty value.
std::string FormatParameter(std::string_view attribute, std::string_view equals,
                            std::u16string_view value);

}  // namespace mailwright::formats
