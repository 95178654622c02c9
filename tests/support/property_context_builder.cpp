#include "support/property_context_builder.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "support/le_bytes.h"

namespace pstbuild {
namespace {

constexpr std::uint8_t kPropIdSize = 2;      // PC BTH cbKey
constexpr std::uint8_t kPropRecordSize = 6;  // wPropType, dwValueHnid

// Values of at most four bytes are stored in dwValueHnid itself
// ([MS-PST] 2.3.3.3).
bool is_inline(std::uint16_t type) {
    const std::size_t size = fixed_value_size(type);
    return size != 0 && size <= 4;
}

}  // namespace

PropertyContextBuilder::PropertyContextBuilder(Variant variant, PcOptions options)
    : variant_(variant), options_(options) {}

PropertyContextBuilder::Entry& PropertyContextBuilder::slot(std::uint16_t id) {
    for (Entry& entry : entries_) {
        if (entry.id == id) {
            entry = Entry{};
            entry.id = id;
            return entry;
        }
    }
    Entry& entry = entries_.emplace_back();
    entry.id = id;
    return entry;
}

PropertyContextBuilder& PropertyContextBuilder::set(std::uint16_t id, PropertyValue value) {
    const std::size_t size = fixed_value_size(value.type);
    if (size != 0 && value.bytes.size() != size) {
        throw std::invalid_argument("fixed-size property value of the wrong width");
    }
    slot(id).value = std::move(value);
    return *this;
}

PropertyContextBuilder& PropertyContextBuilder::set_object(std::uint16_t id, Subnode object) {
    Entry& entry = slot(id);
    entry.value.type = kPtObject;
    entry.object = true;
    entry.object_node = std::move(object);
    return *this;
}

PropertyContextBuilder& PropertyContextBuilder::set_raw(std::uint16_t id, std::uint16_t type,
                                                        std::uint32_t dwValueHnid) {
    Entry& entry = slot(id);
    entry.value.type = type;
    entry.raw = true;
    entry.raw_hnid = dwValueHnid;
    return *this;
}

PropertyContextBuilder& PropertyContextBuilder::add_subnode(Subnode subnode) {
    extra_subnodes_.push_back(std::move(subnode));
    return *this;
}

PropertyContextBuilder& PropertyContextBuilder::erase(std::uint16_t id) {
    std::erase_if(entries_, [id](const Entry& e) { return e.id == id; });
    return *this;
}

bool PropertyContextBuilder::has(std::uint16_t id) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [id](const Entry& e) { return e.id == id; });
}

NodeContent PropertyContextBuilder::build() const {
    return build(nullptr);
}

PcLayout PropertyContextBuilder::layout() const {
    PcLayout layout;
    build(&layout);
    return layout;
}

NodeContent PropertyContextBuilder::build(PcLayout* layout) const {
    NodeContent node;
    node.subnodes = extra_subnodes_;
    HeapBuilder heap(variant_, kClientSignaturePc, options_.heap);
    // The BTH header and its nodes come first, then the values in the order
    // they were set, as in the sample property context of [MS-PST] 3.8.
    const std::uint32_t header = heap.reserve(kBthHeaderSize);
    BthWriter bth(kPropIdSize, kPropRecordSize, entries_.size(), options_.bth);
    bth.reserve_nodes(heap);
    ValueStore values(heap, node.subnodes, options_.values);

    std::map<std::uint16_t, std::pair<std::uint16_t, std::uint32_t>> records;
    for (const Entry& entry : entries_) {
        std::uint32_t hnid = 0;
        if (entry.raw) {
            hnid = entry.raw_hnid;
        } else if (entry.object) {
            std::vector<std::uint8_t> reference;
            append_le(reference, entry.object_node.nid, 4);          // Nid
            append_le(reference, entry.object_node.data.size(), 4);  // ulSize
            hnid = heap.allocate(reference);
            node.subnodes.push_back(entry.object_node);
        } else if (is_inline(entry.value.type)) {
            hnid =
                static_cast<std::uint32_t>(get_le(entry.value.bytes, 0, entry.value.bytes.size()));
        } else {
            hnid = values.store(entry.value.bytes);
        }
        records[entry.id] = {entry.value.type, hnid};
    }
    std::vector<BthRecord> sorted;
    for (const auto& [id, record] : records) {
        BthRecord r{id, {}};
        append_le(r.data, record.first, 2);
        append_le(r.data, record.second, 4);
        sorted.push_back(std::move(r));
    }
    bth.write(heap, header, sorted);
    heap.set_root(header);
    node.data = heap.build();
    if (layout != nullptr) {
        layout->bth_header = header;
        layout->index_levels = bth.index_levels();
        for (const auto& [id, record] : records) {
            layout->records[id] = record.second;
        }
        layout->heap_pages = heap.page_count();
    }
    return node;
}

}  // namespace pstbuild
