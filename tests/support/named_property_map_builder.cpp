#include "support/named_property_map_builder.h"

#include <map>
#include <stdexcept>

#include "support/crc.h"
#include "support/le_bytes.h"
#include "support/property_value.h"

namespace pstbuild {
namespace {

constexpr std::uint32_t kFirstNamedPropertyId = 0x8000;
constexpr std::size_t kMaxNamedProperties = 0x7FFF;  // ids 0x8000..0xFFFE

// NAMEID ([MS-PST] 2.4.7.1): dwPropertyID, then N (bit 0) and wGuid
// (bits 1-15) in one 16-bit word, then wPropIdx.
void append_nameid(std::vector<std::uint8_t>& out, std::uint32_t dwPropertyID, std::uint16_t guid,
                   bool is_string, std::size_t index) {
    append_le(out, dwPropertyID, 4);
    append_le(out, static_cast<std::uint32_t>(guid) << 1 | (is_string ? 1 : 0), 2);
    append_le(out, index, 2);
}

constexpr Guid kNoGuid{};

}  // namespace

std::uint32_t name_hash(std::string_view utf8_name) {
    return compute_crc(utf16le(utf8_name));
}

std::uint32_t name_bucket(std::uint32_t hash, std::uint16_t guid_index, bool is_string,
                          std::uint32_t bucket_count) {
    return (hash ^ (static_cast<std::uint32_t>(guid_index) << 1 | (is_string ? 1 : 0))) %
           bucket_count;
}

NamedPropertyMapBuilder::NamedPropertyMapBuilder(Variant variant, std::uint32_t bucket_count)
    : variant_(variant), bucket_count_(bucket_count) {
    if (bucket_count == 0 || bucket_count > 0x1000) {
        throw std::invalid_argument("bucket count out of range");
    }
}

std::uint16_t NamedPropertyMapBuilder::guid_index(const Guid& guid) {
    if (guid == kNoGuid) {
        return kGuidIndexNone;
    }
    if (guid == kPsMapi) {
        return kGuidIndexMapi;
    }
    if (guid == kPsPublicStrings) {
        return kGuidIndexPublicStrings;
    }
    for (std::size_t i = 0; i < guids_.size(); ++i) {
        if (guids_[i] == guid) {
            return static_cast<std::uint16_t>(kFirstStreamGuidIndex + i);
        }
    }
    if (guids_.size() + kFirstStreamGuidIndex > 0x7FFF) {
        throw std::length_error("too many GUIDs for wGuid");
    }
    guids_.push_back(guid);
    return static_cast<std::uint16_t>(kFirstStreamGuidIndex + guids_.size() - 1);
}

std::uint16_t NamedPropertyMapBuilder::add(Name name) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Name& n = names_[i];
        if (n.guid == name.guid && n.is_string == name.is_string &&
            (n.is_string ? n.utf16 == name.utf16 : n.numeric_id == name.numeric_id)) {
            return static_cast<std::uint16_t>(kFirstNamedPropertyId + i);
        }
    }
    if (names_.size() == kMaxNamedProperties) {
        throw std::length_error("too many named properties");
    }
    if (name.is_string) {
        // String stream: a length DWORD, the UTF-16LE name, padding to 4.
        name.string_offset = static_cast<std::uint32_t>(strings_.size());
        append_le(strings_, name.utf16.size(), 4);
        strings_.insert(strings_.end(), name.utf16.begin(), name.utf16.end());
        strings_.resize((strings_.size() + 3) & ~std::size_t{3}, 0);
    }
    names_.push_back(std::move(name));
    return static_cast<std::uint16_t>(kFirstNamedPropertyId + names_.size() - 1);
}

std::uint16_t NamedPropertyMapBuilder::add(const Guid& guid, std::uint32_t numeric_id) {
    Name name;
    name.guid = guid_index(guid);
    name.numeric_id = numeric_id;
    return add(std::move(name));
}

std::uint16_t NamedPropertyMapBuilder::add(const Guid& guid, std::string_view utf8_name) {
    Name name;
    name.guid = guid_index(guid);
    name.is_string = true;
    name.utf16 = utf16le(utf8_name);
    return add(std::move(name));
}

std::uint32_t NamedPropertyMapBuilder::bucket_of(const Name& name) const {
    const std::uint32_t hash = name.is_string ? compute_crc(name.utf16) : name.numeric_id;
    return name_bucket(hash, name.guid, name.is_string, bucket_count_);
}

std::vector<std::uint8_t> NamedPropertyMapBuilder::guid_stream() const {
    std::vector<std::uint8_t> out;
    for (const Guid& guid : guids_) {
        out.insert(out.end(), guid.bytes.begin(), guid.bytes.end());
    }
    return out;
}

std::vector<std::uint8_t> NamedPropertyMapBuilder::entry_stream() const {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Name& n = names_[i];
        append_nameid(out, n.is_string ? n.string_offset : n.numeric_id, n.guid, n.is_string, i);
    }
    return out;
}

std::vector<std::uint8_t> NamedPropertyMapBuilder::string_stream() const {
    return strings_;
}

std::vector<std::uint8_t> NamedPropertyMapBuilder::bucket(std::uint32_t b) const {
    // Bucket records carry the hash (the CRC of a string name) in
    // dwPropertyID ([MS-PST] 2.4.7.5).
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Name& n = names_[i];
        if (bucket_of(n) == b) {
            const std::uint32_t hash = n.is_string ? compute_crc(n.utf16) : n.numeric_id;
            append_nameid(out, hash, n.guid, n.is_string, i);
        }
    }
    return out;
}

PropertyContextBuilder NamedPropertyMapBuilder::property_context(PcOptions options) const {
    PropertyContextBuilder pc(variant_, options);
    pc.set(kPidNameidBucketCount, pv_long(static_cast<std::int32_t>(bucket_count_)));
    pc.set(kPidNameidStreamGuid, pv_binary(guid_stream()));
    pc.set(kPidNameidStreamEntry, pv_binary(entry_stream()));
    pc.set(kPidNameidStreamString, pv_binary(string_stream()));
    // Only buckets that hold records are stored, as in real files.
    std::map<std::uint32_t, std::vector<std::uint8_t>> buckets;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Name& n = names_[i];
        const std::uint32_t hash = n.is_string ? compute_crc(n.utf16) : n.numeric_id;
        append_nameid(buckets[bucket_of(n)], hash, n.guid, n.is_string, i);
    }
    for (auto& [b, records] : buckets) {
        pc.set(static_cast<std::uint16_t>(kPidNameidBucketBase + b), pv_binary(std::move(records)));
    }
    return pc;
}

NodeContent NamedPropertyMapBuilder::build(PcOptions options) const {
    return property_context(options).build();
}

}  // namespace pstbuild
