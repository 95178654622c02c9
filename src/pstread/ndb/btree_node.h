// The one B-tree interface of the reader: the page B-trees of the node
// database, the subnode trees and the BTree-on-heap all implement it.
//
// A tree is made of leaf nodes, which hold values, and non-leaf nodes, which
// hold a key per child (the smallest key below that child). Lookup is a
// binary position search for the last key not above the search key,
// implemented once here. Iteration walks a path of (node, position) steps
// from the root to a leaf and yields the leaf values in key order.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"

namespace pstread {

template <typename K, typename V>
class btree_node;
template <typename K, typename V>
class btree_node_leaf;

// A backstop for iteration: no tree of the format is deeper than its
// one-byte level field allows.
constexpr std::size_t max_btree_depth = 256;

// The position of an iterator: one step per level, the root first. `leaf`
// is the node of the last step once it has reached a leaf.
template <typename K, typename V>
struct btree_path {
    struct step {
        const btree_node<K, V>* node;
        std::size_t position;
    };
    std::vector<step> steps;
    // owners[i], when set, keeps the node of steps[i] alive: a parent may let
    // go of a child (a leaf page of the node database) while the path is on it.
    std::vector<std::shared_ptr<const btree_node<K, V>>> owners;
    const btree_node_leaf<K, V>* leaf = nullptr;
};

namespace btree_detail {

// The binary search of every node: the last position of `count` whose key
// (`key_at(position)`) is not above `key`, or -1 when `key` is below the
// first key or there are none.
template <typename K, typename KeyAt>
std::ptrdiff_t last_position_not_above(std::size_t count, const K& key, KeyAt key_at) {
    std::size_t start = 0;
    std::size_t end = count;
    std::size_t mid = end / 2;
    if (mid >= end) {
        return -1;
    }
    while (mid < end) {
        const K here = key_at(mid);
        if (!(here < key)) {
            if (here == key) {
                return static_cast<std::ptrdiff_t>(mid);
            }
            end = mid;
        } else {
            start = mid + 1;
        }
        mid = (start + end) / 2;
    }
    return static_cast<std::ptrdiff_t>(mid) - 1;
}

}  // namespace btree_detail

template <typename K, typename V>
class btree_node {
public:
    virtual ~btree_node() = default;

    // The value stored under `key`; throws key_not_found<K>.
    V find(const K& key) const {
        if (std::optional<V> value = try_find(key)) {
            return *std::move(value);
        }
        throw key_not_found<K>(key);
    }
    // The same, with nothing for a missing key: lookups that expect misses
    // (optional properties, absent subnodes) need not pay for an exception.
    virtual std::optional<V> try_find(const K& key) const = 0;
    virtual K key_at(std::size_t position) const = 0;
    virtual std::size_t value_count() const = 0;

    // Iterator steps. `first` and `last` append the steps from this node down
    // to its first or last value and return false when the subtree holds no
    // value. `next` and `prev` move the step at `depth` (this node's) and
    // everything below it; they return false when this subtree is exhausted
    // in that direction.
    virtual bool first(btree_path<K, V>& path) const = 0;
    virtual bool last(btree_path<K, V>& path) const = 0;
    virtual bool next(btree_path<K, V>& path, std::size_t depth) const = 0;
    virtual bool prev(btree_path<K, V>& path, std::size_t depth) const = 0;

protected:
    // The last position whose key is not above `key`, or -1 when `key` is
    // below the first key (or there are no keys).
    std::ptrdiff_t position_of(const K& key) const {
        return btree_detail::last_position_not_above(
            value_count(), key, [this](std::size_t position) { return key_at(position); });
    }
};

template <typename K, typename V>
class btree_node_leaf : public virtual btree_node<K, V> {
public:
    virtual V value_at(std::size_t position) const = 0;

    std::optional<V> try_find(const K& key) const override {
        const std::ptrdiff_t position = this->position_of(key);
        if (position < 0 || !(this->key_at(static_cast<std::size_t>(position)) == key)) {
            return std::nullopt;
        }
        return value_at(static_cast<std::size_t>(position));
    }

    bool first(btree_path<K, V>& path) const override {
        path.steps.push_back({this, 0});
        path.leaf = this;
        return this->value_count() > 0;
    }

    bool last(btree_path<K, V>& path) const override {
        const std::size_t count = this->value_count();
        path.steps.push_back({this, count > 0 ? count - 1 : 0});
        path.leaf = this;
        return count > 0;
    }

    bool next(btree_path<K, V>& path, std::size_t depth) const override {
        auto& step = path.steps[depth];
        if (step.position + 1 >= this->value_count()) {
            return false;
        }
        ++step.position;
        return true;
    }

    bool prev(btree_path<K, V>& path, std::size_t depth) const override {
        auto& step = path.steps[depth];
        if (step.position == 0) {
            return false;
        }
        --step.position;
        return true;
    }
};

template <typename K, typename V>
class btree_node_nonleaf : public virtual btree_node<K, V> {
public:
    // The child below `position`, loaded on first use. An
    // implementation must make every descent end: each child has to be
    // strictly lower in the tree than its parent.
    virtual const btree_node<K, V>& child_at(std::size_t position) const = 0;

    // The same child, held for as long as the caller needs it. Nodes that
    // keep every child they loaded need not override this: the handle then
    // shares no ownership and the node itself keeps the child alive.
    virtual std::shared_ptr<const btree_node<K, V>> child_handle(std::size_t position) const {
        return std::shared_ptr<const btree_node<K, V>>(std::shared_ptr<const btree_node<K, V>>(),
                                                       &child_at(position));
    }

    std::optional<V> try_find(const K& key) const override {
        const std::ptrdiff_t position = this->position_of(key);
        if (position < 0) {
            return std::nullopt;
        }
        return child_handle(static_cast<std::size_t>(position))->try_find(key);
    }

    bool first(btree_path<K, V>& path) const override {
        const std::size_t depth = enter(path, 0);
        return this->value_count() > 0 && descend(path, depth, 0, true);
    }

    bool last(btree_path<K, V>& path) const override {
        const std::size_t count = this->value_count();
        const std::size_t depth = enter(path, count > 0 ? count - 1 : 0);
        return count > 0 && descend(path, depth, count - 1, false);
    }

    bool next(btree_path<K, V>& path, std::size_t depth) const override {
        if (path.steps[depth + 1].node->next(path, depth + 1)) {
            return true;
        }
        const std::size_t position = path.steps[depth].position;
        return position + 1 < this->value_count() && descend(path, depth, position + 1, true);
    }

    bool prev(btree_path<K, V>& path, std::size_t depth) const override {
        if (path.steps[depth + 1].node->prev(path, depth + 1)) {
            return true;
        }
        const std::size_t position = path.steps[depth].position;
        return position > 0 && descend(path, depth, position - 1, false);
    }

private:
    std::size_t enter(btree_path<K, V>& path, std::size_t position) const {
        if (path.steps.size() >= max_btree_depth) {
            throw database_corrupt("B-tree deeper than " + std::to_string(max_btree_depth) +
                                   " levels");
        }
        path.steps.push_back({this, position});
        return path.steps.size() - 1;
    }

    // Enters the children from `position` on in the given direction until
    // one holds a value.
    bool descend(btree_path<K, V>& path, std::size_t depth, std::size_t position,
                 bool forward) const {
        for (;;) {
            path.steps.resize(depth + 1);
            path.owners.resize(depth + 1);
            path.steps[depth].position = position;
            std::shared_ptr<const btree_node<K, V>> handle = child_handle(position);
            const btree_node<K, V>& child = *handle;
            path.owners.push_back(std::move(handle));
            if (forward ? child.first(path) : child.last(path)) {
                return true;
            }
            if (forward) {
                if (position + 1 >= this->value_count()) {
                    return false;
                }
                ++position;
            } else {
                if (position == 0) {
                    return false;
                }
                --position;
            }
        }
    }
};

// Walks the values of a tree in key order (or backwards). Keys must rise
// strictly from one value to the next; a tree whose pages overlap or repeat
// fails with database_corrupt instead of being walked without end.
template <typename K, typename V>
class btree_iterator {
public:
    using value_type = V;
    using difference_type = std::ptrdiff_t;

    btree_iterator() = default;

    static btree_iterator first(std::shared_ptr<const btree_node<K, V>> root) {
        btree_iterator it(std::move(root));
        it.m_valid = it.m_root && it.m_root->first(it.m_path);
        return it;
    }

    static btree_iterator last(std::shared_ptr<const btree_node<K, V>> root) {
        btree_iterator it(std::move(root));
        it.m_valid = it.m_root && it.m_root->last(it.m_path);
        return it;
    }

    bool at_end() const { return !m_valid; }

    K key() const {
        const auto& step = m_path.steps.back();
        return step.node->key_at(step.position);
    }

    V value() const { return m_path.leaf->value_at(m_path.steps.back().position); }
    V operator*() const { return value(); }

    btree_iterator& operator++() {
        step(true);
        return *this;
    }
    void operator++(int) { step(true); }

    btree_iterator& operator--() {
        step(false);
        return *this;
    }

    friend bool operator==(const btree_iterator& it, std::default_sentinel_t) {
        return it.at_end();
    }

private:
    explicit btree_iterator(std::shared_ptr<const btree_node<K, V>> root)
        : m_root(std::move(root)) {}

    void step(bool forward) {
        if (!m_valid) {
            return;
        }
        const K before = key();
        m_valid = forward ? m_root->next(m_path, 0) : m_root->prev(m_path, 0);
        if (!m_valid) {
            m_path = {};
            return;
        }
        const K after = key();
        if (forward ? !(before < after) : !(after < before)) {
            throw database_corrupt("B-tree keys out of order" + describe(before, after));
        }
    }

    static std::string describe(const K& before, const K& after) {
        if constexpr (std::is_integral_v<K>) {
            return ": " + to_hex(static_cast<std::uint64_t>(after)) + " after " +
                   to_hex(static_cast<std::uint64_t>(before));
        } else {
            return {};
        }
    }

    std::shared_ptr<const btree_node<K, V>> m_root;
    btree_path<K, V> m_path;
    bool m_valid = false;
};

// A range over all values of a tree, for range-based for loops.
template <typename K, typename V>
class btree_range {
public:
    explicit btree_range(std::shared_ptr<const btree_node<K, V>> root) : m_root(std::move(root)) {}

    btree_iterator<K, V> begin() const { return btree_iterator<K, V>::first(m_root); }
    std::default_sentinel_t end() const { return {}; }

private:
    std::shared_ptr<const btree_node<K, V>> m_root;
};

}  // namespace pstread
