// An attachment of a message ([MS-PST] 2.4.6.2): the property context of the
// message node's subnode that the attachment table's row names. An
// attachment with method 5 holds a whole message, which opens as a message
// of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "pstread/ltp/hnid_stream.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ndb/node.h"

namespace pstread {

class message;

// How many messages may nest inside one another through attachments: a
// message at this depth refuses to open the message it holds. Real mail
// forwarded as attachments rarely nests a dozen deep; a file that claims
// more is treated as corrupt rather than followed without end.
constexpr unsigned max_embedded_message_depth = 64;

// How many attachments and embedded messages one message of a folder may
// open, those of the messages nested in it included. The depth limit alone
// does not bound the work: when the attachments of a damaged file share one
// embedded message, the work multiplies at every level. Real mail stays far
// below this.
constexpr std::size_t max_nodes_per_message = 65536;

// The count of attachments and embedded messages opened for one message of a
// folder; the message, its attachments and every message nested in it share
// one.
class message_work {
public:
    // Counts one more node; work_limit_reached once the count passes
    // max_nodes_per_message.
    void count_node(node_id id);

private:
    std::size_t m_nodes = 0;
};

using message_work_ptr = std::shared_ptr<message_work>;

class attachment {
public:
    // `n` is the attachment's node; `message_depth` the embedding depth of the
    // message it belongs to (0 for a message of a folder), `work` that
    // message's count (a fresh one when null).
    attachment(const node& n, unsigned message_depth, message_work_ptr work = nullptr);

    property_bag& get_property_bag() { return m_bag; }
    const property_bag& get_property_bag() const { return m_bag; }
    node_id get_id() const { return m_bag.get_node().get_id(); }

    // PidTagAttachDataBinary, whole or as a stream; key_not_found<prop_id>
    // when absent.
    byte_buffer get_bytes() const;
    hnid_stream_device open_byte_stream() const;

    // The object storage of an OLE attachment (PidTagAttachDataObject of an
    // attachment with method 6): the whole data of the subnode the value
    // names, as a stream. key_not_found<prop_id> when absent,
    // database_corrupt when the value is shorter than a subnode id.
    hnid_stream_device open_object_stream() const;

    // Whether PidTagAttachMethod is 5 (an embedded message). An attachment
    // without a method is not one.
    bool is_message() const;
    // The embedded message: database_corrupt for any other attachment, when
    // the message would nest deeper than max_embedded_message_depth or when
    // PidTagAttachDataObject is shorter than the subnode id it must hold;
    // work_limit_reached when it would pass max_nodes_per_message. The
    // message's charset is this attachment's.
    message open_as_message() const;

private:
    // The subnode named by PidTagAttachDataObject, counted as work.
    node object_node(const char* what) const;

    property_bag m_bag;
    unsigned m_message_depth;
    message_work_ptr m_work;
};

}  // namespace pstread
