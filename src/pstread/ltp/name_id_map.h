// The named property map ([MS-PST] 2.4.7): the property context of node 0x61
// that records which property id (0x8000 and up) this file gives each named
// property. Its streams keep read positions, so a map serves one thread at a
// time.
//
//   name_id_map names(db);
//   prop_id keywords = names.lookup(ps_public_strings, U"Keywords");
//   prop_id recurrence = names.lookup(psetid_appointment, 0x8216);
//
// Both throw key_not_found<named_prop> when the file does not use the name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pstread/ltp/guid.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/ltp/named_prop.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ndb/database.h"

namespace pstread {

// NID of the map ([MS-PST] 2.4.1).
constexpr node_id name_id_map_node = 0x61;
// The first id of a named property.
constexpr prop_id first_named_prop_id = 0x8000;

class name_id_map {
public:
    // Opens node 0x61 of the database. A map without a bucket count fails
    // with key_not_found<prop_id>; a missing stream is read as empty.
    explicit name_id_map(const shared_db_ptr& db);
    // The same over the map's node.
    explicit name_id_map(const node& map_node);

    // The property id of a named property: key_not_found<named_prop> when the
    // file does not use it. PS_MAPI numeric ids below 0x8000 are their own
    // ids. The hash bucket of the name is searched first; a record found
    // there counts only when the entry it points to holds the same name. When
    // the buckets give no answer, the entry stream is searched.
    prop_id lookup(const named_prop& name);
    prop_id lookup(const guid& set, std::int64_t id) { return lookup(named_prop(set, id)); }
    prop_id lookup(const guid& set, std::u32string name) {
        return lookup(named_prop(set, std::move(name)));
    }

    // The named property with wPropIdx `index` (property id 0x8000 + index).
    // database_corrupt when the index lies past the entry stream or its GUID
    // or name past theirs.
    named_prop entry_at(std::size_t index);
    // Entries in the entry stream.
    std::size_t entry_count() const { return static_cast<std::size_t>(m_entries.size() / 8); }
    std::uint32_t bucket_count() const { return m_bucket_count; }

    // wGuid of a GUID: 0 all zero, 1 PS_MAPI, 2 PS_PUBLIC_STRINGS, else 3 +
    // its place in the GUID stream; key_not_found<guid> when absent.
    std::uint16_t guid_index(const guid& set);
    // The GUID of a wGuid.
    guid guid_at(std::uint16_t index);

    const property_bag& get_bag() const { return m_bag; }

private:
    // A NAMEID record ([MS-PST] 2.4.7.1).
    struct name_record {
        std::uint32_t property_id;  // dwPropertyID: the id, string offset or hash
        bool is_string;             // N
        std::uint16_t guid_index;   // wGuid
        std::uint16_t prop_index;   // wPropIdx
    };

    hnid_stream_device open_stream(prop_id id) const;
    // Every wGuid that stands for `set`: its well-known index, if it has one,
    // and each place it holds in the GUID stream (some writers list
    // PS_PUBLIC_STRINGS there too and use that index).
    std::vector<std::uint16_t> guid_indexes(const guid& set);
    // Whether entry `index` records `name` under one of the wGuids.
    bool entry_names(std::size_t index, const named_prop& name,
                     std::span<const std::uint16_t> guid_indexes);
    std::optional<prop_id> lookup_in_buckets(const named_prop& name,
                                             std::span<const std::uint16_t> indexes);
    static name_record decode(std::span<const std::uint8_t, 8> bytes);
    std::u32string read_name(std::uint32_t offset);
    std::uint32_t hash_of(const named_prop& name) const;

    property_bag m_bag;
    std::uint32_t m_bucket_count = 0;
    hnid_stream_device m_entries;
    hnid_stream_device m_guids;
    hnid_stream_device m_strings;
};

}  // namespace pstread
