#include "pstread/pst/message.h"

#include "pstread/ndb/exceptions.h"
#include "pstread/pst/node_ids.h"
#include "pstread/pst/property_ids.h"

namespace pstread {

attachment attachment_transform_row::operator()(const const_table_row& row) const {
    const node_id id = row.get_row_id();
    work->count_node(id);
    attachment made(message_node.lookup(id), message_depth, work);
    made.get_property_bag().set_charset(charset);
    return made;
}

recipient recipient_transform_row::operator()(const const_table_row& row) const {
    const_table_row cells = row;
    cells.set_charset(charset);
    return recipient(std::move(cells));
}

message message_transform_row::operator()(const const_table_row& row) const {
    return message(db->lookup_node(row.get_row_id()));
}

unistring remove_subject_prefix_marker(unistring subject) {
    if (!subject.empty() && subject.front() == u'\u0001') {
        // A lone marker has no length unit to drop with it.
        subject.erase(0, std::min<std::size_t>(2, subject.size()));
    }
    return subject;
}

message::message(const node& n, unsigned embedding_depth, message_work_ptr work)
    : m_bag(n),
      m_depth(embedding_depth),
      m_work(work ? std::move(work) : std::make_shared<message_work>()) {}

unistring message::get_subject() const {
    return remove_subject_prefix_marker(m_bag.read_unistring(pid_tag_subject));
}

bool message::has_subject() const {
    return m_bag.has_property(pid_tag_subject);
}

bool message::has_body() const {
    return m_bag.has_property(pid_tag_body);
}

hnid_stream_device message::open_body_stream() const {
    return m_bag.open_value_stream(pid_tag_body);
}

bool message::has_html_body() const {
    return m_bag.has_property(pid_tag_body_html);
}

hnid_stream_device message::open_html_body_stream() const {
    return m_bag.open_value_stream(pid_tag_body_html);
}

std::int32_t message::get_message_size() const {
    return static_cast<std::int32_t>(m_bag.inline_value_4(pid_tag_message_size));
}

const table& message::get_attachment_table() const {
    if (!m_attachment_table) {
        m_attachment_table = std::make_shared<table>(m_bag.get_node().lookup(nid_attachment_table));
    }
    return *m_attachment_table;
}

const table& message::get_recipient_table() const {
    if (!m_recipient_table) {
        m_recipient_table = std::make_shared<table>(m_bag.get_node().lookup(nid_recipient_table));
    }
    return *m_recipient_table;
}

std::size_t message::get_attachment_count() const {
    const table* rows = find_attachment_table();
    return rows ? rows->size() : 0;
}

std::size_t message::get_recipient_count() const {
    const table* rows = find_recipient_table();
    return rows ? rows->size() : 0;
}

const table* message::find_attachment_table() const {
    // A message without attachments often has no such table: look for its
    // subnode first rather than through a key_not_found.
    if (!m_attachment_table && !m_bag.get_node().try_lookup(nid_attachment_table)) {
        return nullptr;
    }
    try {
        return &get_attachment_table();
    } catch (const key_not_found<node_id>&) {
        return nullptr;
    }
}

const table* message::find_recipient_table() const {
    // A message without recipients often has no such table: look for its
    // subnode first rather than through a key_not_found.
    if (!m_recipient_table && !m_bag.get_node().try_lookup(nid_recipient_table)) {
        return nullptr;
    }
    try {
        return &get_recipient_table();
    } catch (const key_not_found<node_id>&) {
        return nullptr;
    }
}

attachment_iterator message::attachment_begin() const {
    const table* rows = find_attachment_table();
    return {rows ? rows->begin() : const_table_row_iter(),
            {m_bag.get_node(), m_depth, m_bag.charset(), m_work}};
}

attachment_iterator message::attachment_end() const {
    const table* rows = find_attachment_table();
    return {rows ? rows->end() : const_table_row_iter(),
            {m_bag.get_node(), m_depth, m_bag.charset(), m_work}};
}

recipient_iterator message::recipient_begin() const {
    const table* rows = find_recipient_table();
    return {rows ? rows->begin() : const_table_row_iter(), {m_bag.charset()}};
}

recipient_iterator message::recipient_end() const {
    const table* rows = find_recipient_table();
    return {rows ? rows->end() : const_table_row_iter(), {m_bag.charset()}};
}

}  // namespace pstread
