// The read-only property interface shared by property contexts
// (property_bag) and table rows (const_table_row), with the typed readers
// that decode values.
//
// The readers never convert between types: the caller picks the one that
// fits the type it expects. Integers and times are read with inline_value_*
// and value_8; byte strings, strings and multi-valued values with the
// readers below. 8-bit strings (PT_STRING8, PT_MV_STRING8) are decoded with
// the object's charset, every other string as UTF-16LE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pstread/ltp/hnid_stream.h"
#include "pstread/ltp/property_types.h"
#include "pstread/ndb/types.h"
#include "text/code_page_conversion.h"
#include "text/code_page_table.h"

namespace pstread {

using mailwright::text::TextEncodingItem;
using mailwright::text::unistring;

class const_property_object {
public:
    virtual ~const_property_object() = default;

    // The code page table row that decodes this object's 8-bit strings; the
    // object does not own it. Null until set.
    virtual void set_charset(const TextEncodingItem* charset) = 0;
    virtual const TextEncodingItem* charset() const = 0;

    // Every property id the object has.
    virtual std::vector<prop_id> property_ids() const = 0;
    virtual prop_type property_type(prop_id id) const = 0;
    virtual bool has_property(prop_id id) const = 0;

    // Byte size of a value held by HNID, and a stream over it.
    virtual std::size_t value_size(prop_id id) const = 0;
    virtual hnid_stream_device open_value_stream(prop_id id) const = 0;

    // A value held inline, as an unsigned 8-, 16- or 32-bit integer.
    virtual std::uint8_t inline_value_1(prop_id id) const = 0;
    virtual std::uint16_t inline_value_2(prop_id id) const = 0;
    virtual std::uint32_t inline_value_4(prop_id id) const = 0;
    // An 8-byte value (time, 64-bit integer, floating point bits).
    virtual std::uint64_t value_8(prop_id id) const = 0;
    // The whole value held by HNID.
    virtual byte_buffer value_bytes(prop_id id) const = 0;

    // Typed readers. A missing property throws key_not_found<prop_id>.
    bool read_bool(prop_id id) const { return inline_value_4(id) != 0; }
    byte_buffer read_bytes(prop_id id) const { return value_bytes(id); }
    std::u32string read_wstring(prop_id id) const;
    unistring read_unistring(prop_id id) const;
    std::string read_utf8string(prop_id id) const;
    // A multi-valued variable-size value ([MS-PST] 2.3.3.4.2) as its items.
    // database_corrupt for a value whose count or offsets do not fit it.
    std::vector<byte_buffer> read_multi_bytes(prop_id id) const;
    std::vector<unistring> read_multi_unistring(prop_id id) const;

private:
    // The row that decodes a string of this type: the object's charset for
    // 8-bit strings, else UTF-16LE.
    const TextEncodingItem* charset_for(prop_type type, prop_type eight_bit_type) const;
};

// The items of a multi-valued variable-size value: ulCount, then ulCount
// 32-bit offsets, then the items, each running to the next offset (the last
// to the end). Offsets must not fall and must lie within the value.
std::vector<byte_buffer> split_multi_valued(const byte_buffer& value);

}  // namespace pstread
