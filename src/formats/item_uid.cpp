#include "formats/item_uid.h"

#include <exception>
#include <vector>

#include "text/sha1.h"

namespace mailwright::formats {
namespace {

constexpr pstread::prop_id kPidTagRecordKey = 0x0FF9;

// The name space of Mailwright's item UIDs (itself a random UUID).
constexpr std::array<std::uint8_t, 16> kItemNamespace = {
    0x3B, 0x6E, 0x0C, 0x52, 0x8F, 0x1D, 0x4A, 0x97, 0xB2, 0x5C, 0x61, 0xE4, 0x09, 0xD3, 0x7A, 0x28};

std::string uuid_text(const std::array<std::uint8_t, 16>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace

StoreRecordKey ReadStoreRecordKey(pstread::pst& store) {
    StoreRecordKey key{};
    try {
        const pstread::property_bag& bag = store.get_property_bag();
        if (bag.has_property(kPidTagRecordKey) &&
            bag.property_type(kPidTagRecordKey) == pstread::prop_type_binary) {
            const pstread::byte_buffer value = bag.read_bytes(kPidTagRecordKey);
            if (value.size() == key.size()) {
                std::copy(value.begin(), value.end(), key.begin());
            }
        }
    } catch (const std::exception&) {
        // A store without a readable record key: its items still get UIDs
        // that stay the same from run to run.
    }
    return key;
}

std::string ItemUID(const StoreRecordKey& recordKey, std::uint32_t nid) {
    // The name is the item's entry id: four flag bytes, the record key and
    // the node id in little-endian order.
    std::vector<std::uint8_t> name(kItemNamespace.begin(), kItemNamespace.end());
    name.insert(name.end(), 4, 0);
    name.insert(name.end(), recordKey.begin(), recordKey.end());
    for (int shift = 0; shift < 32; shift += 8) {
        name.push_back(static_cast<std::uint8_t>(nid >> shift));
    }
    const text::Sha1Digest digest = text::Sha1(name);
    std::array<std::uint8_t, 16> uuid{};
    std::copy(digest.begin(), digest.begin() + 16, uuid.begin());
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x50);  // version 5
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return uuid_text(uuid);
}

}  // namespace mailwright::formats
