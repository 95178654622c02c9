// The heap-on-node ([MS-PST] 2.3.1): the data of one node read as a small
// allocator of variable-sized items, each named by a HID. Every property
// context, table context and BTree-on-heap lives in one. Read only.
//
// A heap is always owned through a shared pointer, so that the BTree-on-heap
// nodes and value streams made from it can keep it alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "pstread/ltp/hnid.h"
#include "pstread/ndb/node.h"
#include "pstread/ndb/types.h"

namespace pstread {

// HNHDR.bSig ([MS-PST] 2.3.1.2).
constexpr std::uint8_t heap_signature = 0xEC;
// HNHDR.bClientSig values the reader knows ([MS-PST] 2.3.1.2).
constexpr std::uint8_t heap_client_bth = 0xB5;  // bTypeBTH
constexpr std::uint8_t heap_client_pc = 0xBC;   // bTypePC
constexpr std::uint8_t heap_client_tc = 0x7C;   // bTypeTC

class heap_impl;
using heap_ptr = std::shared_ptr<heap_impl>;

class heap_impl : public std::enable_shared_from_this<heap_impl> {
public:
    // Reads the HNHDR of page 0 and checks bSig: sig_mismatch "invalid
    // heap_sig". A node whose first page is shorter than the header is
    // database_corrupt.
    explicit heap_impl(const node& n);
    // The same, and bClientSig must be `client_sig`: sig_mismatch "invalid
    // client_sig".
    heap_impl(const node& n, std::uint8_t client_sig);

    heap_impl(const heap_impl&) = delete;
    heap_impl& operator=(const heap_impl&) = delete;

    const node& get_node() const { return m_node; }
    node& get_node() { return m_node; }

    // HNHDR.bClientSig and hidUserRoot.
    std::uint8_t get_client_signature() const { return m_client_sig; }
    heap_id get_root_id() const { return m_root_id; }

    // Byte count of an item; 0 for HID 0. database_corrupt for a HID whose
    // page or index does not exist, and for a page map or an item that does
    // not fit its page.
    std::size_t size(heap_id hid) const;

    // Fills the whole of `buffer` with the item's bytes from `offset`;
    // returns the count. database_corrupt when the item is too short for it
    // (callers ask for the sizes the format fixes).
    std::size_t read(std::span<std::uint8_t> buffer, heap_id hid, std::size_t offset) const;
    // The whole item.
    byte_buffer read(heap_id hid) const;

    // The item's bytes in place, without a copy. The view stays valid as long
    // as this heap does (pages are kept once read).
    std::span<const std::uint8_t> view(heap_id hid) const;

private:
    // One page: its block, kept so that items can be viewed in place, and
    // the validated rgibAlloc of its page map.
    struct page_entry {
        std::shared_ptr<external_block> block;
        std::vector<std::uint16_t> offsets;  // cAlloc + 1 entries
    };

    void read_header();
    const page_entry& page(std::uint32_t number) const;
    // [start, end) of an item within its page.
    std::pair<std::size_t, std::size_t> locate(heap_id hid, const page_entry& entry) const;

    node m_node;
    std::uint8_t m_client_sig = 0;
    heap_id m_root_id = 0;
    // Page maps are read once per page; a page that fails is read again on
    // the next use and fails the same way.
    mutable std::vector<std::unique_ptr<page_entry>> m_pages;
};

}  // namespace pstread
