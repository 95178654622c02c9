// An object's properties in the order they were first set, each id once:
// what a property context stores and what table rows copy from.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "support/property_value.h"

namespace pstbuild {

class PropertyList {
public:
    using Item = std::pair<std::uint16_t, PropertyValue>;

    // Sets a property, replacing an earlier value of the same id in place.
    void set(std::uint16_t id, PropertyValue value) {
        if (PropertyValue* existing = find(id)) {
            *existing = std::move(value);
        } else {
            items_.emplace_back(id, std::move(value));
        }
    }

    void erase(std::uint16_t id) {
        std::erase_if(items_, [id](const Item& item) { return item.first == id; });
    }

    PropertyValue* find(std::uint16_t id) {
        const auto found = std::find_if(items_.begin(), items_.end(),
                                        [id](const Item& item) { return item.first == id; });
        return found == items_.end() ? nullptr : &found->second;
    }
    const PropertyValue* find(std::uint16_t id) const {
        return const_cast<PropertyList*>(this)->find(id);
    }

    const std::vector<Item>& items() const { return items_; }

    // The properties whose tag (id and type) is among `tags`: the cells a
    // table row copies from the object.
    std::vector<Item> cells_for(const std::vector<std::uint32_t>& tags) const {
        std::vector<Item> cells;
        cells.reserve(items_.size());
        for (const Item& item : items_) {
            if (std::find(tags.begin(), tags.end(), make_tag(item.first, item.second.type)) !=
                tags.end()) {
                cells.push_back(item);
            }
        }
        return cells;
    }

    // The stored size of all values.
    std::size_t value_bytes() const {
        std::size_t total = 0;
        for (const Item& item : items_) {
            total += item.second.bytes.size();
        }
        return total;
    }

private:
    std::vector<Item> items_;
};

}  // namespace pstbuild
