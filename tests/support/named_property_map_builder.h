// The named property map ([MS-PST] 2.4.7), the property context of node
// 0x61: the GUID, entry and string streams and the hash buckets that map
// named properties (a GUID with a number or a name) to property ids from
// 0x8000 up.
//
//   NamedPropertyMapBuilder map(Variant::unicode);
//   uint16_t start = map.add(kPsetidAppointment, 0x820D);  // 0x8000
//   uint16_t keywords = map.add(kPsPublicStrings, "Keywords");
//   NodeContent node = map.build();
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/guid.h"
#include "support/node_content.h"
#include "support/property_context_builder.h"

namespace pstbuild {

inline constexpr std::uint32_t kNidNameToIdMap = 0x61;
inline constexpr std::uint32_t kDefaultBucketCount = 251;  // [MS-PST] 2.4.7.5
// Property ids of the map's streams ([MS-PST] 2.4.7).
inline constexpr std::uint16_t kPidNameidBucketCount = 0x0001;
inline constexpr std::uint16_t kPidNameidStreamGuid = 0x0002;
inline constexpr std::uint16_t kPidNameidStreamEntry = 0x0003;
inline constexpr std::uint16_t kPidNameidStreamString = 0x0004;
inline constexpr std::uint16_t kPidNameidBucketBase = 0x1000;

// wGuid of NAMEID ([MS-PST] 2.4.7.1).
inline constexpr std::uint16_t kGuidIndexNone = 0;
inline constexpr std::uint16_t kGuidIndexMapi = 1;
inline constexpr std::uint16_t kGuidIndexPublicStrings = 2;
inline constexpr std::uint16_t kFirstStreamGuidIndex = 3;

class NamedPropertyMapBuilder {
public:
    explicit NamedPropertyMapBuilder(Variant variant,
                                     std::uint32_t bucket_count = kDefaultBucketCount);

    // Adds a named property (once; adding it again returns the same id) and
    // returns its property id, 0x8000 + wPropIdx.
    std::uint16_t add(const Guid& guid, std::uint32_t numeric_id);
    std::uint16_t add(const Guid& guid, std::string_view utf8_name);

    // wGuid of a GUID: 0 for the all-zero GUID, 1 PS_MAPI, 2
    // PS_PUBLIC_STRINGS, else 3 + its place in the GUID stream (added on
    // first use).
    std::uint16_t guid_index(const Guid& guid);

    // The streams as stored.
    std::vector<std::uint8_t> guid_stream() const;
    std::vector<std::uint8_t> entry_stream() const;
    std::vector<std::uint8_t> string_stream() const;
    // The NAMEID records of bucket b (empty buckets are not stored).
    std::vector<std::uint8_t> bucket(std::uint32_t b) const;

    // The map as a property context, to build or to alter first.
    PropertyContextBuilder property_context(PcOptions options = {}) const;
    NodeContent build(PcOptions options = {}) const;

private:
    struct Name {
        std::uint16_t guid = 0;
        bool is_string = false;
        std::uint32_t numeric_id = 0;
        std::vector<std::uint8_t> utf16;  // string names, UTF-16LE
        std::uint32_t string_offset = 0;  // of the length DWORD in the string stream
    };

    std::uint16_t add(Name name);
    std::uint32_t bucket_of(const Name& name) const;

    Variant variant_;
    std::uint32_t bucket_count_;
    std::vector<Guid> guids_;
    std::vector<Name> names_;
    std::vector<std::uint8_t> strings_;
};

// The hash of a string name: the [MS-PST] CRC of its UTF-16LE bytes.
std::uint32_t name_hash(std::string_view utf8_name);

// Bucket of a NAMEID record: (hash XOR (wGuid << 1 | N)) mod bucket count
// ([MS-PST] 2.4.7.5).
std::uint32_t name_bucket(std::uint32_t hash, std::uint16_t guid_index, bool is_string,
                          std::uint32_t bucket_count);

}  // namespace pstbuild
