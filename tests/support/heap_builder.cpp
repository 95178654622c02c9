#include "support/heap_builder.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string>

#include "support/le_bytes.h"

namespace pstbuild {
namespace {

constexpr std::size_t kHnhdrSize = 12;        // ibHnpm, bSig, bClientSig, hidUserRoot, rgbFillLevel
constexpr std::size_t kHnpagehdrSize = 2;     // ibHnpm
constexpr std::size_t kHnbitmaphdrSize = 66;  // ibHnpm, rgbFillLevel[64]
constexpr std::size_t kFirstBitmapPage = 8;   // [MS-PST] 2.3.1.4
constexpr std::size_t kPagesPerBitmap = 128;
constexpr std::size_t kMaxItemsPerPage = 0x7FF;  // hidIndex has 11 bits
constexpr std::size_t kMaxPages = 0x10000;       // hidBlockIndex has 16 bits

bool is_bitmap_page(std::size_t page) {
    return page >= kFirstBitmapPage && (page - kFirstBitmapPage) % kPagesPerBitmap == 0;
}

std::size_t map_offset(std::size_t end) {
    return (end + 1) & ~std::size_t{1};
}
std::size_t map_size(std::size_t items) {
    return 4 + 2 * (items + 1);
}

// rgbFillLevel values of [MS-PST] 2.3.1.2 by free bytes in the block.
std::uint8_t fill_level_of(std::size_t free_bytes) {
    static constexpr std::size_t kLowerBounds[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                   512,  256,  128,  64,   32,   16,   8};
    std::uint8_t level = 0;
    for (const std::size_t bound : kLowerBounds) {
        if (free_bytes >= bound) {
            return level;
        }
        ++level;
    }
    return 0xF;  // FILL_LEVEL_FULL
}

std::string hex(std::uint32_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

}  // namespace

HeapBuilder::HeapBuilder(Variant variant, std::uint8_t client_signature, HeapOptions options)
    : variant_(variant),
      client_signature_(client_signature),
      capacity_(options.page_capacity == 0 ? traits(variant).max_block_data
                                           : options.page_capacity) {
    if (capacity_ > traits(variant).max_block_data || capacity_ < kHnbitmaphdrSize + 64) {
        throw std::invalid_argument("heap page capacity " + std::to_string(capacity_));
    }
    pages_.push_back(HeapPage{{}, kHnhdrSize});
}

std::size_t HeapBuilder::header_size(std::size_t page) const {
    return page == 0 ? kHnhdrSize : is_bitmap_page(page) ? kHnbitmaphdrSize : kHnpagehdrSize;
}

bool HeapBuilder::fits(const HeapPage& page, std::size_t size) const {
    return page.items.size() < kMaxItemsPerPage &&
           map_offset(page.end + size) + map_size(page.items.size() + 1) <= capacity_;
}

std::uint32_t HeapBuilder::reserve(std::size_t size) {
    if (size > kMaxHeapItemSize) {
        throw std::length_error("heap item of " + std::to_string(size) +
                                " bytes exceeds 3580 bytes");
    }
    if (!fits(pages_.back(), size)) {
        if (pages_.size() == kMaxPages) {
            throw std::length_error("a heap holds at most 65536 pages");
        }
        const std::size_t page = pages_.size();
        pages_.push_back(HeapPage{{}, header_size(page)});
        if (!fits(pages_.back(), size)) {
            throw std::length_error("heap item does not fit in an empty page");
        }
    }
    HeapPage& page = pages_.back();
    page.items.emplace_back(size, 0);
    page.end += size;
    return make_hid(pages_.size() - 1, page.items.size() - 1);
}

std::uint32_t HeapBuilder::allocate(std::span<const std::uint8_t> bytes) {
    const std::uint32_t hid = reserve(bytes.size());
    std::copy(bytes.begin(), bytes.end(), item(hid).begin());
    return hid;
}

std::pair<std::size_t, std::size_t> HeapBuilder::locate(std::uint32_t hid) const {
    const std::size_t page = hid >> 16;
    const std::size_t index = (hid >> 5) & 0x7FF;
    if ((hid & 0x1F) != 0 || page >= pages_.size() || index == 0 ||
        index > pages_[page].items.size()) {
        throw std::out_of_range("no heap item " + hex(hid));
    }
    return {page, index - 1};
}

std::span<std::uint8_t> HeapBuilder::item(std::uint32_t hid) {
    const auto [page, index] = locate(hid);
    return pages_[page].items[index];
}

std::size_t HeapBuilder::item_size(std::uint32_t hid) const {
    const auto [page, index] = locate(hid);
    return pages_[page].items[index].size();
}

HeapItemPlacement HeapBuilder::placement(std::uint32_t hid) const {
    const auto [page, index] = locate(hid);
    const std::size_t size = pages_[page].items[index].size();
    std::size_t offset = header_size(page);
    for (std::size_t i = 0; i < index; ++i) {
        offset += pages_[page].items[i].size();
    }
    return HeapItemPlacement{page, offset, size, page * traits(variant_).max_block_data + offset};
}

std::uint8_t HeapBuilder::fill_level(std::size_t page) const {
    if (page >= pages_.size()) {
        return 0;  // FILL_LEVEL_EMPTY also stands for "no such block"
    }
    const HeapPage& p = pages_[page];
    const std::size_t used = map_offset(p.end) + map_size(p.items.size());
    return fill_level_of(traits(variant_).max_block_data - used);
}

std::vector<std::uint8_t> HeapBuilder::page_bytes(std::size_t index) const {
    const HeapPage& page = pages_.at(index);
    const std::size_t map_at = map_offset(page.end);
    std::vector<std::uint8_t> out(map_at + map_size(page.items.size()), 0);
    put_u16(out, 0, static_cast<std::uint16_t>(map_at));  // ibHnpm
    if (index == 0) {
        out[2] = kHeapSignature;
        out[3] = client_signature_;
        put_u32(out, 4, root_);
        for (std::size_t p = 0; p < 8; ++p) {  // low nibble first
            out[8 + p / 2] |= static_cast<std::uint8_t>(fill_level(p) << (4 * (p % 2)));
        }
    } else if (is_bitmap_page(index)) {
        for (std::size_t p = 0; p < kPagesPerBitmap; ++p) {
            out[2 + p / 2] |= static_cast<std::uint8_t>(fill_level(index + p) << (4 * (p % 2)));
        }
    }
    std::size_t at = header_size(index);
    put_u16(out, map_at, static_cast<std::uint16_t>(page.items.size()));  // cAlloc
    put_u16(out, map_at + 2, 0);                                          // cFree
    for (std::size_t i = 0; i < page.items.size(); ++i) {
        put_u16(out, map_at + 4 + 2 * i, static_cast<std::uint16_t>(at));
        std::copy(page.items[i].begin(), page.items[i].end(), out.begin() + at);
        at += page.items[i].size();
    }
    put_u16(out, map_at + 4 + 2 * page.items.size(), static_cast<std::uint16_t>(at));
    return out;
}

std::vector<std::uint8_t> HeapBuilder::build() const {
    std::vector<std::uint8_t> out;
    const std::size_t block = traits(variant_).max_block_data;
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        const std::vector<std::uint8_t> bytes = page_bytes(p);
        out.insert(out.end(), bytes.begin(), bytes.end());
        if (p + 1 < pages_.size()) {
            out.resize((p + 1) * block, 0);
        }
    }
    return out;
}

}  // namespace pstbuild
