#include "formats/group_members.h"

#include <algorithm>
#include <array>

#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

using ProviderUid = std::array<std::uint8_t, 16>;

// The provider of wrapped entry ids (contact and group members of a store)
// and of one-off entry ids, as stored.
constexpr ProviderUid kWrappedEntryIdProvider = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                                 0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
constexpr ProviderUid kOneOffEntryIdProvider = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

// Entry id layouts: four flag bytes, the provider, then the provider's data.
constexpr std::size_t kFlagsBytes = 4;
constexpr std::size_t kProviderOffset = kFlagsBytes;
constexpr std::size_t kProviderDataOffset = kProviderOffset + 16;
// Wrapped: one type byte (its high bit: the embedded id is a message entry
// id), then that entry id: flags, the store's record key, the node id.
constexpr std::uint8_t kWrappedMessageEntryId = 0x80;
constexpr std::size_t kRecordKeyBytes = 16;
constexpr std::size_t kWrappedEntryIdBytes =
    kProviderDataOffset + 1 + kFlagsBytes + kRecordKeyBytes + 4;
// One-off: version (2 bytes), flags (2 bytes; 0x8000 means UTF-16 strings),
// then the display name, address type and address, each ending in a NUL.
constexpr std::size_t kOneOffStringsOffset = kProviderDataOffset + 4;
constexpr std::uint16_t kOneOffUnicode = 0x8000;

bool has_provider(std::span<const std::uint8_t> entryId, const ProviderUid& provider) {
    return entryId.size() >= kProviderDataOffset &&
           std::equal(provider.begin(), provider.end(), entryId.begin() + kProviderOffset);
}

// The NUL-terminated string at `offset` (units of 1 or 2 bytes) as UTF-8;
// `offset` moves past its NUL. Nothing when no NUL ends it.
std::optional<std::string> read_string(std::span<const std::uint8_t> bytes, std::size_t& offset,
                                       bool wide, const text::TextEncodingItem& eightBitRow) {
    const std::size_t unit = wide ? 2 : 1;
    for (std::size_t end = offset; end + unit <= bytes.size(); end += unit) {
        if (bytes[end] != 0 || (wide && bytes[end + 1] != 0)) {
            continue;
        }
        const std::uint8_t* data = bytes.data() + offset;
        const std::size_t size = end - offset;
        offset = end + unit;
        if (wide) {
            return text::utf16le_bytes_to_utf8(data, size);
        }
        return text::convert_code_page(text::ByteInput(data, size), eightBitRow, text::Utf8Row());
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> WrappedMessageNid(std::span<const std::uint8_t> entryId,
                                               std::span<const std::uint8_t> recordKey) {
    if (entryId.size() != kWrappedEntryIdBytes || !has_provider(entryId, kWrappedEntryIdProvider) ||
        (entryId[kProviderDataOffset] & kWrappedMessageEntryId) == 0) {
        return std::nullopt;
    }
    const std::size_t keyOffset = kProviderDataOffset + 1 + kFlagsBytes;
    if (recordKey.size() != kRecordKeyBytes ||
        !std::equal(recordKey.begin(), recordKey.end(), entryId.begin() + keyOffset)) {
        return std::nullopt;
    }
    const std::size_t nidOffset = keyOffset + kRecordKeyBytes;
    std::uint32_t nid = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        nid |= std::uint32_t{entryId[nidOffset + i]} << (8 * i);
    }
    return nid;
}

std::optional<GroupMember> ReadOneOffEntryId(std::span<const std::uint8_t> entryId,
                                             const text::TextEncodingItem& eightBitRow) {
    if (entryId.size() < kOneOffStringsOffset || !has_provider(entryId, kOneOffEntryIdProvider)) {
        return std::nullopt;
    }
    const std::uint16_t flags = static_cast<std::uint16_t>(entryId[kProviderDataOffset + 2] |
                                                           entryId[kProviderDataOffset + 3] << 8);
    const bool wide = (flags & kOneOffUnicode) != 0;
    std::size_t offset = kOneOffStringsOffset;
    auto name = read_string(entryId, offset, wide, eightBitRow);
    auto type = name ? read_string(entryId, offset, wide, eightBitRow) : std::nullopt;
    auto address = type ? read_string(entryId, offset, wide, eightBitRow) : std::nullopt;
    if (!address) {
        return std::nullopt;
    }
    return GroupMember{std::nullopt, std::move(*name), std::move(*type), std::move(*address)};
}

std::vector<GroupMember> ReadGroupMembers(const std::vector<std::vector<std::uint8_t>>& members,
                                          const std::vector<std::vector<std::uint8_t>>& oneOffs,
                                          std::span<const std::uint8_t> recordKey,
                                          const text::TextEncodingItem& eightBitRow) {
    std::vector<GroupMember> result;
    const std::size_t count = std::max(members.size(), oneOffs.size());
    for (std::size_t i = 0; i < count; ++i) {
        std::optional<GroupMember> member;
        if (i < oneOffs.size()) {
            member = ReadOneOffEntryId(oneOffs[i], eightBitRow);
        }
        if (!member && i < members.size()) {
            member = ReadOneOffEntryId(members[i], eightBitRow);
        }
        const auto nid =
            i < members.size() ? WrappedMessageNid(members[i], recordKey) : std::nullopt;
        if (!member && !nid) {
            continue;
        }
        if (!member) {
            member.emplace();
        }
        member->nid = nid;
        result.push_back(std::move(*member));
    }
    return result;
}

}  // namespace mailwright::formats
