// Property ids, property types ([MS-OXCDATA] 2.11.1 numbering) and the
// property context's BTH record, prop_entry ([MS-PST] 2.3.3.3).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "pstread/ltp/bth_node.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {

using prop_id = std::uint16_t;
using prop_type = std::uint16_t;

// Property types.
constexpr prop_type prop_type_unspecified = 0x0000;
constexpr prop_type prop_type_null = 0x0001;
constexpr prop_type prop_type_short = 0x0002;        // PT_SHORT
constexpr prop_type prop_type_long = 0x0003;         // PT_LONG
constexpr prop_type prop_type_float = 0x0004;        // PT_FLOAT
constexpr prop_type prop_type_double = 0x0005;       // PT_DOUBLE
constexpr prop_type prop_type_currency = 0x0006;     // PT_CURRENCY
constexpr prop_type prop_type_apptime = 0x0007;      // PT_APPTIME
constexpr prop_type prop_type_error = 0x000A;        // PT_ERROR
constexpr prop_type prop_type_boolean = 0x000B;      // PT_BOOLEAN
constexpr prop_type prop_type_object = 0x000D;       // PT_OBJECT
constexpr prop_type prop_type_longlong = 0x0014;     // PT_I8
constexpr prop_type prop_type_string8 = 0x001E;      // PT_STRING8
constexpr prop_type prop_type_unicode = 0x001F;      // PT_UNICODE
constexpr prop_type prop_type_systime = 0x0040;      // PT_SYSTIME
constexpr prop_type prop_type_clsid = 0x0048;        // PT_CLSID
constexpr prop_type prop_type_svreid = 0x00FB;       // PT_SVREID
constexpr prop_type prop_type_restriction = 0x00FD;  // PT_SRESTRICT
constexpr prop_type prop_type_ruleaction = 0x00FE;   // PT_ACTIONS
constexpr prop_type prop_type_binary = 0x0102;       // PT_BINARY
constexpr prop_type prop_type_mv_flag = 0x1000;      // MV_FLAG
constexpr prop_type prop_type_mv_string8 = 0x101E;   // PT_MV_STRING8
constexpr prop_type prop_type_mv_unicode = 0x101F;   // PT_MV_UNICODE
constexpr prop_type prop_type_mv_binary = 0x1102;    // PT_MV_BINARY

constexpr bool is_multi_valued(prop_type type) {
    return (type & prop_type_mv_flag) != 0;
}

// The name of a type ("PT_UNICODE", "PT_MV_LONG"), or its number in hex
// ("0x1234") when it has none.
std::string property_type_name(prop_type type);

// One property of a property context: its type and either its value (up to
// 4 bytes, in the low bytes) or the HNID of its value.
struct prop_entry {
    prop_type type = 0;    // wPropType
    std::uint32_t id = 0;  // dwValueHnid

    friend bool operator==(const prop_entry&, const prop_entry&) = default;
};

// The packed 6-byte record: wPropType then dwValueHnid.
template <>
struct bth_value_traits<prop_entry> {
    static constexpr std::size_t size = 6;
    static prop_entry decode(std::span<const std::uint8_t> bytes) {
        return {load_le<std::uint16_t>(bytes, 0), load_le<std::uint32_t>(bytes, 2)};
    }
};

}  // namespace pstread
