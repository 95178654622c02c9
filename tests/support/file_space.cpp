#include "support/file_space.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

#include "support/page_writer.h"

namespace pstbuild {
namespace {

constexpr std::uint64_t kAnsiMaxOffset = 0xFFFFFFFFull;  // IB is 32 bits in ANSI files

std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool has_pmap(std::uint64_t section) {
    return section % kAMapsPerPMap == 0;
}

}  // namespace

FileSpace::FileSpace(Variant variant, ByteSink& sink)
    : variant_(variant), sink_(sink), cursor_(first_usable(0)) {
    begin_section(0);
}

std::uint64_t FileSpace::section_start(std::uint64_t section) {
    return kFirstAMapOffset + section * kAMapCoverage;
}

std::uint64_t FileSpace::first_usable(std::uint64_t section) {
    return section_start(section) + kPageSize + (has_pmap(section) ? kPageSize : 0);
}

void FileSpace::begin_section(std::uint64_t section) {
    section_ = section;
    bits_.fill(0);
    // The map pages map themselves: the AMap takes the section's first page
    // and, every eighth section, the PMap the second.
    mark(section_start(section), first_usable(section) - section_start(section));
}

void FileSpace::mark(std::uint64_t offset, std::uint64_t size) {
    const std::uint64_t first = (offset - section_start(section_)) / kBlockAlignment;
    const std::uint64_t last =
        (offset + size - section_start(section_) + kBlockAlignment - 1) / kBlockAlignment;
    for (std::uint64_t unit = first; unit < last; ++unit) {
        // The first 64 bytes of the section are the most significant bit of
        // the first map byte.
        bits_[unit / 8] |= static_cast<std::uint8_t>(0x80 >> (unit % 8));
    }
}

void FileSpace::flush_section(std::uint64_t limit) {
    const std::uint64_t start = section_start(section_);
    const Page amap = make_map_page(variant_, PageType::amap, bits_, start);
    sink_.write(start, amap);
    summary_.amap_offsets.push_back(start);
    summary_.last_amap = start;
    if (has_pmap(section_)) {
        // Every page of the PMap's range counts as taken: the builder never
        // leaves free pages for a later writer to find.
        std::array<std::uint8_t, kMapBitsSize> pmap_bits;
        pmap_bits.fill(0xFF);
        const std::uint64_t at = start + kPageSize;
        sink_.write(at, make_map_page(variant_, PageType::pmap, pmap_bits, at));
        summary_.pmap_offsets.push_back(at);
    }
    const std::uint64_t mapped_units =
        (std::min(limit, start + kAMapCoverage) - start) / kBlockAlignment;
    std::uint64_t used_units = 0;
    for (const std::uint8_t byte : bits_) {
        used_units += static_cast<std::uint64_t>(std::popcount(byte));
    }
    summary_.amap_free += (mapped_units - used_units) * kBlockAlignment;
}

std::uint64_t FileSpace::allocate(std::uint64_t size, std::uint64_t alignment) {
    if (size == 0 || size > kAMapCoverage - 2 * kPageSize) {
        throw std::invalid_argument("allocation of " + std::to_string(size) + " bytes");
    }
    std::uint64_t offset = align_up(cursor_, alignment);
    std::uint64_t section = section_;
    while (offset + size > section_start(section + 1)) {
        ++section;
        offset = align_up(first_usable(section), alignment);
    }
    if (variant_ == Variant::ansi && offset + size > kAnsiMaxOffset) {
        throw std::length_error("an ANSI file cannot grow past 4 GB");
    }
    while (section_ < section) {
        flush_section(section_start(section_ + 1));
        begin_section(section_ + 1);
    }
    mark(offset, size);
    cursor_ = offset + size;
    return offset;
}

MapSummary FileSpace::finish(bool pad_to_section) {
    const std::uint64_t eof = pad_to_section ? section_start(section_ + 1) : cursor_;
    if (variant_ == Variant::ansi && eof > kAnsiMaxOffset) {
        throw std::length_error("an ANSI file cannot grow past 4 GB");
    }
    flush_section(eof);
    summary_.file_eof = eof;
    sink_.extend_to(eof);
    return summary_;
}

}  // namespace pstbuild
