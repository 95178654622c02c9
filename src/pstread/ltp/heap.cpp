#include "pstread/ltp/heap.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {
namespace {

// HNHDR ([MS-PST] 2.3.1.2).
constexpr std::size_t hnhdr_size = 12;
constexpr std::size_t hnhdr_ibHnpm = 0;
constexpr std::size_t hnhdr_bSig = 2;
constexpr std::size_t hnhdr_bClientSig = 3;
constexpr std::size_t hnhdr_hidUserRoot = 4;

// HNPAGEMAP ([MS-PST] 2.3.1.5): cAlloc, cFree, then cAlloc + 1 offsets.
constexpr std::size_t hnpagemap_cAlloc = 0;
constexpr std::size_t hnpagemap_rgibAlloc = 4;

std::string where(const node& n, std::uint32_t page) {
    return "page " + std::to_string(page) + " of heap node " + to_hex(n.get_id());
}

}  // namespace

heap_impl::heap_impl(const node& n) : m_node(n) {
    read_header();
}

heap_impl::heap_impl(const node& n, std::uint8_t client_sig) : m_node(n) {
    read_header();
    if (m_client_sig != client_sig) {
        throw sig_mismatch("invalid client_sig", 0, m_node.get_id(), m_client_sig, client_sig);
    }
}

void heap_impl::read_header() {
    const auto first = m_node.get_page(0);
    const auto bytes = first->get_data();
    if (bytes.size() < hnhdr_size) {
        throw database_corrupt("heap node " + to_hex(m_node.get_id()) + " holds only " +
                               std::to_string(bytes.size()) + " bytes, less than its header");
    }
    const std::uint8_t sig = bytes[hnhdr_bSig];
    if (sig != heap_signature) {
        throw sig_mismatch("invalid heap_sig", 0, m_node.get_id(), sig, heap_signature);
    }
    m_client_sig = bytes[hnhdr_bClientSig];
    m_root_id = load_le<std::uint32_t>(bytes, hnhdr_hidUserRoot);
}

const heap_impl::page_entry& heap_impl::page(std::uint32_t number) const {
    if (number < m_pages.size() && m_pages[number]) {
        return *m_pages[number];
    }
    const std::size_t page_count = m_node.get_page_count();
    if (number >= page_count) {
        throw database_corrupt(where(m_node, number) + " asked for, but the node has " +
                               std::to_string(page_count) + " pages");
    }
    auto entry = std::make_unique<page_entry>();
    entry->block = m_node.get_page(number);
    const auto bytes = entry->block->get_data();
    if (bytes.size() < hnhdr_ibHnpm + 2) {
        throw database_corrupt(where(m_node, number) + " is too short for its page map offset");
    }
    const std::size_t map_offset = load_le<std::uint16_t>(bytes, hnhdr_ibHnpm);
    if (map_offset > bytes.size()) {
        throw database_corrupt(where(m_node, number) + ": its page map offset " +
                               to_hex(map_offset) + " lies past the page end " +
                               to_hex(bytes.size()));
    }
    const auto map = bytes.subspan(map_offset);
    if (map.size() < hnpagemap_rgibAlloc) {
        throw database_corrupt(where(m_node, number) + ": its page map at " + to_hex(map_offset) +
                               " runs past the page end");
    }
    const std::size_t allocs = load_le<std::uint16_t>(map, hnpagemap_cAlloc);
    // cAlloc + 1 offsets of 2 bytes each must lie within the page.
    if ((map.size() - hnpagemap_rgibAlloc) / 2 < allocs + 1) {
        throw database_corrupt(where(m_node, number) + ": num_allocs " + std::to_string(allocs) +
                               " overruns the page of " + std::to_string(bytes.size()) +
                               " bytes (page map at " + to_hex(map_offset) + ")");
    }
    entry->offsets.resize(allocs + 1);
    for (std::size_t i = 0; i <= allocs; ++i) {
        entry->offsets[i] = load_le<std::uint16_t>(map, hnpagemap_rgibAlloc + 2 * i);
    }
    if (m_pages.size() <= number) {
        m_pages.resize(std::size_t{number} + 1);
    }
    m_pages[number] = std::move(entry);
    return *m_pages[number];
}

std::pair<std::size_t, std::size_t> heap_impl::locate(heap_id hid, const page_entry& entry) const {
    const std::size_t index = heap_index_of(hid);
    if (index == 0 || index > entry.offsets.size() - 1) {
        throw database_corrupt("heap item " + to_hex(hid) + " of node " + to_hex(m_node.get_id()) +
                               ": its index " + std::to_string(index) + " is not one of the " +
                               std::to_string(entry.offsets.size() - 1) + " items of its page");
    }
    const std::size_t start = entry.offsets[index - 1];
    const std::size_t end = entry.offsets[index];
    const std::size_t page_size = entry.block->get_data().size();
    if (end < start || end > page_size) {
        throw database_corrupt("heap item " + to_hex(hid) + " of node " + to_hex(m_node.get_id()) +
                               " spans [" + to_hex(start) + ", " + to_hex(end) + ") of a page of " +
                               std::to_string(page_size) + " bytes");
    }
    return {start, end};
}

std::size_t heap_impl::size(heap_id hid) const {
    if (hid == 0) {
        return 0;
    }
    const auto [start, end] = locate(hid, page(heap_page_of(hid)));
    return end - start;
}

std::size_t heap_impl::read(std::span<std::uint8_t> buffer, heap_id hid, std::size_t offset) const {
    const std::size_t item_size = size(hid);
    if (!range_fits(offset, buffer.size(), item_size)) {
        throw database_corrupt("heap item " + to_hex(hid) + " of node " + to_hex(m_node.get_id()) +
                               " holds " + std::to_string(item_size) + " bytes, not " +
                               std::to_string(buffer.size()) + " from offset " + to_hex(offset));
    }
    if (item_size == 0 || buffer.empty()) {
        return 0;
    }
    const auto item = view(hid);
    std::memcpy(buffer.data(), item.data() + offset, buffer.size());
    return buffer.size();
}

byte_buffer heap_impl::read(heap_id hid) const {
    const auto item = view(hid);
    return byte_buffer(item.begin(), item.end());
}

std::span<const std::uint8_t> heap_impl::view(heap_id hid) const {
    if (hid == 0) {
        return {};
    }
    const page_entry& entry = page(heap_page_of(hid));
    const auto [start, end] = locate(hid, entry);
    return entry.block->get_data().subspan(start, end - start);
}

}  // namespace pstread
