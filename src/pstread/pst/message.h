// A message ([MS-PST] 2.4.5): any item of a contents table (mail, contact,
// appointment and the rest) or the message an attachment holds. A message is
// its property context plus its attachment and recipient tables, each
// opened on first use and then kept. Copies share nothing that is opened
// after copying; the session model and the writers pass messages by
// reference.
//
//   message m = db_message;                 // from folder::messages()
//   m.get_property_bag().set_charset(row);  // decodes 8-bit strings
//   for (recipient r : m.recipients()) ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pstread/ltp/hnid_stream.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/attachment.h"
#include "pstread/pst/recipient.h"
#include "pstread/pst/row_transform_iterator.h"

namespace pstread {

// Turns a row of a message's attachment table into the attachment its row id
// names among the message node's subnodes.
struct attachment_transform_row {
    node message_node;
    unsigned message_depth = 0;
    const TextEncodingItem* charset = nullptr;
    message_work_ptr work;

    attachment operator()(const const_table_row& row) const;
};

// Turns a row of a message's recipient table into a recipient.
struct recipient_transform_row {
    const TextEncodingItem* charset = nullptr;

    recipient operator()(const const_table_row& row) const;
};

using attachment_iterator = row_transform_iterator<attachment_transform_row>;
using recipient_iterator = row_transform_iterator<recipient_transform_row>;

// The subject rule of PidTagSubject: a subject whose first code unit is
// U+0001 carries a prefix marker and the prefix length in its first two code
// units, which are dropped. Any other subject is returned whole.
unistring remove_subject_prefix_marker(unistring subject);

class message {
public:
    // `n` is the message node; `embedding_depth` counts the messages that
    // hold this one through attachments (0 for a message of a folder).
    // `work` is the count of the message that holds this one; a message of
    // a folder starts its own.
    explicit message(const node& n, unsigned embedding_depth = 0, message_work_ptr work = nullptr);

    property_bag& get_property_bag() { return m_bag; }
    const property_bag& get_property_bag() const { return m_bag; }
    node_id get_id() const { return m_bag.get_node().get_id(); }
    unsigned get_embedding_depth() const { return m_depth; }

    // PidTagSubject after the prefix marker rule; key_not_found<prop_id>
    // when absent.
    unistring get_subject() const;
    bool has_subject() const;
    // PidTagBody and PidTagBodyHtml as streams; key_not_found<prop_id> when
    // absent.
    bool has_body() const;
    hnid_stream_device open_body_stream() const;
    bool has_html_body() const;
    hnid_stream_device open_html_body_stream() const;
    // PidTagMessageSize as a signed value; key_not_found<prop_id> when absent.
    std::int32_t get_message_size() const;

    // The tables, opened from subnodes 0x671 and 0x692 on first use.
    // key_not_found<node_id> when the message has no such subnode.
    const table& get_attachment_table() const;
    const table& get_recipient_table() const;
    // Rows of those tables; 0 for a message without the table.
    std::size_t get_attachment_count() const;
    std::size_t get_recipient_count() const;

    // In table row order; empty for a message without the table.
    // Attachments and recipients decode 8-bit strings with the message's
    // charset at the time the range is taken.
    attachment_iterator attachment_begin() const;
    attachment_iterator attachment_end() const;
    iterator_range<attachment_iterator> attachments() const {
        return {attachment_begin(), attachment_end()};
    }
    recipient_iterator recipient_begin() const;
    recipient_iterator recipient_end() const;
    iterator_range<recipient_iterator> recipients() const {
        return {recipient_begin(), recipient_end()};
    }

private:
    // The table, or null when the message has no such subnode.
    const table* find_attachment_table() const;
    const table* find_recipient_table() const;

    property_bag m_bag;
    unsigned m_depth;
    message_work_ptr m_work;
    mutable std::shared_ptr<table> m_attachment_table;
    mutable std::shared_ptr<table> m_recipient_table;
};

// Turns a row of a contents table into the message its row id names.
struct message_transform_row {
    shared_db_ptr db;

    message operator()(const const_table_row& row) const;
};

using message_iterator = row_transform_iterator<message_transform_row>;

}  // namespace pstread
