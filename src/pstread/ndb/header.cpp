#include "pstread/ndb/header.h"

#include <stdexcept>
#include <string>

#include "pstread/ndb/crc.h"
#include "pstread/ndb/disk_layout.h"
#include "pstread/ndb/exceptions.h"

namespace pstread {
namespace {

// dwMagic: "!BDN" read as a little-endian number.
constexpr std::uint64_t header_magic = 0x4E444221;

crypt_method crypt_method_from(std::uint64_t value) {
    switch (value) {
        case 1:
            return crypt_method::permute;
        case 2:
            return crypt_method::cyclic;
        default:
            return crypt_method::none;
    }
}

template <typename Layout>
void check_crcs(std::span<const std::uint8_t> header) {
    using H = typename Layout::header;
    const std::uint32_t partial =
        compute_crc(header.subspan(H::crc_partial_start, H::crc_partial_length));
    const auto stored_partial = static_cast<std::uint32_t>(load_field(header, H::dwCRCPartial));
    if (partial != stored_partial) {
        throw crc_fail("header dwCRCPartial failure", 0, 0, partial, stored_partial);
    }
    if constexpr (Layout::unicode) {
        const std::uint32_t full =
            compute_crc(header.subspan(H::crc_partial_start, H::crc_full_length));
        const auto stored_full = static_cast<std::uint32_t>(load_field(header, H::dwCRCFull));
        if (full != stored_full) {
            throw crc_fail("header dwCRCFull failure", 0, 0, full, stored_full);
        }
    }
}

}  // namespace

template <typename Layout>
header_values read_header(const database_file& file, std::span<std::uint8_t> copy) {
    using H = typename Layout::header;
    if (copy.size() != H::size) {
        throw std::logic_error("header copy of the wrong size");
    }
    if (file.size() < H::size) {
        throw database_corrupt("not a PST file (only " + std::to_string(file.size()) + " bytes)");
    }
    file.read(copy, 0);
    const std::span<const std::uint8_t> header(copy);
    if (load_field(header, H::dwMagic) != header_magic) {
        throw database_corrupt("not a PST file (bad signature)");
    }
    header_values values;
    values.version = static_cast<std::uint16_t>(load_field(header, H::wVer));
    if (Layout::unicode != (values.version >= first_unicode_version)) {
        throw invalid_format();
    }
    check_crcs<Layout>(header);
    values.encoding = crypt_method_from(load_field(header, H::bCryptMethod));
    values.file_eof = load_field(header, H::ibFileEof);
    values.nbt_root = {load_field(header, H::BREFNBT_bid), load_field(header, H::BREFNBT_ib)};
    values.bbt_root = {load_field(header, H::BREFBBT_bid), load_field(header, H::BREFBBT_ib)};
    return values;
}

template header_values read_header<ansi_layout>(const database_file&, std::span<std::uint8_t>);
template header_values read_header<unicode_layout>(const database_file&, std::span<std::uint8_t>);

}  // namespace pstread
