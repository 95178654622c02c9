#include "support/header_writer.h"

#include <algorithm>
#include <stdexcept>

#include "support/crc.h"
#include "support/le_bytes.h"

namespace pstbuild {
namespace {

// rgnid[] slots by NID type ([MS-PST] 2.2.2.1, 2.2.2.6).
constexpr std::size_t kNidTypeSearchFolder = 0x03;
constexpr std::size_t kNidTypeNormalMessage = 0x04;
constexpr std::size_t kNidTypeAssocMessage = 0x08;
constexpr std::size_t kFreeMapSize = 128;  // rgbFM, rgbFP

void put_root(std::span<std::uint8_t> out, const HeaderLayout& at, std::size_t id_size,
              const RootFields& root) {
    put_u32(out, at.root, root.dwReserved);
    put_le(out, at.ibFileEof, root.ibFileEof, id_size);
    put_le(out, at.ibAMapLast, root.ibAMapLast, id_size);
    put_le(out, at.cbAMapFree, root.cbAMapFree, id_size);
    put_le(out, at.cbPMapFree, root.cbPMapFree, id_size);
    put_le(out, at.BREFNBT_bid, root.BREFNBT.bid, id_size);
    put_le(out, at.BREFNBT_ib, root.BREFNBT.ib, id_size);
    put_le(out, at.BREFBBT_bid, root.BREFBBT.bid, id_size);
    put_le(out, at.BREFBBT_ib, root.BREFBBT.ib, id_size);
    put_u8(out, at.fAMapValid, root.fAMapValid);
    put_u8(out, at.fAMapValid + 1, root.bReserved);
    put_u16(out, at.fAMapValid + 2, root.wReserved);
}

}  // namespace

std::array<std::uint32_t, 32> initial_rgnid() {
    std::array<std::uint32_t, 32> rgnid{};
    rgnid.fill(0x400);
    rgnid[kNidTypeSearchFolder] = 0x4000;
    rgnid[kNidTypeNormalMessage] = 0x10000;
    rgnid[kNidTypeAssocMessage] = 0x8000;
    return rgnid;
}

std::vector<std::uint8_t> serialize_header(const HeaderFields& fields) {
    const VariantTraits& t = traits(fields.variant);
    const HeaderLayout& at = header_layout(fields.variant);
    std::vector<std::uint8_t> out(t.header_size, 0);
    std::copy(fields.dwMagic.begin(), fields.dwMagic.end(), out.begin() + at.dwMagic);
    std::copy(fields.wMagicClient.begin(), fields.wMagicClient.end(),
              out.begin() + at.wMagicClient);
    put_u16(out, at.wVer, fields.wVer != 0 ? fields.wVer : t.default_wVer);
    put_u16(out, at.wVerClient, fields.wVerClient);
    put_u8(out, at.bPlatformCreate, fields.bPlatformCreate);
    put_u8(out, at.bPlatformAccess, fields.bPlatformAccess);
    put_u32(out, at.dwReserved1, fields.dwReserved1);
    put_u32(out, at.dwReserved2, fields.dwReserved2);
    if (at.bidUnused != kNoField) {
        put_u64(out, at.bidUnused, fields.bidUnused);
    }
    put_le(out, at.bidNextB, fields.bidNextB, t.id_size);
    put_le(out, at.bidNextP, fields.bidNextP, t.id_size);
    put_u32(out, at.dwUnique, fields.dwUnique);
    for (std::size_t i = 0; i < fields.rgnid.size(); ++i) {
        put_u32(out, at.rgnid + 4 * i, fields.rgnid[i]);
    }
    put_root(out, at, t.id_size, fields.root);
    std::fill_n(out.begin() + at.rgbFM, kFreeMapSize, 0xFF);
    std::fill_n(out.begin() + at.rgbFP, kFreeMapSize, 0xFF);
    put_u8(out, at.bSentinel, fields.bSentinel);
    put_u8(out, at.bCryptMethod, static_cast<std::uint8_t>(fields.bCryptMethod));
    refresh_header_crcs(out, fields.variant);
    return out;
}

void refresh_header_crcs(std::span<std::uint8_t> file, Variant variant) {
    const HeaderLayout& at = header_layout(variant);
    if (file.size() < traits(variant).header_size) {
        throw std::out_of_range("refresh_header_crcs: buffer shorter than a header");
    }
    const std::span<const std::uint8_t> bytes = file;
    put_u32(file, at.dwCRCPartial, compute_crc(bytes.subspan(at.crc_start, at.crc_partial_length)));
    if (at.dwCRCFull != kNoField) {
        put_u32(file, at.dwCRCFull, compute_crc(bytes.subspan(at.crc_start, at.crc_full_length)));
    }
}

}  // namespace pstbuild
