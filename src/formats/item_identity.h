// Identities derived from an item itself rather than from the clock or a
// counter, so that converting the same file twice gives the same bytes:
// MIME boundaries, Message-IDs of messages that have none, and UIDs of
// other writers.
//
// An item's identity is a 128-bit hash of its entry id within its file (the
// store's record key and the item's node id). An item held by another item
// (a message attached to a message) hashes its holder's identity with its
// own node id, so every message of a nested tree has its own.
//
//   const ItemIdentity id = ItemIdentity::ofItem(StoreRecordKey(store), message.get_id());
//   id.uuid();   // "3F2C9A1E-....", 36 characters, upper case
//   id.hex(16);  // "3F2C9A1E0B7D44C8"
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pstread {
class pst;
}

namespace mailwright::formats {

class ItemIdentity {
public:
    ItemIdentity() = default;

    // The identity of an item of a store with the record key `storeKey`.
    static ItemIdentity ofItem(std::span<const std::uint8_t> storeKey, std::uint32_t nodeId);
    // The identity of the item `nodeId` held by this one.
    ItemIdentity within(std::uint32_t nodeId) const;

    // The standard 36-character UUID text form (upper case, version 8 and
    // the RFC 4122 variant set).
    std::string uuid() const;
    // The first `digits` hexadecimal digits (upper case, at most 32).
    std::string hex(std::size_t digits) const;

    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }
    bool operator==(const ItemIdentity&) const = default;

private:
    static ItemIdentity hash(std::span<const std::uint8_t> prefix, std::uint32_t nodeId);

    std::array<std::uint8_t, 16> m_bytes{};
};

// The store's PidTagRecordKey, which tells one PST file's store from
// another's; empty when the store has none or it cannot be read.
std::vector<std::uint8_t> StoreRecordKey(pstread::pst& store);

}  // namespace mailwright::formats
