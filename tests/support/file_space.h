// Hands out file space for pages and blocks the way a PST grows: upwards
// from the first allocation map, around the AMap page that starts every
// 253,952-byte section and the PMap page after every eighth AMap
// ([MS-PST] 2.2.2.7.2, 2.2.2.7.3). It writes each map page as soon as its
// section is complete, so its memory does not grow with the file.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/byte_sink.h"
#include "support/pst_format.h"

namespace pstbuild {

struct MapSummary {
    std::uint64_t file_eof = 0;   // ROOT.ibFileEof
    std::uint64_t last_amap = 0;  // ROOT.ibAMapLast
    std::uint64_t amap_free = 0;  // ROOT.cbAMapFree
    std::vector<std::uint64_t> amap_offsets;
    std::vector<std::uint64_t> pmap_offsets;
};

class FileSpace {
public:
    FileSpace(Variant variant, ByteSink& sink);

    // Returns the offset of `size` bytes aligned to `alignment` (64 for
    // blocks, 512 for pages) and marks them allocated. Throws
    // std::length_error when an ANSI file would pass 4 GB.
    std::uint64_t allocate(std::uint64_t size, std::uint64_t alignment);

    // Writes the remaining map pages and returns the header's ROOT values.
    // With pad_to_section the file ends at a section boundary, as [MS-PST]
    // 2.6.1.1.2 requires of files that grow; otherwise it ends after the last
    // allocation.
    MapSummary finish(bool pad_to_section);

private:
    static std::uint64_t section_start(std::uint64_t section);
    static std::uint64_t first_usable(std::uint64_t section);
    void begin_section(std::uint64_t section);
    void flush_section(std::uint64_t limit);
    void mark(std::uint64_t offset, std::uint64_t size);

    Variant variant_;
    ByteSink& sink_;
    std::uint64_t cursor_;
    std::uint64_t section_ = 0;
    std::array<std::uint8_t, kMapBitsSize> bits_{};
    MapSummary summary_;
};

}  // namespace pstbuild
