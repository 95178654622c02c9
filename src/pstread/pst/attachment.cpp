#include "pstread/pst/attachment.h"

#include <string>
#include <utility>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"
#include "pstread/pst/message.h"
#include "pstread/pst/property_ids.h"

namespace pstread {

void message_work::count_node(node_id id) {
    if (++m_nodes > max_nodes_per_message) {
        throw work_limit_reached("node " + to_hex(id) + " would be node " +
                                 std::to_string(m_nodes) + " read for one message, more than " +
                                 std::to_string(max_nodes_per_message));
    }
}

attachment::attachment(const node& n, unsigned message_depth, message_work_ptr work)
    : m_bag(n),
      m_message_depth(message_depth),
      m_work(work ? std::move(work) : std::make_shared<message_work>()) {}

byte_buffer attachment::get_bytes() const {
    return m_bag.read_bytes(pid_tag_attach_data_binary);
}

hnid_stream_device attachment::open_byte_stream() const {
    return m_bag.open_value_stream(pid_tag_attach_data_binary);
}

node attachment::object_node(const char* what) const {
    // For an object-typed value the stored bytes are the 8-byte heap item of
    // [MS-PST] 2.3.3.5: the subnode id of the object, then its size.
    const byte_buffer object = m_bag.read_bytes(pid_tag_attach_data_object);
    if (object.size() < 4) {
        throw database_corrupt("attachment " + to_hex(get_id()) + ": " + what + " reference of " +
                               std::to_string(object.size()) + " bytes");
    }
    const node_id sub = load_le<std::uint32_t>(object, 0);
    m_work->count_node(sub);
    return m_bag.get_node().lookup(sub);
}

hnid_stream_device attachment::open_object_stream() const {
    return hnid_stream_device(object_node("object storage"));
}

bool attachment::is_message() const {
    return m_bag.has_property(pid_tag_attach_method) &&
           m_bag.inline_value_4(pid_tag_attach_method) == attach_method_embedded_message;
}

message attachment::open_as_message() const {
    if (!is_message()) {
        throw database_corrupt("attachment " + to_hex(get_id()) +
                               " opened as a message holds no embedded message");
    }
    if (m_message_depth >= max_embedded_message_depth) {
        throw database_corrupt("embedded message in attachment " + to_hex(get_id()) +
                               " nested deeper than " + std::to_string(max_embedded_message_depth) +
                               " levels");
    }
    message embedded(object_node("embedded message"), m_message_depth + 1, m_work);
    embedded.get_property_bag().set_charset(m_bag.charset());
    return embedded;
}

}  // namespace pstread
