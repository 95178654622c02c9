#include "formats/contact_named_props.h"

#include <exception>

#include "pstread/ltp/property_sets.h"

namespace mailwright::formats {
namespace {

// Numeric ids of the PSETID_Address entries, in ContactNamedProp order up
// to kKeywords.
constexpr std::uint32_t kAddressLids[kKeywords] = {
    0x8022, 0x801A, 0x801B, 0x801C, 0x8046, 0x8049, 0x8045, 0x8048, 0x8047, 0x804A, 0x8084, 0x8094,
    0x80A4, 0x8062, 0x800E, 0x8080, 0x8082, 0x8083, 0x8090, 0x8092, 0x8093, 0x80A0, 0x80A2, 0x80A3,
};
constexpr std::uint32_t kLidBilling = 0x8535;
constexpr std::uint32_t kLidDistributionListMembers = 0x8055;
constexpr std::uint32_t kLidDistributionListOneOffMembers = 0x8054;

template <typename Name>
std::uint16_t lookup_or_zero(pstread::pst& store, const pstread::guid& set, const Name& name) {
    try {
        return store.lookup_prop_id(set, name);
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

ContactNamedPropIds ResolveContactNamedPropIds(pstread::pst& store) {
    ContactNamedPropIds ids{};
    for (std::size_t i = 0; i < kKeywords; ++i) {
        ids[i] = lookup_or_zero(store, pstread::psetid_address, std::int64_t{kAddressLids[i]});
    }
    ids[kKeywords] = lookup_or_zero(store, pstread::ps_public_strings, std::u32string(U"Keywords"));
    ids[kBilling] = lookup_or_zero(store, pstread::psetid_common, std::int64_t{kLidBilling});
    return ids;
}

GroupNamedPropIds ResolveGroupNamedPropIds(pstread::pst& store) {
    return {
        lookup_or_zero(store, pstread::psetid_address, std::int64_t{kLidDistributionListMembers}),
        lookup_or_zero(store, pstread::psetid_address,
                       std::int64_t{kLidDistributionListOneOffMembers})};
}

}  // namespace mailwright::formats
