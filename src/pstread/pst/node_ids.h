// Node ids of the messaging layer: the well-known nodes of a store
// ([MS-PST] 2.4.1), the node types that tell folders, messages and their
// tables apart ([MS-PST] 2.2.2.1), and the fixed subnodes of a message
// ([MS-PST] 2.4.5, 2.4.6).
#pragma once

#include "pstread/ndb/types.h"

namespace pstread {

// Well-known nodes (the named property map, 0x61, is name_id_map_node).
constexpr node_id nid_message_store = 0x21;  // NID_MESSAGE_STORE
constexpr node_id nid_root_folder = 0x122;   // NID_ROOT_FOLDER

// Node types (nidType, the low 5 bits of a node id).
constexpr unsigned nid_type_normal_folder = 0x02;    // NID_TYPE_NORMAL_FOLDER
constexpr unsigned nid_type_search_folder = 0x03;    // NID_TYPE_SEARCH_FOLDER
constexpr unsigned nid_type_normal_message = 0x04;   // NID_TYPE_NORMAL_MESSAGE
constexpr unsigned nid_type_attachment = 0x05;       // NID_TYPE_ATTACHMENT
constexpr unsigned nid_type_hierarchy_table = 0x0D;  // NID_TYPE_HIERARCHY_TABLE
constexpr unsigned nid_type_contents_table = 0x0E;   // NID_TYPE_CONTENTS_TABLE

// Subnodes of a message node: its attachment table and its recipient table.
constexpr node_id nid_attachment_table = 0x671;  // NID_ATTACHMENT_TABLE
constexpr node_id nid_recipient_table = 0x692;   // NID_RECIPIENT_TABLE

// The node of another type that shares `nid`'s index, e.g. a folder's
// hierarchy table (type 0x0D) or contents table (type 0x0E).
constexpr node_id make_nid(node_id nid, unsigned type) {
    return (nid & ~node_id{0x1F}) | (type & 0x1Fu);
}

}  // namespace pstread
