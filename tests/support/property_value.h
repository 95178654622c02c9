// Property values as the LTP builders store them: a property type
// ([MS-OXCDATA] numbering) and the value's bytes in on-disk form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/guid.h"

namespace pstbuild {

// Property types.
inline constexpr std::uint16_t kPtShort = 0x0002;
inline constexpr std::uint16_t kPtLong = 0x0003;
inline constexpr std::uint16_t kPtFloat = 0x0004;
inline constexpr std::uint16_t kPtDouble = 0x0005;
inline constexpr std::uint16_t kPtCurrency = 0x0006;
inline constexpr std::uint16_t kPtAppTime = 0x0007;
inline constexpr std::uint16_t kPtError = 0x000A;
inline constexpr std::uint16_t kPtBoolean = 0x000B;
inline constexpr std::uint16_t kPtObject = 0x000D;
inline constexpr std::uint16_t kPtI8 = 0x0014;
inline constexpr std::uint16_t kPtString8 = 0x001E;
inline constexpr std::uint16_t kPtUnicode = 0x001F;
inline constexpr std::uint16_t kPtSysTime = 0x0040;
inline constexpr std::uint16_t kPtClsid = 0x0048;
inline constexpr std::uint16_t kPtBinary = 0x0102;
inline constexpr std::uint16_t kPtMultiValued = 0x1000;  // flag, e.g. 0x101F = PT_MV_UNICODE

constexpr std::uint32_t make_tag(std::uint16_t id, std::uint16_t type) {
    return static_cast<std::uint32_t>(id) << 16 | type;
}

// The width of a fixed-size single value (1 for PT_BOOLEAN, 2, 4, 8, 16 for
// PT_CLSID), or 0 for variable-size and multi-valued types.
std::size_t fixed_value_size(std::uint16_t type);

// A value: `bytes` is what the file stores for it. Fixed-size values are
// little-endian at their natural width (a boolean is one byte, 0 or 1);
// strings carry no terminator; multi-valued values are already packed
// ([MS-PST] 2.3.3.4).
struct PropertyValue {
    std::uint16_t type = 0;
    std::vector<std::uint8_t> bytes;
};

PropertyValue pv_bool(bool value);
PropertyValue pv_short(std::int16_t value);
PropertyValue pv_long(std::int32_t value);
PropertyValue pv_error(std::uint32_t value);
PropertyValue pv_float(float value);
PropertyValue pv_double(double value);
PropertyValue pv_apptime(double value);
PropertyValue pv_currency(std::int64_t value);
PropertyValue pv_i8(std::int64_t value);
PropertyValue pv_systime(std::uint64_t filetime);  // 100 ns units since 1601
PropertyValue pv_clsid(const Guid& value);
PropertyValue pv_binary(std::vector<std::uint8_t> value);
PropertyValue pv_string8(std::string_view bytes);  // 8-bit text, stored as given
PropertyValue pv_unicode(std::string_view utf8);   // stored as UTF-16LE
// Multi-valued: variable-size items (count, offsets, data) and fixed-size
// items (packed array).
PropertyValue pv_multi(std::uint16_t type, const std::vector<std::vector<std::uint8_t>>& items);
PropertyValue pv_mv_long(const std::vector<std::int32_t>& items);
PropertyValue pv_mv_binary(const std::vector<std::vector<std::uint8_t>>& items);
PropertyValue pv_mv_string8(const std::vector<std::string>& items);
PropertyValue pv_mv_unicode(const std::vector<std::string>& utf8_items);

// UTF-8 to UTF-16LE bytes; throws std::invalid_argument on malformed UTF-8.
std::vector<std::uint8_t> utf16le(std::string_view utf8);

// The layout of a variable-size multi-valued value ([MS-PST] 2.3.3.4.2):
// ulCount, rgulDataOffsets, rgDataItems.
std::vector<std::uint8_t> pack_multi_valued(const std::vector<std::vector<std::uint8_t>>& items);

}  // namespace pstbuild
