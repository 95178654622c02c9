// A heap-on-node ([MS-PST] 2.3.1): items allocated in order and packed
// into pages, one page per data block of the node. Page 0 starts with the
// HNHDR, page 8 and every 128th page after it with an HNBITMAPHDR, the
// others with an HNPAGEHDR; each page ends with its HNPAGEMAP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "support/pst_format.h"

namespace pstbuild {

inline constexpr std::uint8_t kHeapSignature = 0xEC;       // HNHDR.bSig
inline constexpr std::uint8_t kClientSignatureTc = 0x7C;   // bTypeTC
inline constexpr std::uint8_t kClientSignatureBth = 0xB5;  // bTypeBTH
inline constexpr std::uint8_t kClientSignaturePc = 0xBC;   // bTypePC
inline constexpr std::size_t kMaxHeapItemSize = 3580;      // [MS-PST] 2.6.2.1.2

struct HeapOptions {
    // Bytes a page may use, headers and page map included; 0 means a whole
    // block (8176 or 8180). Smaller values spread few items over many pages.
    std::size_t page_capacity = 0;
};

// Where an item lies: its page, its offset in the page and in the node's
// data stream (every page but the last fills a whole block).
struct HeapItemPlacement {
    std::size_t page = 0;
    std::size_t offset_in_page = 0;
    std::size_t size = 0;
    std::uint64_t stream_offset = 0;
};

class HeapBuilder {
public:
    HeapBuilder(Variant variant, std::uint8_t client_signature, HeapOptions options = {});

    // Allocates an item holding `bytes`, or `size` zero bytes to be filled
    // later through item(). Returns its HID: page << 16 | (index + 1) << 5.
    // Throws std::length_error above 3580 bytes or past 65536 pages.
    std::uint32_t allocate(std::span<const std::uint8_t> bytes);
    std::uint32_t reserve(std::size_t size);

    // The bytes of an item, to fill a reserved one. Throws std::out_of_range
    // for an unknown HID.
    std::span<std::uint8_t> item(std::uint32_t hid);
    std::size_t item_size(std::uint32_t hid) const;

    // HNHDR.hidUserRoot.
    void set_root(std::uint32_t hid) { root_ = hid; }
    std::uint32_t root() const { return root_; }

    std::size_t page_count() const { return pages_.size(); }
    HeapItemPlacement placement(std::uint32_t hid) const;

    // The node's data: the pages in order, each but the last padded with
    // zeros to a whole block, so that the data tree's blocks are the pages.
    std::vector<std::uint8_t> build() const;
    // One page, exactly as long as its content (header, items, page map).
    std::vector<std::uint8_t> page_bytes(std::size_t page) const;

private:
    struct HeapPage {
        std::vector<std::vector<std::uint8_t>> items;
        std::size_t end = 0;  // header plus items
    };

    std::size_t header_size(std::size_t page) const;
    bool fits(const HeapPage& page, std::size_t size) const;
    // The page and 0-based index of an item; throws std::out_of_range.
    std::pair<std::size_t, std::size_t> locate(std::uint32_t hid) const;
    std::uint8_t fill_level(std::size_t page) const;

    Variant variant_;
    std::uint8_t client_signature_;
    std::size_t capacity_;
    std::uint32_t root_ = 0;
    std::vector<HeapPage> pages_;
};

// HID of the item with 0-based `index` on `page` ([MS-PST] 2.3.1.1).
constexpr std::uint32_t make_hid(std::size_t page, std::size_t index) {
    return static_cast<std::uint32_t>(page << 16 | (index + 1) << 5);
}

}  // namespace pstbuild
