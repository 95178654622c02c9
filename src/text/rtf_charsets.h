#pragma once

#include <cstdint>
#include <optional>

namespace mailwright::text {

// The Windows code page of an RTF font character set (\fcharsetN, from the
// character set table of the RTF format). ANSI (0), default (1) and
// symbol (2) fonts, and unknown values, give nothing: their text is in the
// document's code page (\ansicpgN).
std::optional<uint32_t> CodePageForRtfCharset(int32_t charset);

}  // namespace mailwright::text
