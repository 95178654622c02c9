// An iterator over the rows of a table that yields, for each row, the value
// a function object makes of it: messages from a contents table, attachments
// from an attachment table, recipients from a recipient table. Two iterators
// are equal when they stand at the same row of the same table.
#pragma once

#include <cstddef>
#include <iterator>
#include <utility>

#include "pstread/ltp/table.h"

namespace pstread {

template <typename Transform>
class row_transform_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = decltype(std::declval<const Transform&>()(std::declval<const_table_row>()));
    using reference = value_type;
    using difference_type = std::ptrdiff_t;

    row_transform_iterator() = default;
    row_transform_iterator(const_table_row_iter position, Transform transform)
        : m_position(std::move(position)), m_transform(std::move(transform)) {}

    value_type operator*() const { return m_transform(*m_position); }

    row_transform_iterator& operator++() {
        ++m_position;
        return *this;
    }
    row_transform_iterator operator++(int) {
        row_transform_iterator before = *this;
        ++m_position;
        return before;
    }

    const const_table_row_iter& base() const { return m_position; }

    friend bool operator==(const row_transform_iterator& a, const row_transform_iterator& b) {
        return a.m_position == b.m_position;
    }

private:
    const_table_row_iter m_position;
    Transform m_transform;
};

// A begin/end pair usable in a range-based for loop.
template <typename Iterator>
struct iterator_range {
    Iterator first;
    Iterator last;

    Iterator begin() const { return first; }
    Iterator end() const { return last; }
};

}  // namespace pstread
