// Pages of the node and block B-trees ([MS-PST] 2.2.2.7.7) as B-tree nodes.
// Pages are built by the database (which validates and decodes them); a
// non-leaf page loads a child page when it is used. Child pages are kept by
// the database's bounded page caches, not by their parents, so memory stays
// flat however many pages lookups touch.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "pstread/ndb/btree_node.h"
#include "pstread/ndb/types.h"

namespace pstread {

class db_context;

inline node_id btree_key_of(const node_info& info) {
    return info.id;
}
inline block_id btree_key_of(const block_info& info) {
    return info.id;
}

// A page knows its database only weakly: the database keeps its root pages,
// and a page that owned the database back would keep both alive forever.
class page {
public:
    page(std::weak_ptr<db_context> db, const block_reference& ref)
        : m_db(std::move(db)), m_ref(ref) {}
    virtual ~page() = default;

    block_id get_page_id() const { return m_ref.bid; }
    std::uint64_t get_address() const { return m_ref.ib; }
    const block_reference& get_reference() const { return m_ref; }

protected:
    // The database, which must still exist to load more pages.
    std::shared_ptr<db_context> lock_db() const;

private:
    std::weak_ptr<db_context> m_db;
    block_reference m_ref;
};

template <typename K, typename V>
class bt_page : public page, public virtual btree_node<K, V> {
public:
    using page::page;
    // cLevel: 0 for a leaf, else the height above the leaves.
    virtual unsigned get_level() const = 0;
};

template <typename K, typename V>
class bt_leaf_page : public bt_page<K, V>, public btree_node_leaf<K, V> {
public:
    bt_leaf_page(std::weak_ptr<db_context> db, const block_reference& ref, std::vector<V> entries)
        : bt_page<K, V>(std::move(db), ref), m_entries(std::move(entries)) {}

    V value_at(std::size_t position) const override { return m_entries.at(position); }
    K key_at(std::size_t position) const override { return btree_key_of(m_entries.at(position)); }
    std::size_t value_count() const override { return m_entries.size(); }
    unsigned get_level() const override { return 0; }

private:
    std::vector<V> m_entries;
};

// The child page at `ref`, leaf or non-leaf, for the tree whose values are V.
std::shared_ptr<bt_page<node_id, node_info>> read_child_page(db_context& db,
                                                             const block_reference& ref,
                                                             std::type_identity<node_info>);
std::shared_ptr<bt_page<block_id, block_info>> read_child_page(db_context& db,
                                                               const block_reference& ref,
                                                               std::type_identity<block_info>);

// The page read from `ref` if the database still keeps it, else null.
std::shared_ptr<bt_page<node_id, node_info>> find_kept_page(db_context& db,
                                                            const block_reference& ref,
                                                            std::type_identity<node_info>);
std::shared_ptr<bt_page<block_id, block_info>> find_kept_page(db_context& db,
                                                              const block_reference& ref,
                                                              std::type_identity<block_info>);
// Has the database keep a page among its recently used ones.
void keep_page(db_context& db, std::shared_ptr<bt_page<node_id, node_info>> page);
void keep_page(db_context& db, std::shared_ptr<bt_page<block_id, block_info>> page);

// Reports a child page that breaks the tree's shape: its level must be one
// below its parent's (so every descent ends) and it must hold entries.
[[noreturn]] void throw_bad_child_page(const page& parent, unsigned parent_level,
                                       const block_reference& child, unsigned child_level,
                                       std::size_t child_entries);

template <typename K, typename V>
class bt_nonleaf_page : public bt_page<K, V>, public btree_node_nonleaf<K, V> {
public:
    struct entry {
        K key;
        block_reference ref;
    };

    bt_nonleaf_page(std::weak_ptr<db_context> db, const block_reference& ref, unsigned level,
                    std::vector<entry> entries)
        : bt_page<K, V>(std::move(db), ref), m_level(level), m_entries(std::move(entries)) {}

    K key_at(std::size_t position) const override { return m_entries.at(position).key; }
    std::size_t value_count() const override { return m_entries.size(); }
    unsigned get_level() const override { return m_level; }

    const block_reference& get_child_reference(std::size_t position) const {
        return m_entries.at(position).ref;
    }

    const btree_node<K, V>& child_at(std::size_t position) const override {
        return *get_child(position);
    }

    std::shared_ptr<const btree_node<K, V>> child_handle(std::size_t position) const override {
        return get_child(position);
    }

    std::shared_ptr<bt_page<K, V>> get_child(std::size_t position) const {
        const block_reference& ref = m_entries.at(position).ref;
        const std::shared_ptr<db_context> db = this->lock_db();
        // A kept page is taken only at the level this parent expects, so a
        // page that a damaged tree names at two levels cannot make a descent
        // loop; the page read again then fails the check in load_child.
        if (auto kept = find_kept_page(*db, ref, std::type_identity<V>{});
            kept && kept->get_level() + 1 == m_level) {
            return kept;
        }
        auto child = load_child(*db, ref);
        keep_page(*db, child);
        return child;
    }

private:
    std::shared_ptr<bt_page<K, V>> load_child(db_context& db, const block_reference& ref) const {
        auto child = read_child_page(db, ref, std::type_identity<V>{});
        if (child->get_level() + 1 != m_level || child->value_count() == 0) {
            throw_bad_child_page(*this, m_level, ref, child->get_level(), child->value_count());
        }
        return child;
    }

    unsigned m_level;
    std::vector<entry> m_entries;
};

using nbt_page = bt_page<node_id, node_info>;
using bbt_page = bt_page<block_id, block_info>;
using nbt_leaf_page = bt_leaf_page<node_id, node_info>;
using bbt_leaf_page = bt_leaf_page<block_id, block_info>;
using nbt_nonleaf_page = bt_nonleaf_page<node_id, node_info>;
using bbt_nonleaf_page = bt_nonleaf_page<block_id, block_info>;

}  // namespace pstread
