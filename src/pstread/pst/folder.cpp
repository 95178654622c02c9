#include "pstread/pst/folder.h"

#include <algorithm>
#include <string>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/pst/node_ids.h"
#include "pstread/pst/property_ids.h"

namespace pstread {
namespace {

std::shared_ptr<const folder_path> path_below(const folder_path& parent_path, node_id id) {
    if (parent_path.size() > max_folder_depth) {
        throw database_corrupt("folder " + to_hex(id) + " nested deeper than " +
                               std::to_string(max_folder_depth) + " levels");
    }
    auto path = std::make_shared<folder_path>();
    path->reserve(parent_path.size() + 1);
    *path = parent_path;
    path->push_back(id);
    return path;
}

}  // namespace

subfolder_iterator::subfolder_iterator(shared_db_ptr db, const_table_row_iter position,
                                       const_table_row_iter end,
                                       std::shared_ptr<const folder_path> parent_path)
    : m_db(std::move(db)),
      m_position(std::move(position)),
      m_end(std::move(end)),
      m_parent_path(std::move(parent_path)) {
    skip_rows_not_followed();
}

folder subfolder_iterator::operator*() const {
    const row_id id = get_row_id();
    return folder(m_db, m_db->lookup_node(id), *m_parent_path);
}

subfolder_iterator& subfolder_iterator::operator++() {
    ++m_position;
    skip_rows_not_followed();
    return *this;
}

subfolder_iterator subfolder_iterator::operator++(int) {
    subfolder_iterator before = *this;
    ++*this;
    return before;
}

void subfolder_iterator::skip_rows_not_followed() {
    while (m_position != m_end) {
        const row_id id = get_row_id();
        const bool is_folder = node_type_of(id) == nid_type_normal_folder;
        const bool points_up =
            std::find(m_parent_path->begin(), m_parent_path->end(), id) != m_parent_path->end();
        if (is_folder && !points_up) {
            return;
        }
        ++m_position;
    }
}

folder::folder(shared_db_ptr db, const node& n) : folder(std::move(db), n, folder_path{}) {}

folder::folder(shared_db_ptr db, const node& n, const folder_path& parent_path)
    : m_db(std::move(db)),
      m_bag(n),
      m_tables(std::make_shared<tables>()),
      m_path(path_below(parent_path, n.get_id())) {}

std::u32string folder::get_name() const {
    return m_bag.read_wstring(pid_tag_display_name);
}

std::int32_t folder::get_message_count() const {
    return static_cast<std::int32_t>(m_bag.inline_value_4(pid_tag_content_count));
}

const table& folder::get_hierarchy_table() const {
    if (!m_tables->hierarchy) {
        m_tables->hierarchy = std::make_shared<table>(
            m_db->lookup_node(make_nid(get_id(), nid_type_hierarchy_table)));
    }
    return *m_tables->hierarchy;
}

const table& folder::get_contents_table() const {
    if (!m_tables->contents) {
        m_tables->contents =
            std::make_shared<table>(m_db->lookup_node(make_nid(get_id(), nid_type_contents_table)));
    }
    return *m_tables->contents;
}

subfolder_iterator folder::sub_folder_begin() const {
    const table& rows = get_hierarchy_table();
    return subfolder_iterator(m_db, rows.begin(), rows.end(), m_path);
}

subfolder_iterator folder::sub_folder_end() const {
    const table& rows = get_hierarchy_table();
    return subfolder_iterator(m_db, rows.end(), rows.end(), m_path);
}

std::size_t folder::get_subfolder_count() const {
    return static_cast<std::size_t>(std::distance(sub_folder_begin(), sub_folder_end()));
}

message_iterator folder::message_begin() const {
    return {get_contents_table().begin(), {m_db}};
}

message_iterator folder::message_end() const {
    return {get_contents_table().end(), {m_db}};
}

}  // namespace pstread
