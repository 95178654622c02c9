#include "pstread/ltp/name_id_map.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/crc.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"
#include "text/code_page_conversion.h"
#include "text/code_page_table.h"

namespace pstread {
namespace {

// Property ids of the map's contents ([MS-PST] 2.4.7).
constexpr prop_id pid_bucket_count = 0x0001;
constexpr prop_id pid_guid_stream = 0x0002;
constexpr prop_id pid_entry_stream = 0x0003;
constexpr prop_id pid_string_stream = 0x0004;
constexpr prop_id pid_first_bucket = 0x1000;

constexpr std::uint16_t guid_index_none = 0;
constexpr std::uint16_t guid_index_mapi = 1;
constexpr std::uint16_t guid_index_public_strings = 2;
constexpr std::uint16_t first_stream_guid_index = 3;

constexpr std::size_t name_record_size = 8;
constexpr std::size_t guid_size = 16;

// Reads exactly `out.size()` bytes at `offset`; false when the stream ends
// first.
bool read_at(hnid_stream_device& stream, std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset > stream.size() || out.size() > stream.size() - offset) {
        return false;
    }
    stream.seek(static_cast<std::streamoff>(offset), std::ios_base::beg);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::streamsize count = stream.read(reinterpret_cast<char*>(out.data() + done),
                                                  static_cast<std::streamsize>(out.size() - done));
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// The property id of wPropIdx; indexes past 0x7FFF would leave the 16 bits
// of a property id.
prop_id named_id_of(std::uint16_t prop_index) {
    if (prop_index > 0xFFFFu - first_named_prop_id) {
        throw database_corrupt("named property map: wPropIdx " + to_hex(prop_index) +
                               " is past the last property id");
    }
    return static_cast<prop_id>(first_named_prop_id + prop_index);
}

}  // namespace

name_id_map::name_id_map(const shared_db_ptr& db)
    : name_id_map(db->lookup_node(name_id_map_node)) {}

name_id_map::name_id_map(const node& map_node)
    : m_bag(map_node),
      m_bucket_count(m_bag.inline_value_4(pid_bucket_count)),
      m_entries(open_stream(pid_entry_stream)),
      m_guids(open_stream(pid_guid_stream)),
      m_strings(open_stream(pid_string_stream)) {}

hnid_stream_device name_id_map::open_stream(prop_id id) const {
    if (!m_bag.has_property(id)) {
        return hnid_stream_device(m_bag.get_heap(), 0);
    }
    return m_bag.open_value_stream(id);
}

name_id_map::name_record name_id_map::decode(std::span<const std::uint8_t, 8> bytes) {
    const auto word = load_le<std::uint32_t>(bytes, 4);
    return {load_le<std::uint32_t>(bytes, 0), (word & 1u) != 0,
            static_cast<std::uint16_t>((word >> 1) & 0x7FFFu),
            static_cast<std::uint16_t>(word >> 16)};
}

std::uint16_t name_id_map::guid_index(const guid& set) {
    if (set == ps_none) {
        return guid_index_none;
    }
    if (set == ps_mapi) {
        return guid_index_mapi;
    }
    if (set == ps_public_strings) {
        return guid_index_public_strings;
    }
    std::array<std::uint8_t, guid_size> bytes{};
    // wGuid has 15 bits, so no index past 0x7FFF can be named.
    for (std::uint32_t n = 0; first_stream_guid_index + n <= 0x7FFF; ++n) {
        if (!read_at(m_guids, std::uint64_t{n} * guid_size, bytes)) {
            break;
        }
        if (guid::from_bytes(bytes) == set) {
            return static_cast<std::uint16_t>(first_stream_guid_index + n);
        }
    }
    throw key_not_found<guid>(set);
}

guid name_id_map::guid_at(std::uint16_t index) {
    switch (index) {
        case guid_index_none:
            return ps_none;
        case guid_index_mapi:
            return ps_mapi;
        case guid_index_public_strings:
            return ps_public_strings;
        default:
            break;
    }
    std::array<std::uint8_t, guid_size> bytes{};
    if (!read_at(m_guids, static_cast<std::uint64_t>(index - first_stream_guid_index) * guid_size,
                 bytes)) {
        throw database_corrupt("named property map: GUID index " + std::to_string(index) +
                               " lies past the GUID stream of " + std::to_string(m_guids.size()) +
                               " bytes");
    }
    return guid::from_bytes(bytes);
}

std::u32string name_id_map::read_name(std::uint32_t offset) {
    std::array<std::uint8_t, 4> length_bytes{};
    if (!read_at(m_strings, offset, length_bytes)) {
        throw database_corrupt("named property map: name at " + to_hex(offset) +
                               " lies past the string stream of " +
                               std::to_string(m_strings.size()) + " bytes");
    }
    const std::uint32_t length = load_le<std::uint32_t>(length_bytes, 0);
    // The length is checked against the stream before anything is allocated.
    if (length > m_strings.size() - offset - 4) {
        throw database_corrupt("named property map: name at " + to_hex(offset) + " of " +
                               std::to_string(length) + " bytes runs past the string stream of " +
                               std::to_string(m_strings.size()) + " bytes");
    }
    byte_buffer text(length);
    read_at(m_strings, std::uint64_t{offset} + 4, text);
    return mailwright::text::bytes_to_wstring(text, &mailwright::text::Utf16LeRow());
}

named_prop name_id_map::entry_at(std::size_t index) {
    std::array<std::uint8_t, name_record_size> bytes{};
    if (!read_at(m_entries, std::uint64_t{index} * name_record_size, bytes)) {
        throw database_corrupt("named property map: entry " + std::to_string(index) +
                               " lies past the entry stream of " +
                               std::to_string(m_entries.size()) + " bytes");
    }
    const name_record record = decode(bytes);
    const guid set = guid_at(record.guid_index);
    if (record.is_string) {
        return named_prop(set, read_name(record.property_id));
    }
    return named_prop(set, std::int64_t{record.property_id});
}

std::uint32_t name_id_map::hash_of(const named_prop& name) const {
    if (!name.is_string()) {
        return static_cast<std::uint32_t>(name.get_id());
    }
    return compute_crc(mailwright::text::wstring_to_bytes(name.get_name()));
}

std::vector<std::uint16_t> name_id_map::guid_indexes(const guid& set) {
    std::vector<std::uint16_t> indexes;
    if (set == ps_none) {
        indexes.push_back(guid_index_none);
    } else if (set == ps_mapi) {
        indexes.push_back(guid_index_mapi);
    } else if (set == ps_public_strings) {
        indexes.push_back(guid_index_public_strings);
    }
    std::array<std::uint8_t, guid_size> bytes{};
    for (std::uint32_t n = 0; first_stream_guid_index + n <= 0x7FFF; ++n) {
        if (!read_at(m_guids, std::uint64_t{n} * guid_size, bytes)) {
            break;
        }
        if (guid::from_bytes(bytes) == set) {
            indexes.push_back(static_cast<std::uint16_t>(first_stream_guid_index + n));
        }
    }
    return indexes;
}

bool name_id_map::entry_names(std::size_t index, const named_prop& name,
                              std::span<const std::uint16_t> guid_indexes) {
    std::array<std::uint8_t, name_record_size> bytes{};
    if (!read_at(m_entries, std::uint64_t{index} * name_record_size, bytes)) {
        return false;
    }
    const name_record record = decode(bytes);
    if (record.is_string != name.is_string() ||
        std::find(guid_indexes.begin(), guid_indexes.end(), record.guid_index) ==
            guid_indexes.end()) {
        return false;
    }
    if (!name.is_string()) {
        return name.get_id() >= 0 && name.get_id() <= 0xFFFFFFFF &&
               record.property_id == static_cast<std::uint32_t>(name.get_id());
    }
    try {
        return read_name(record.property_id) == name.get_name();
    } catch (const database_corrupt&) {
        // An entry whose name cannot be read names nothing.
        return false;
    }
}

std::optional<prop_id> name_id_map::lookup_in_buckets(const named_prop& name,
                                                      std::span<const std::uint16_t> indexes) {
    if (m_bucket_count == 0) {
        return std::nullopt;
    }
    const std::uint32_t hash = hash_of(name);
    const std::uint32_t flag = name.is_string() ? 1u : 0u;
    std::array<std::uint8_t, name_record_size> bytes{};
    for (const std::uint16_t index : indexes) {
        const std::uint32_t bucket = (hash ^ ((std::uint32_t{index} << 1) | flag)) % m_bucket_count;
        // Buckets are property ids 0x1000 up to 0xFFFF; a count beyond that
        // names buckets no file can hold.
        if (bucket > 0xFFFFu - pid_first_bucket ||
            !m_bag.has_property(static_cast<prop_id>(pid_first_bucket + bucket))) {
            continue;
        }
        hnid_stream_device records =
            m_bag.open_value_stream(static_cast<prop_id>(pid_first_bucket + bucket));
        for (std::uint64_t offset = 0; read_at(records, offset, bytes);
             offset += name_record_size) {
            const name_record record = decode(bytes);
            if (record.property_id == hash && record.is_string == name.is_string() &&
                record.guid_index == index && entry_names(record.prop_index, name, indexes)) {
                return named_id_of(record.prop_index);
            }
        }
    }
    return std::nullopt;
}

prop_id name_id_map::lookup(const named_prop& name) {
    const std::vector<std::uint16_t> indexes = guid_indexes(name.get_guid());
    if (indexes.empty()) {
        throw key_not_found<named_prop>(name);
    }
    if (indexes.front() == guid_index_mapi) {
        if (name.is_string() || name.get_id() < 0 || name.get_id() >= first_named_prop_id) {
            throw key_not_found<named_prop>(name);
        }
        return static_cast<prop_id>(name.get_id());
    }
    if (const auto found = lookup_in_buckets(name, indexes)) {
        return *found;
    }
    // Buckets that miss a name the entries hold (or point at the wrong
    // entry) are faults of the file's index, not of the name: the entry
    // stream itself is searched before the name is declared absent.
    const std::size_t entries = std::min<std::size_t>(entry_count(), 0x8000);
    for (std::size_t i = 0; i < entries; ++i) {
        if (entry_names(i, name, indexes)) {
            return named_id_of(static_cast<std::uint16_t>(i));
        }
    }
    throw key_not_found<named_prop>(name);
}

}  // namespace pstread
