// The recently used pages of one B-tree below its root, at most a fixed
// number of them.
//
// Keeping every page a lookup touched would make memory grow with the file
// (a non-leaf page for every twenty or so leaves, and the leaves themselves),
// so the least recently used page is let go once the cache is full. The
// upper levels, which every lookup passes, stay among the recent ones.
// Whoever still holds a page (an iterator, a lookup under way) keeps it
// alive; a page let go is read again on its next use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <utility>

#include "pstread/ndb/types.h"

namespace pstread {

template <typename Page>
class page_cache {
public:
    static constexpr std::size_t default_capacity = 512;

    explicit page_cache(std::size_t capacity = default_capacity)
        : m_capacity(capacity > 0 ? capacity : 1) {}

    // The page read from `ref`, if it is still kept; it becomes the most
    // recently used one.
    std::shared_ptr<Page> find(const block_reference& ref) {
        const auto found = m_positions.find(ref.ib);
        if (found == m_positions.end()) {
            return nullptr;
        }
        m_recent.splice(m_recent.begin(), m_recent, found->second);
        const std::shared_ptr<Page>& page = m_recent.front();
        // A page at this offset can only have been read under its own id.
        return page->get_page_id() == ref.bid ? page : nullptr;
    }

    // Keeps `page` as the most recently used one, letting go of the least
    // recently used page when the cache is full.
    void keep(std::shared_ptr<Page> page) {
        const std::uint64_t address = page->get_address();
        const auto found = m_positions.find(address);
        if (found != m_positions.end()) {
            *found->second = std::move(page);
            m_recent.splice(m_recent.begin(), m_recent, found->second);
            return;
        }
        if (m_recent.size() >= m_capacity) {
            m_positions.erase(m_recent.back()->get_address());
            m_recent.pop_back();
        }
        m_recent.push_front(std::move(page));
        m_positions.emplace(address, m_recent.begin());
    }

    std::size_t size() const { return m_recent.size(); }
    std::size_t capacity() const { return m_capacity; }

private:
    std::size_t m_capacity;
    // Most recently used first.
    std::list<std::shared_ptr<Page>> m_recent;
    std::unordered_map<std::uint64_t, typename std::list<std::shared_ptr<Page>>::iterator>
        m_positions;
};

}  // namespace pstread
