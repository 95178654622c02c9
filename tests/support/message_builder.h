// Turns a described message into the content of a message node ([MS-PST]
// 2.4.5, 2.4.6): its property context, and as subnodes the recipient table
// (0x692), the attachment table (0x671), one property context per
// attachment (type 0x05) and, for attachments that are messages, the
// embedded message node (type 0x04) under the attachment.
#pragma once

#include <cstdint>
#include <vector>

#include "support/mailbox.h"
#include "support/named_property_map_builder.h"
#include "support/node_content.h"
#include "support/property_list.h"
#include "support/string_form.h"

namespace pstbuild {

inline constexpr std::uint32_t kNidTypeNormalFolder = 0x02;
inline constexpr std::uint32_t kNidTypeSearchFolder = 0x03;
inline constexpr std::uint32_t kNidTypeNormalMessage = 0x04;
inline constexpr std::uint32_t kNidTypeAttachment = 0x05;
inline constexpr std::uint32_t kNidTypeSearchUpdateQueue = 0x06;
inline constexpr std::uint32_t kNidTypeAssocMessage = 0x08;
inline constexpr std::uint32_t kNidTypeHierarchyTable = 0x0D;
inline constexpr std::uint32_t kNidTypeContentsTable = 0x0E;
inline constexpr std::uint32_t kNidTypeAssocContentsTable = 0x0F;
inline constexpr std::uint32_t kNidTypeSearchContentsTable = 0x10;

// Where the parts of a message node are: the nid of attachment i, and the
// nid of the message embedded in an attachment (a subnode of it).
constexpr std::uint32_t attachment_nid(std::size_t index) {
    return make_nid(kNidTypeAttachment, 0x401 + static_cast<std::uint32_t>(index));
}
inline constexpr std::uint32_t kEmbeddedMessageNid = make_nid(kNidTypeNormalMessage, 0x401);
// The subnode of an OLE attachment's object storage.
inline constexpr std::uint32_t kObjectStorageNid = make_nid(kNidTypeAttachment, 0x401);

// The attachment's PidTagAttachMethod.
inline std::int32_t attach_method_of(const Attachment& a) {
    return a.method.value_or(a.embedded ? kAttachEmbeddedMessage : kAttachByValue);
}

// A PT_APPTIME value: days since 1899-12-30 as a double.
double apptime_from_filetime(FileTime time);

// The subject as stored (in UTF-8): with a prefix, or when `marker` is set,
// the U+0001 marker and a character whose value is the prefix length (in
// the file's code units) plus one go first.
std::string stored_subject(const StringForm& form, const std::string& prefix,
                           const std::string& subject, bool marker);

class MessageBuilder {
public:
    // Named properties are added to `names` as messages use them.
    MessageBuilder(const StringForm& form, NamedPropertyMapBuilder& names);

    // The properties of the message's own property context. `serial` makes
    // the search key unique.
    PropertyList properties(const Message& message, std::uint64_t serial);

    // The node: the property context over `properties` and the subnodes.
    NodeContent node(const Message& message, const PropertyList& properties, std::uint64_t serial);

    // Both in one.
    NodeContent build(const Message& message, std::uint64_t serial);

    // Sets the extra properties, registering named ones in the map.
    void apply_extra(const std::vector<ExtraProperty>& extra, PropertyList& out);

private:
    // An attachment's properties; an embedded message's node goes to
    // `embedded`.
    PropertyList attachment_properties(const Attachment& attachment, std::size_t index,
                                       std::uint64_t serial, NodeContent* embedded);
    void add_people(const Message& message, PropertyList& out) const;
    void add_bodies(const Message& message, PropertyList& out) const;
    void add_times(const Message& message, PropertyList& out) const;
    void add_display_lists(const Message& message, PropertyList& out) const;
    PropertyValue extra_value(const ExtraProperty& extra) const;
    PropertyList recipient_properties(const Recipient& recipient);
    Subnode recipient_table(const Message& message);
    Subnode attachment_table(const std::vector<PropertyList>& attachments) const;
    std::size_t estimated_size(const Message& message, const PropertyList& properties) const;
    // 8-bit text of a message body: in ANSI files in the message's internet
    // code page when it has one, as real files store it.
    PropertyValue body_text(const Message& message, const std::string& utf8) const;

    const StringForm& form_;
    NamedPropertyMapBuilder& names_;
};

}  // namespace pstbuild
