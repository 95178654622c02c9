#include "support/property_value.h"

#include <bit>
#include <stdexcept>

#include "support/le_bytes.h"

namespace pstbuild {
namespace {

PropertyValue fixed(std::uint16_t type, std::uint64_t value, std::size_t width) {
    PropertyValue v{type, {}};
    append_le(v.bytes, value, width);
    return v;
}

void append_utf16(std::vector<std::uint8_t>& out, std::uint32_t code_point) {
    if (code_point >= 0x10000) {
        code_point -= 0x10000;
        append_le(out, 0xD800 + (code_point >> 10), 2);
        append_le(out, 0xDC00 + (code_point & 0x3FF), 2);
    } else {
        append_le(out, code_point, 2);
    }
}

}  // namespace

std::size_t fixed_value_size(std::uint16_t type) {
    switch (type) {
        case kPtBoolean:
            return 1;
        case kPtShort:
            return 2;
        case kPtLong:
        case kPtFloat:
        case kPtError:
            return 4;
        case kPtDouble:
        case kPtCurrency:
        case kPtAppTime:
        case kPtI8:
        case kPtSysTime:
            return 8;
        case kPtClsid:
            return 16;
        default:
            return 0;
    }
}

PropertyValue pv_bool(bool value) {
    return fixed(kPtBoolean, value ? 1 : 0, 1);
}
PropertyValue pv_short(std::int16_t value) {
    return fixed(kPtShort, static_cast<std::uint16_t>(value), 2);
}
PropertyValue pv_long(std::int32_t value) {
    return fixed(kPtLong, static_cast<std::uint32_t>(value), 4);
}
PropertyValue pv_error(std::uint32_t value) {
    return fixed(kPtError, value, 4);
}
PropertyValue pv_float(float value) {
    return fixed(kPtFloat, std::bit_cast<std::uint32_t>(value), 4);
}
PropertyValue pv_double(double value) {
    return fixed(kPtDouble, std::bit_cast<std::uint64_t>(value), 8);
}
PropertyValue pv_apptime(double value) {
    return fixed(kPtAppTime, std::bit_cast<std::uint64_t>(value), 8);
}
PropertyValue pv_currency(std::int64_t value) {
    return fixed(kPtCurrency, static_cast<std::uint64_t>(value), 8);
}
PropertyValue pv_i8(std::int64_t value) {
    return fixed(kPtI8, static_cast<std::uint64_t>(value), 8);
}
PropertyValue pv_systime(std::uint64_t filetime) {
    return fixed(kPtSysTime, filetime, 8);
}
PropertyValue pv_clsid(const Guid& value) {
    return PropertyValue{kPtClsid, {value.bytes.begin(), value.bytes.end()}};
}
PropertyValue pv_binary(std::vector<std::uint8_t> value) {
    return PropertyValue{kPtBinary, std::move(value)};
}
PropertyValue pv_string8(std::string_view bytes) {
    return PropertyValue{kPtString8, {bytes.begin(), bytes.end()}};
}
PropertyValue pv_unicode(std::string_view utf8) {
    return PropertyValue{kPtUnicode, utf16le(utf8)};
}

PropertyValue pv_multi(std::uint16_t type, const std::vector<std::vector<std::uint8_t>>& items) {
    const std::uint16_t base = type & ~kPtMultiValued;
    const std::size_t width = fixed_value_size(base);
    PropertyValue v{static_cast<std::uint16_t>(type | kPtMultiValued), {}};
    if (width == 0) {
        v.bytes = pack_multi_valued(items);
        return v;
    }
    for (const auto& item : items) {
        if (item.size() != width) {
            throw std::invalid_argument("multi-valued item of the wrong width");
        }
        v.bytes.insert(v.bytes.end(), item.begin(), item.end());
    }
    return v;
}

PropertyValue pv_mv_long(const std::vector<std::int32_t>& items) {
    std::vector<std::vector<std::uint8_t>> packed;
    for (const std::int32_t item : items) {
        packed.push_back(pv_long(item).bytes);
    }
    return pv_multi(kPtLong, packed);
}

PropertyValue pv_mv_binary(const std::vector<std::vector<std::uint8_t>>& items) {
    return pv_multi(kPtBinary, items);
}

PropertyValue pv_mv_string8(const std::vector<std::string>& items) {
    std::vector<std::vector<std::uint8_t>> packed;
    for (const std::string& item : items) {
        packed.emplace_back(item.begin(), item.end());
    }
    return pv_multi(kPtString8, packed);
}

PropertyValue pv_mv_unicode(const std::vector<std::string>& utf8_items) {
    std::vector<std::vector<std::uint8_t>> packed;
    for (const std::string& item : utf8_items) {
        packed.push_back(utf16le(item));
    }
    return pv_multi(kPtUnicode, packed);
}

std::vector<std::uint8_t> pack_multi_valued(const std::vector<std::vector<std::uint8_t>>& items) {
    std::vector<std::uint8_t> out;
    append_le(out, items.size(), 4);
    std::size_t offset = 4 + 4 * items.size();
    for (const auto& item : items) {
        append_le(out, offset, 4);
        offset += item.size();
    }
    for (const auto& item : items) {
        out.insert(out.end(), item.begin(), item.end());
    }
    return out;
}

std::vector<std::uint8_t> utf16le(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : lead >> 5 == 0x6  ? 2
                                   : lead >> 4 == 0xE  ? 3
                                   : lead >> 3 == 0x1E ? 4
                                                       : 0;
        if (length == 0 || length > utf8.size() - i) {
            throw std::invalid_argument("malformed UTF-8");
        }
        std::uint32_t code_point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                throw std::invalid_argument("malformed UTF-8");
            }
            code_point = code_point << 6 | (next & 0x3F);
        }
        append_utf16(out, code_point);
        i += length;
    }
    return out;
}

}  // namespace pstbuild
