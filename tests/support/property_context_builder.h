// Property contexts ([MS-PST] 2.3.3): a heap with client signature 0xBC
// whose root is a BTH of 2-byte property ids and 6-byte records (type,
// value or HNID). Values of up to 4 bytes are inline; others live in the
// heap or, when large, in subnodes of the context's node.
//
//   PropertyContextBuilder pc(Variant::unicode);
//   pc.set(0x3001, pv_unicode("Inbox")).set(0x3602, pv_long(12));
//   NodeContent node = pc.build();
//   ndb.add_node(0x8022, node.data, node.subnodes, 0x122);
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "support/bth_builder.h"
#include "support/heap_builder.h"
#include "support/node_content.h"
#include "support/property_value.h"
#include "support/value_store.h"

namespace pstbuild {

struct PcOptions {
    HeapOptions heap;
    BthOptions bth;
    ValueStoreOptions values;
};

// Where a built context put things.
struct PcLayout {
    std::uint32_t bth_header = 0;                    // hidUserRoot
    std::uint8_t index_levels = 0;                   // bIdxLevels
    std::map<std::uint16_t, std::uint32_t> records;  // property id -> dwValueHnid
    std::size_t heap_pages = 0;
};

class PropertyContextBuilder {
public:
    explicit PropertyContextBuilder(Variant variant, PcOptions options = {});

    // Sets (or replaces) a property. Values are allocated in the order
    // properties were first set; records are sorted by id.
    PropertyContextBuilder& set(std::uint16_t id, PropertyValue value);
    // PT_OBJECT ([MS-PST] 2.3.3.5): a heap item (nid, ulSize) naming the
    // subnode that holds the object, which is added to the node.
    PropertyContextBuilder& set_object(std::uint16_t id, Subnode object);
    // A record exactly as given: type and dwValueHnid (an inline value, a HID
    // or a subnode nid), for hand-made and broken contexts.
    PropertyContextBuilder& set_raw(std::uint16_t id, std::uint16_t type,
                                    std::uint32_t dwValueHnid);
    // A subnode carried along with the node, e.g. one a raw record names.
    PropertyContextBuilder& add_subnode(Subnode subnode);
    PropertyContextBuilder& erase(std::uint16_t id);

    bool has(std::uint16_t id) const;
    NodeContent build() const;
    PcLayout layout() const;

private:
    struct Entry {
        std::uint16_t id = 0;
        PropertyValue value;
        bool raw = false;
        std::uint32_t raw_hnid = 0;
        bool object = false;
        Subnode object_node;
    };

    Entry& slot(std::uint16_t id);
    NodeContent build(PcLayout* layout) const;

    Variant variant_;
    PcOptions options_;
    std::vector<Entry> entries_;  // in the order first set
    std::vector<Subnode> extra_subnodes_;
};

}  // namespace pstbuild
