#include "formats/item_identity.h"

#include <exception>

#include "pstread/pst/pst.h"

namespace mailwright::formats {
namespace {

// PidTagRecordKey ([MS-OXPROPS] 2.904).
constexpr std::uint16_t kRecordKeyProperty = 0x0FF9;

constexpr std::uint64_t kFnvOffset = 0xCBF29CE484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001B3ULL;
// A second starting value, so that the two halves of the hash differ.
constexpr std::uint64_t kSecondLaneSeed = 0x9E3779B97F4A7C15ULL;

// Spreads every input bit over the whole value (the 64-bit finaliser of
// MurmurHash3).
std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDULL;
    value ^= value >> 33;
    value *= 0xC4CEB9FE1A85EC53ULL;
    value ^= value >> 33;
    return value;
}

class Fnv64 {
public:
    explicit Fnv64(std::uint64_t start) : m_state(start) {}
    void add(std::uint8_t byte) {
        m_state ^= byte;
        m_state *= kFnvPrime;
    }
    std::uint64_t value() const { return m_state; }

private:
    std::uint64_t m_state;
};

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

ItemIdentity ItemIdentity::hash(std::span<const std::uint8_t> prefix, std::uint32_t nodeId) {
    Fnv64 first(kFnvOffset);
    Fnv64 second(kFnvOffset ^ kSecondLaneSeed);
    const auto add = [&](std::uint8_t byte) {
        first.add(byte);
        second.add(byte);
    };
    // The length first, so that a prefix and the node id cannot trade bytes.
    for (unsigned shift = 0; shift < 64; shift += 8) {
        add(static_cast<std::uint8_t>(static_cast<std::uint64_t>(prefix.size()) >> shift));
    }
    for (const std::uint8_t byte : prefix) {
        add(byte);
    }
    for (unsigned shift = 0; shift < 32; shift += 8) {
        add(static_cast<std::uint8_t>(nodeId >> shift));
    }
    const std::uint64_t high = mix(first.value() ^ (second.value() >> 1));
    const std::uint64_t low = mix(second.value() + high);
    ItemIdentity identity;
    for (unsigned i = 0; i < 8; ++i) {
        identity.m_bytes[i] = static_cast<std::uint8_t>(high >> (56 - 8 * i));
        identity.m_bytes[8 + i] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
    }
    return identity;
}

ItemIdentity ItemIdentity::ofItem(std::span<const std::uint8_t> storeKey, std::uint32_t nodeId) {
    return hash(storeKey, nodeId);
}

ItemIdentity ItemIdentity::within(std::uint32_t nodeId) const {
    return hash(m_bytes, nodeId);
}

std::string ItemIdentity::uuid() const {
    std::array<std::uint8_t, 16> bytes = m_bytes;
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x80);  // version 8
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string ItemIdentity::hex(std::size_t digits) const {
    std::string text;
    for (std::size_t i = 0; i < digits && i < 2 * m_bytes.size(); ++i) {
        const std::uint8_t byte = m_bytes[i / 2];
        text += kHexDigits[i % 2 == 0 ? byte >> 4 : byte & 0x0F];
    }
    return text;
}

std::vector<std::uint8_t> StoreRecordKey(pstread::pst& store) {
    try {
        const pstread::property_bag& bag = store.get_property_bag();
        if (!bag.has_property(kRecordKeyProperty)) {
            return {};
        }
        const pstread::byte_buffer key = bag.read_bytes(kRecordKeyProperty);
        return {key.begin(), key.end()};
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace mailwright::formats
