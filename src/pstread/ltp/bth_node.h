// The BTree-on-heap ([MS-PST] 2.3.2): a sorted map whose header, leaves and
// index nodes are items of one heap. Property contexts keep their properties
// in one (16-bit property ids to prop_entry records), table contexts their
// row index (32-bit row ids to row numbers). The nodes implement the reader's
// generic B-tree interface, so lookup and iteration are those of
// btree_node.h.
//
// Every descent is bounded: a child's level is its parent's minus one,
// whatever the file says, so no path is longer than bIdxLevels; a child must
// hold at least one record; and a walk over all keys requires them to rise
// strictly, so an index that names the same item twice fails instead of
// being walked again and again.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ltp/heap.h"
#include "pstread/ndb/btree_node.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {

// How a value type is stored in a BTH record: its size (cbEnt) and decoding.
// Integral values are little-endian; other record types specialise this.
template <typename V>
struct bth_value_traits {
    static_assert(std::unsigned_integral<V>, "specialise bth_value_traits for this type");
    static constexpr std::size_t size = sizeof(V);
    static V decode(std::span<const std::uint8_t> bytes) { return load_le<V>(bytes, 0); }
};

// BTHHEADER ([MS-PST] 2.3.2.1).
constexpr std::uint8_t bth_signature = 0xB5;  // bTypeBTH
constexpr std::size_t bth_header_size = 8;

template <typename K, typename V>
class bth_node : public virtual btree_node<K, V> {
public:
    bth_node(heap_ptr heap, heap_id id, unsigned level)
        : m_heap(std::move(heap)), m_id(id), m_level(level) {}

    const heap_ptr& get_heap() const { return m_heap; }
    heap_id get_id() const { return m_id; }
    // 0 for a leaf, else the number of levels below this node.
    unsigned level() const { return m_level; }

    // Appends the keys of this subtree in stored order; they must rise
    // strictly from `keys.back()` on (database_corrupt otherwise).
    virtual void append_keys(std::vector<K>& keys) const = 0;

private:
    heap_ptr m_heap;
    heap_id m_id;
    unsigned m_level;
};

template <typename K, typename V>
using bth_node_ptr = std::shared_ptr<bth_node<K, V>>;

namespace bth_detail {

template <typename K>
[[noreturn]] void throw_keys_out_of_order(const heap_impl& heap, heap_id hid, K before, K after) {
    throw database_corrupt("BTree-on-heap keys out of order in item " + to_hex(hid) + " of node " +
                           to_hex(heap.get_node().get_id()) + ": " + to_hex(after) + " after " +
                           to_hex(before));
}

// The key or entry size comes from the file's BTHHEADER.
[[noreturn]] inline void throw_bad_size(const char* what, heap_id header_hid, const heap_impl& heap,
                                        unsigned stored, std::size_t wanted) {
    throw database_corrupt(std::string("invalid ") + what + " size " + std::to_string(stored) +
                           " in BTree-on-heap header " + to_hex(header_hid) + " of node " +
                           to_hex(heap.get_node().get_id()) + ", expected " +
                           std::to_string(wanted));
}

}  // namespace bth_detail

template <typename K, typename V>
class bth_leaf_node : public bth_node<K, V>, public btree_node_leaf<K, V> {
public:
    // A leaf over the item `hid`; HID 0 is a leaf without records.
    bth_leaf_node(heap_ptr heap, heap_id hid) : bth_node<K, V>(std::move(heap), hid, 0) {
        if (hid == 0) {
            return;
        }
        // Whole records only; a remainder is ignored.
        constexpr std::size_t record = sizeof(K) + bth_value_traits<V>::size;
        const auto bytes = this->get_heap()->view(hid);
        const std::size_t count = bytes.size() / record;
        m_entries.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto at = bytes.subspan(i * record, record);
            m_entries.emplace_back(load_le<K>(at, 0),
                                   bth_value_traits<V>::decode(at.subspan(sizeof(K))));
        }
    }

    K key_at(std::size_t position) const override { return m_entries.at(position).first; }
    V value_at(std::size_t position) const override { return m_entries.at(position).second; }
    std::size_t value_count() const override { return m_entries.size(); }

    // The search over the leaf's own entries, without a virtual call for
    // each probe: every property read of a bag comes here.
    std::optional<V> try_find(const K& key) const override {
        const std::ptrdiff_t position = btree_detail::last_position_not_above(
            m_entries.size(), key, [this](std::size_t at) { return m_entries[at].first; });
        if (position < 0 || !(m_entries[static_cast<std::size_t>(position)].first == key)) {
            return std::nullopt;
        }
        return m_entries[static_cast<std::size_t>(position)].second;
    }

    void append_keys(std::vector<K>& keys) const override {
        for (const auto& entry : m_entries) {
            if (!keys.empty() && !(keys.back() < entry.first)) {
                bth_detail::throw_keys_out_of_order(*this->get_heap(), this->get_id(), keys.back(),
                                                    entry.first);
            }
            keys.push_back(entry.first);
        }
    }

private:
    std::vector<std::pair<K, V>> m_entries;
};

template <typename K, typename V>
class bth_nonleaf_node : public bth_node<K, V>, public btree_node_nonleaf<K, V> {
public:
    // An index node of `level` (1 or more) over the item `hid`.
    bth_nonleaf_node(heap_ptr heap, heap_id hid, unsigned level)
        : bth_node<K, V>(std::move(heap), hid, level) {
        constexpr std::size_t record = sizeof(K) + sizeof(heap_id);
        const auto bytes = this->get_heap()->view(hid);
        const std::size_t count = bytes.size() / record;
        m_entries.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto at = bytes.subspan(i * record, record);
            m_entries.emplace_back(load_le<K>(at, 0), load_le<heap_id>(at, sizeof(K)));
        }
        m_children.resize(count);
    }

    K key_at(std::size_t position) const override { return m_entries.at(position).first; }
    std::size_t value_count() const override { return m_entries.size(); }
    heap_id get_child_id(std::size_t position) const { return m_entries.at(position).second; }

    const btree_node<K, V>& child_at(std::size_t position) const override {
        return *get_child(position);
    }

    // The child below `position`, loaded on first use and kept: a leaf below
    // level 1, else an index node one level lower. It must hold records. A
    // failed load leaves the slot empty, so a later visit tries again.
    const bth_node_ptr<K, V>& get_child(std::size_t position) const {
        auto& slot = m_children.at(position);
        if (!slot) {
            const heap_id hid = get_child_id(position);
            bth_node_ptr<K, V> child;
            if (this->level() < 2) {
                child = std::make_shared<bth_leaf_node<K, V>>(this->get_heap(), hid);
            } else {
                child = std::make_shared<bth_nonleaf_node<K, V>>(this->get_heap(), hid,
                                                                 this->level() - 1);
            }
            if (child->value_count() == 0) {
                throw database_corrupt("BTree-on-heap index item " + to_hex(this->get_id()) +
                                       " of node " + to_hex(this->get_heap()->get_node().get_id()) +
                                       " names the empty child item " + to_hex(hid));
            }
            slot = std::move(child);
        }
        return slot;
    }

    void append_keys(std::vector<K>& keys) const override {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            get_child(i)->append_keys(keys);
        }
    }

private:
    std::vector<std::pair<K, heap_id>> m_entries;
    mutable std::vector<bth_node_ptr<K, V>> m_children;
};

// Opens the tree whose BTHHEADER is the item `header_hid` of `heap` and
// returns its root: an index node when bIdxLevels is not 0, else a leaf.
// Throws sig_mismatch "bth_signature expected", or database_corrupt "invalid
// key size" or "invalid entry size" (with the stored and wanted sizes) when
// the header does not describe a tree of K and V, and the heap's errors for
// a short header.
template <typename K, typename V>
bth_node_ptr<K, V> open_bth(const heap_ptr& heap, heap_id header_hid) {
    std::uint8_t header[bth_header_size];
    heap->read(header, header_hid, 0);
    const std::uint8_t type = header[0];               // bType
    const std::uint8_t key = header[1];                // cbKey
    const std::uint8_t entry = header[2];              // cbEnt
    const unsigned levels = header[3];                 // bIdxLevels
    const heap_id root = load_le<heap_id>(header, 4);  // hidRoot
    if (type != bth_signature) {
        throw sig_mismatch("bth_signature expected", 0, header_hid, type, bth_signature);
    }
    if (key != sizeof(K)) {
        bth_detail::throw_bad_size("key", header_hid, *heap, key, sizeof(K));
    }
    if (entry != bth_value_traits<V>::size) {
        bth_detail::throw_bad_size("entry", header_hid, *heap, entry, bth_value_traits<V>::size);
    }
    if (levels != 0) {
        return std::make_shared<bth_nonleaf_node<K, V>>(heap, root, levels);
    }
    return std::make_shared<bth_leaf_node<K, V>>(heap, root);
}

// Every key of a tree in stored order (the recursive walk).
template <typename K, typename V>
std::vector<K> bth_keys(const bth_node<K, V>& root) {
    std::vector<K> keys;
    root.append_keys(keys);
    return keys;
}

}  // namespace pstread
