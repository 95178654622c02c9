#include "support/value_store.h"

#include <stdexcept>
#include <utility>

namespace pstbuild {

ValueStore::ValueStore(HeapBuilder& heap, std::vector<Subnode>& subnodes, ValueStoreOptions options)
    : heap_(heap),
      subnodes_(subnodes),
      options_(options),
      next_index_(options.first_subnode_index) {
    if (options_.max_heap_value > kMaxHeapItemSize) {
        throw std::invalid_argument("heap values are at most 3580 bytes");
    }
}

std::uint32_t ValueStore::store(std::span<const std::uint8_t> bytes) {
    if (bytes.size() <= options_.max_heap_value) {
        return heap_.allocate(bytes);
    }
    return add_subnode(next_subnode_nid(), {bytes.begin(), bytes.end()});
}

std::uint32_t ValueStore::next_subnode_nid() {
    if (next_index_ >= (1u << 27)) {
        throw std::length_error("subnode ids are exhausted");
    }
    return make_nid(kNidTypeLtp, next_index_++);
}

std::uint32_t ValueStore::add_subnode(std::uint32_t nid, std::vector<std::uint8_t> data,
                                      std::vector<Subnode> children) {
    subnodes_.push_back(Subnode{nid, std::move(data), std::move(children)});
    return nid;
}

}  // namespace pstbuild
