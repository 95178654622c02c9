// A folder of the store ([MS-PST] 2.4.4): its property context, its
// hierarchy table (subfolders) and its contents table (messages). A folder
// is a value: copies share the tables once opened.
//
// A folder knows the node ids of the folders above it. A hierarchy row that
// names the folder itself or one of those is not followed, so a damaged
// hierarchy that points back up is walked once, not without end; and no
// folder opens deeper than max_folder_depth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pstread/ltp/property_bag.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/message.h"
#include "pstread/pst/row_transform_iterator.h"

namespace pstread {

class folder;

// How many levels of folders below the root folder may be opened. Outlook
// folder trees are a handful of levels deep; deeper ones are corrupt.
constexpr std::size_t max_folder_depth = 300;

// The node ids from the root of a walk down to one folder.
using folder_path = std::vector<node_id>;

// Walks a hierarchy table's rows that are normal folders (node type 0x02),
// yielding each as a folder. Rows of other types (search folders among them)
// and rows naming the parent or one of its ancestors are skipped.
class subfolder_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = folder;
    using reference = folder;
    using difference_type = std::ptrdiff_t;

    subfolder_iterator() = default;
    subfolder_iterator(shared_db_ptr db, const_table_row_iter position, const_table_row_iter end,
                       std::shared_ptr<const folder_path> parent_path);

    // Looks the row's node up (key_not_found<node_id> when missing).
    folder operator*() const;
    subfolder_iterator& operator++();
    subfolder_iterator operator++(int);

    row_id get_row_id() const { return (*m_position).get_row_id(); }

    // Equal when they stand at the same row of the same table.
    friend bool operator==(const subfolder_iterator& a, const subfolder_iterator& b) {
        return a.m_position == b.m_position;
    }

private:
    void skip_rows_not_followed();

    shared_db_ptr m_db;
    const_table_row_iter m_position;
    const_table_row_iter m_end;
    std::shared_ptr<const folder_path> m_parent_path;
};

class folder {
public:
    // A folder at the top of a walk (usually the root folder, 0x122).
    folder(shared_db_ptr db, const node& n);
    // A folder below the folders of `parent_path`. database_corrupt when
    // that path is already max_folder_depth + 1 folders long.
    folder(shared_db_ptr db, const node& n, const folder_path& parent_path);

    node_id get_id() const { return m_bag.get_node().get_id(); }
    // Folders above this one: 0 for the top of the walk.
    std::size_t get_depth() const { return m_path->size() - 1; }
    const folder_path& get_path() const { return *m_path; }
    const shared_db_ptr& get_db() const { return m_db; }

    // The owner sets the bag's charset before names are read.
    property_bag& get_property_bag() { return m_bag; }
    const property_bag& get_property_bag() const { return m_bag; }

    // PidTagDisplayName; key_not_found<prop_id> when absent.
    std::u32string get_name() const;
    // PidTagContentCount as a signed value; key_not_found<prop_id> when
    // absent.
    std::int32_t get_message_count() const;

    // The tables (the folder's node id with type 0x0D and 0x0E), opened on
    // first use; key_not_found<node_id> when the node is missing.
    const table& get_hierarchy_table() const;
    const table& get_contents_table() const;

    subfolder_iterator sub_folder_begin() const;
    subfolder_iterator sub_folder_end() const;
    iterator_range<subfolder_iterator> sub_folders() const {
        return {sub_folder_begin(), sub_folder_end()};
    }
    // The number of subfolders the range yields (it walks the rows).
    std::size_t get_subfolder_count() const;

    message_iterator message_begin() const;
    message_iterator message_end() const;
    iterator_range<message_iterator> messages() const { return {message_begin(), message_end()}; }

private:
    struct tables {
        std::shared_ptr<table> hierarchy;
        std::shared_ptr<table> contents;
    };

    shared_db_ptr m_db;
    property_bag m_bag;
    std::shared_ptr<tables> m_tables;
    std::shared_ptr<const folder_path> m_path;
};

}  // namespace pstread
