#include "cli/value_format.h"

#include <bit>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "pstread/ltp/guid.h"
#include "pstread/ndb/little_endian.h"
#include "text/time_conversion.h"
#include "text/whole_value_conversion.h"

namespace mailwright::cli {
namespace {

using pstread::prop_type;

// Multi-valued items shown before the list is cut.
constexpr std::size_t kListLimit = 8;

std::string format_signed(std::int64_t value, unsigned hex_digits, std::uint64_t raw) {
    char text[64];
    std::snprintf(text, sizeof text, "%" PRId64 " (0x%0*" PRIX64 ")", value,
                  static_cast<int>(hex_digits), raw);
    return text;
}

std::string format_double(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Proleptic Gregorian date of a day count since 1970-01-01.
void civil_from_days(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

std::string format_guid_bytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != 16) {
        return "(" + std::to_string(bytes.size()) + " bytes) " + hex_preview(bytes);
    }
    return pstread::to_string(pstread::guid::from_bytes(bytes.first<16>()));
}

std::string format_bytes(std::span<const std::uint8_t> bytes) {
    return "(" + std::to_string(bytes.size()) + " bytes) " + hex_preview(bytes);
}

// One item of a packed fixed-size array, of the single-valued type.
std::string format_fixed_item(prop_type type, std::span<const std::uint8_t> item) {
    const std::uint64_t raw = pstread::load_le(item, 0, std::min<std::size_t>(item.size(), 8));
    switch (type) {
        case pstread::prop_type_short:
            return std::to_string(static_cast<std::int16_t>(raw));
        case pstread::prop_type_long:
        case pstread::prop_type_error:
            return std::to_string(static_cast<std::int32_t>(raw));
        case pstread::prop_type_float:
            return format_double(std::bit_cast<float>(static_cast<std::uint32_t>(raw)));
        case pstread::prop_type_double:
        case pstread::prop_type_apptime:
            return format_double(std::bit_cast<double>(raw));
        case pstread::prop_type_systime:
            return format_filetime(raw);
        case pstread::prop_type_clsid:
            return format_guid_bytes(item);
        default:
            return std::to_string(static_cast<std::int64_t>(raw));
    }
}

std::size_t fixed_width(prop_type type) {
    switch (type) {
        case pstread::prop_type_short:
            return 2;
        case pstread::prop_type_long:
        case pstread::prop_type_float:
        case pstread::prop_type_error:
            return 4;
        case pstread::prop_type_double:
        case pstread::prop_type_currency:
        case pstread::prop_type_apptime:
        case pstread::prop_type_longlong:
        case pstread::prop_type_systime:
            return 8;
        case pstread::prop_type_clsid:
            return 16;
        default:
            return 0;
    }
}

std::string join_list(const std::vector<std::string>& items, std::size_t total) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i ? ", " : "") + items[i];
    }
    if (total > items.size()) {
        text += ", … " + std::to_string(total) + " items";
    }
    return text + "]";
}

std::string format_multi(const pstread::const_property_object& object, pstread::prop_id id,
                         prop_type type) {
    const prop_type single = type & ~pstread::prop_type_mv_flag;
    std::vector<std::string> shown;
    std::size_t total = 0;
    if (single == pstread::prop_type_string8 || single == pstread::prop_type_unicode) {
        const auto strings = object.read_multi_unistring(id);
        total = strings.size();
        for (std::size_t i = 0; i < strings.size() && i < kListLimit; ++i) {
            shown.push_back(quote_text(mailwright::text::utf16_to_utf8(strings[i]), 60));
        }
    } else if (const std::size_t width = fixed_width(single); width != 0) {
        const pstread::byte_buffer bytes = object.value_bytes(id);
        total = bytes.size() / width;
        for (std::size_t i = 0; i < total && i < kListLimit; ++i) {
            shown.push_back(format_fixed_item(single, std::span(bytes).subspan(i * width, width)));
        }
    } else {
        const auto items = object.read_multi_bytes(id);
        total = items.size();
        for (std::size_t i = 0; i < items.size() && i < kListLimit; ++i) {
            shown.push_back(format_bytes(items[i]));
        }
    }
    return std::to_string(total) + " values " + join_list(shown, total);
}

std::string format_value(const pstread::const_property_object& object, pstread::prop_id id) {
    const prop_type type = object.property_type(id);
    if (pstread::is_multi_valued(type)) {
        return format_multi(object, id, type);
    }
    switch (type) {
        case pstread::prop_type_short: {
            const std::uint16_t raw = object.inline_value_2(id);
            return format_signed(static_cast<std::int16_t>(raw), 4, raw);
        }
        case pstread::prop_type_long: {
            const std::uint32_t raw = object.inline_value_4(id);
            return format_signed(static_cast<std::int32_t>(raw), 8, raw);
        }
        case pstread::prop_type_error: {
            char text[32];
            std::snprintf(text, sizeof text, "error code 0x%08" PRIX32, object.inline_value_4(id));
            return text;
        }
        case pstread::prop_type_float:
            return format_double(std::bit_cast<float>(object.inline_value_4(id)));
        case pstread::prop_type_boolean:
            return object.read_bool(id) ? "true" : "false";
        case pstread::prop_type_double:
        case pstread::prop_type_apptime:
            return format_double(std::bit_cast<double>(object.value_8(id)));
        case pstread::prop_type_currency: {
            const auto value = static_cast<std::int64_t>(object.value_8(id));
            char text[48];
            std::snprintf(text, sizeof text, "%" PRId64 ".%04" PRId64, value / 10000,
                          (value < 0 ? -value : value) % 10000);
            return text;
        }
        case pstread::prop_type_longlong: {
            const std::uint64_t raw = object.value_8(id);
            return format_signed(static_cast<std::int64_t>(raw), 16, raw);
        }
        case pstread::prop_type_systime:
            return format_filetime(object.value_8(id));
        case pstread::prop_type_string8:
        case pstread::prop_type_unicode:
            return quote_text(object.read_utf8string(id));
        case pstread::prop_type_clsid:
            return format_guid_bytes(object.read_bytes(id));
        default:
            return format_bytes(object.read_bytes(id));
    }
}

}  // namespace

std::string format_property_value(const pstread::const_property_object& object,
                                  pstread::prop_id id) {
    try {
        return format_value(object, id);
    } catch (const std::exception& error) {
        return std::string("error: ") + error.what();
    }
}

std::string format_filetime(std::uint64_t filetime) {
    const mailwright::text::Instant instant = mailwright::text::filetime_to_instant(filetime);
    std::int64_t days = instant / 86400;
    std::int64_t seconds = instant % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civil_from_days(days, year, month, day);
    char text[64];
    std::snprintf(text, sizeof text, "%04" PRId64 "-%02u-%02uT%02u:%02u:%02uZ", year, month, day,
                  static_cast<unsigned>(seconds / 3600), static_cast<unsigned>(seconds / 60 % 60),
                  static_cast<unsigned>(seconds % 60));
    return text;
}

std::string hex_preview(std::span<const std::uint8_t> bytes, std::size_t limit) {
    std::string text;
    char piece[4];
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        std::snprintf(piece, sizeof piece, i ? " %02X" : "%02X", bytes[i]);
        text += piece;
    }
    if (bytes.size() > limit) {
        text += " …";
    }
    return text;
}

std::string quote_text(const std::string& utf8, std::size_t limit) {
    std::string text = "\"";
    std::size_t points = 0;
    std::size_t i = 0;
    for (; i < utf8.size() && points < limit; ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) != 0x80) {
            ++points;
        }
        switch (c) {
            case '"':
                text += "\\\"";
                break;
            case '\\':
                text += "\\\\";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\x%02X", c);
                    text += escape;
                } else {
                    text += static_cast<char>(c);
                }
        }
    }
    // Finish a character that the limit cut into.
    while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) {
        text += utf8[i++];
    }
    text += "\"";
    if (i < utf8.size()) {
        text += " …";
    }
    return text;
}

}  // namespace mailwright::cli
