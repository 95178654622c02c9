// A property context ([MS-PST] 2.3.3): the properties of one node, kept in a
// BTree-on-heap keyed by property id. Copies share the tree (and through it
// the heap and the node).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pstread/ltp/bth_node.h"
#include "pstread/ltp/const_property_object.h"
#include "pstread/ltp/heap.h"
#include "pstread/ndb/node.h"

namespace pstread {

class property_bag : public const_property_object {
public:
    // Opens the node's heap (client signature 0xBC, else sig_mismatch
    // "invalid client_sig") and the property tree at its root id.
    explicit property_bag(const node& n);
    // The same over a heap already opened with client signature 0xBC.
    explicit property_bag(const heap_ptr& heap);

    void set_charset(const TextEncodingItem* charset) override { m_charset = charset; }
    const TextEncodingItem* charset() const override { return m_charset; }

    // In ascending id order.
    std::vector<prop_id> property_ids() const override;
    prop_type property_type(prop_id id) const override;
    bool has_property(prop_id id) const override;

    std::size_t value_size(prop_id id) const override;
    hnid_stream_device open_value_stream(prop_id id) const override;

    std::uint8_t inline_value_1(prop_id id) const override;
    std::uint16_t inline_value_2(prop_id id) const override;
    std::uint32_t inline_value_4(prop_id id) const override;
    // The first 8 bytes of the value; database_corrupt when it holds fewer.
    std::uint64_t value_8(prop_id id) const override;
    byte_buffer value_bytes(prop_id id) const override;

    // The record of a property: its type and dwValueHnid.
    prop_entry get_entry(prop_id id) const { return m_tree->find(id); }
    const node& get_node() const { return m_tree->get_heap()->get_node(); }
    const heap_ptr& get_heap() const { return m_tree->get_heap(); }

private:
    std::shared_ptr<bth_node<prop_id, prop_entry>> m_tree;
    const TextEncodingItem* m_charset = nullptr;
};

// The value named by an HNID of a heap: its size, its bytes, the first bytes
// and a stream. A subnode id names the whole data of that subnode of the
// heap's node; HID 0 names an empty value.
std::size_t hnid_value_size(const heap_impl& heap, heap_node_id hnid);
byte_buffer hnid_value_bytes(const heap_impl& heap, heap_node_id hnid);
std::uint64_t hnid_value_8(const heap_impl& heap, heap_node_id hnid);
hnid_stream_device hnid_value_stream(const heap_ptr& heap, heap_node_id hnid);

}  // namespace pstread
