#include "pstread/ltp/property_bag.h"

#include <algorithm>
#include <array>
#include <string>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {

std::size_t hnid_value_size(const heap_impl& heap, heap_node_id hnid) {
    if (is_subnode_id(hnid)) {
        return static_cast<std::size_t>(heap.get_node().lookup(hnid).size());
    }
    return heap.size(hnid);
}

byte_buffer hnid_value_bytes(const heap_impl& heap, heap_node_id hnid) {
    if (is_subnode_id(hnid)) {
        return heap.get_node().lookup(hnid).read_all();
    }
    return heap.read(hnid);
}

std::uint64_t hnid_value_8(const heap_impl& heap, heap_node_id hnid) {
    std::array<std::uint8_t, 8> bytes{};
    std::size_t available = 0;
    if (is_subnode_id(hnid)) {
        const node value = heap.get_node().lookup(hnid);
        available = value.size() < bytes.size() ? 0 : value.read(bytes, 0);
    } else {
        const auto item = heap.view(hnid);
        available = item.size();
        if (available >= bytes.size()) {
            std::copy_n(item.begin(), bytes.size(), bytes.begin());
        }
    }
    if (available < bytes.size()) {
        throw database_corrupt("8-byte value " + to_hex(hnid) + " of node " +
                               to_hex(heap.get_node().get_id()) + " holds fewer than 8 bytes");
    }
    return load_le<std::uint64_t>(bytes, 0);
}

hnid_stream_device hnid_value_stream(const heap_ptr& heap, heap_node_id hnid) {
    if (is_subnode_id(hnid)) {
        return hnid_stream_device(heap->get_node().lookup(hnid));
    }
    return hnid_stream_device(heap, hnid);
}

property_bag::property_bag(const node& n)
    : property_bag(std::make_shared<heap_impl>(n, heap_client_pc)) {}

property_bag::property_bag(const heap_ptr& heap) {
    if (heap->get_client_signature() != heap_client_pc) {
        throw sig_mismatch("invalid client_sig", 0, heap->get_node().get_id(),
                           heap->get_client_signature(), heap_client_pc);
    }
    m_tree = open_bth<prop_id, prop_entry>(heap, heap->get_root_id());
}

std::vector<prop_id> property_bag::property_ids() const {
    return bth_keys(*m_tree);
}

prop_type property_bag::property_type(prop_id id) const {
    return m_tree->find(id).type;
}

bool property_bag::has_property(prop_id id) const {
    return m_tree->try_find(id).has_value();
}

std::size_t property_bag::value_size(prop_id id) const {
    return hnid_value_size(*get_heap(), inline_value_4(id));
}

hnid_stream_device property_bag::open_value_stream(prop_id id) const {
    return hnid_value_stream(get_heap(), inline_value_4(id));
}

std::uint8_t property_bag::inline_value_1(prop_id id) const {
    return static_cast<std::uint8_t>(inline_value_4(id));
}

std::uint16_t property_bag::inline_value_2(prop_id id) const {
    return static_cast<std::uint16_t>(inline_value_4(id));
}

std::uint32_t property_bag::inline_value_4(prop_id id) const {
    return m_tree->find(id).id;
}

std::uint64_t property_bag::value_8(prop_id id) const {
    return hnid_value_8(*get_heap(), inline_value_4(id));
}

byte_buffer property_bag::value_bytes(prop_id id) const {
    return hnid_value_bytes(*get_heap(), inline_value_4(id));
}

}  // namespace pstread
