// Readable one-line renderings of property values for the diagnostic
// commands: numbers in decimal and hex, times as ISO dates, strings quoted
// and escaped, binaries as a short hex preview with their size.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "pstread/ltp/const_property_object.h"

namespace mailwright::cli {

// The value of one property, read with the reader its type asks for. A value
// that cannot be read gives "error: " and the reason; nothing is thrown.
std::string format_property_value(const pstread::const_property_object& object,
                                  pstread::prop_id id);

// "2008-01-02T03:04:05Z" for a FILETIME (100 ns since 1601).
std::string format_filetime(std::uint64_t filetime);
// Up to `limit` bytes in hex, "…" after them when there are more.
std::string hex_preview(std::span<const std::uint8_t> bytes, std::size_t limit = 32);
// UTF-8 text in double quotes with control characters escaped, cut after
// `limit` code points.
std::string quote_text(const std::string& utf8, std::size_t limit = 200);

}  // namespace mailwright::cli
