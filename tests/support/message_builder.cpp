#include "support/message_builder.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "support/code_page_text.h"
#include "support/le_bytes.h"
#include "support/property_context_builder.h"
#include "support/property_ids.h"
#include "support/rtf_compression.h"
#include "support/table_schemas.h"

namespace pstbuild {
namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kOleDaysToUnixEpoch = 25569.0;  // 1899-12-30 to 1970-01-01
constexpr std::int32_t kRenderingPositionNone = -1;
constexpr std::int32_t kRecipientSendable = 0x1;
constexpr std::size_t kRecipientOverhead = 256;  // table cells besides names
constexpr std::size_t kAttachmentOverhead = 512;

std::uint64_t fnv1a(std::uint64_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001B3ull;
    }
    return hash;
}

// A 16-byte search key that differs between messages of one file.
std::vector<std::uint8_t> message_search_key(std::uint64_t serial, const std::string& subject) {
    std::uint64_t a = fnv1a(0xCBF29CE484222325ull ^ serial, subject);
    std::uint64_t b = fnv1a(a ^ 0x9E3779B97F4A7C15ull, "search key");
    std::vector<std::uint8_t> key;
    append_le(key, a, 8);
    append_le(key, b ^ serial, 8);
    return key;
}

std::string extension_of(const std::string& filename) {
    const std::size_t dot = filename.rfind('.');
    return dot == std::string::npos ? std::string() : filename.substr(dot);
}

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The number of code units the stored prefix takes: UTF-16 units in Unicode
// files, bytes in ANSI files.
std::size_t prefix_units(const StringForm& form, const std::string& prefix) {
    const std::size_t bytes = form.bytes(prefix).size();
    return form.unicode() ? bytes / 2 : bytes;
}

// The UTF-8 form of a code point below 0x80 (the marker characters).
std::string marker_char(std::size_t value) {
    if (value >= 0x80) {
        throw std::invalid_argument("subject prefix too long for its marker");
    }
    return std::string(1, static_cast<char>(value));
}

}  // namespace

double apptime_from_filetime(FileTime time) {
    // The difference in integers first: a double cannot hold a FILETIME to
    // the tick. Times before 1970 wrap to negative differences.
    const auto ticks = static_cast<std::int64_t>(time - kFileTimeUnixEpoch);
    const double unix_seconds = static_cast<double>(ticks) / 1e7;
    return unix_seconds / kSecondsPerDay + kOleDaysToUnixEpoch;
}

std::string stored_subject(const StringForm& form, const std::string& prefix,
                           const std::string& subject, bool marker) {
    if (prefix.empty() && !marker) {
        return subject;
    }
    return marker_char(1) + marker_char(prefix_units(form, prefix) + 1) + prefix + subject;
}

MessageBuilder::MessageBuilder(const StringForm& form, NamedPropertyMapBuilder& names)
    : form_(form), names_(names) {}

PropertyValue MessageBuilder::body_text(const Message& message, const std::string& utf8) const {
    if (form_.unicode() || !message.internet_code_page ||
        *message.internet_code_page == kCodePageUtf16le) {
        return form_.value(utf8);
    }
    return PropertyValue{kPtString8, encode_code_page(utf8, *message.internet_code_page)};
}

void MessageBuilder::add_people(const Message& message, PropertyList& out) const {
    const Person& from = message.sent_representing ? *message.sent_representing : message.sender;
    auto person = [&](const Person& p, std::uint16_t name, std::uint16_t type, std::uint16_t email,
                      std::uint16_t smtp) {
        if (!p.name.empty()) {
            out.set(name, form_.value(p.name));
        }
        if (!p.email.empty()) {
            out.set(type, form_.value(p.address_type));
            out.set(email, form_.value(p.email));
            if (p.address_type == "SMTP") {
                out.set(smtp, form_.value(p.email));
            }
        }
    };
    person(from, pid::kSentRepresentingName, pid::kSentRepresentingAddressType,
           pid::kSentRepresentingEmailAddress, pid::kSentRepresentingSmtpAddress);
    person(message.sender, pid::kSenderName, pid::kSenderAddressType, pid::kSenderEmailAddress,
           pid::kSenderSmtpAddress);
}

void MessageBuilder::add_times(const Message& message, PropertyList& out) const {
    if (message.submit_time != 0) {
        out.set(pid::kClientSubmitTime, pv_systime(message.submit_time));
    }
    if (message.delivery_time != 0) {
        out.set(pid::kMessageDeliveryTime,
                message.delivery_time_as_apptime
                    ? pv_apptime(apptime_from_filetime(message.delivery_time))
                    : pv_systime(message.delivery_time));
    }
    const FileTime known = message.delivery_time != 0 ? message.delivery_time : message.submit_time;
    const FileTime created = message.creation_time != 0 ? message.creation_time : known;
    const FileTime modified = message.modification_time != 0 ? message.modification_time : known;
    if (created != 0) {
        out.set(pid::kCreationTime, pv_systime(created));
    }
    if (modified != 0) {
        out.set(pid::kLastModificationTime, pv_systime(modified));
    }
}

void MessageBuilder::add_display_lists(const Message& message, PropertyList& out) const {
    std::string lists[3];
    for (const Recipient& r : message.recipients) {
        const auto type = static_cast<std::size_t>(r.type);
        if (type >= 1 && type <= 3) {
            std::string& list = lists[type - 1];
            list += (list.empty() ? "" : "; ") + r.name;
        }
    }
    out.set(pid::kDisplayTo, form_.value(lists[0]));
    out.set(pid::kDisplayCc, form_.value(lists[1]));
    out.set(pid::kDisplayBcc, form_.value(lists[2]));
}

void MessageBuilder::add_bodies(const Message& message, PropertyList& out) const {
    if (message.body) {
        out.set(pid::kBody, body_text(message, *message.body));
    }
    if (message.html) {
        const unsigned code_page = message.internet_code_page.value_or(kCodePageUtf8);
        out.set(pid::kHtml, pv_binary(encode_code_page(*message.html, code_page)));
    }
    if (message.rtf) {
        const std::span<const std::uint8_t> raw(
            reinterpret_cast<const std::uint8_t*>(message.rtf->data()), message.rtf->size());
        out.set(pid::kRtfCompressed,
                pv_binary(message.rtf_form == RtfForm::compressed ? rtf_compress(raw)
                                                                  : rtf_uncompressed(raw)));
        out.set(pid::kRtfInSync, pv_bool(true));
    }
}

PropertyValue MessageBuilder::extra_value(const ExtraProperty& extra) const {
    if (extra.texts) {
        std::vector<std::vector<std::uint8_t>> items;
        for (const std::string& text : *extra.texts) {
            items.push_back(form_.bytes(text));
        }
        return PropertyValue{static_cast<std::uint16_t>(kPtMultiValued | form_.type()),
                             pack_multi_valued(items)};
    }
    return extra.text ? form_.value(*extra.text) : extra.value;
}

void MessageBuilder::apply_extra(const std::vector<ExtraProperty>& extra, PropertyList& out) {
    for (const ExtraProperty& e : extra) {
        std::uint16_t id = e.id;
        if (e.named) {
            id = e.named->name.empty() ? names_.add(e.named->guid, e.named->id)
                                       : names_.add(e.named->guid, e.named->name);
        }
        out.set(id, extra_value(e));
    }
}

std::size_t MessageBuilder::estimated_size(const Message& message,
                                           const PropertyList& properties) const {
    std::size_t size = properties.value_bytes();
    for (const Recipient& r : message.recipients) {
        size += kRecipientOverhead + 2 * (r.name.size() + r.email.size());
    }
    for (const Attachment& a : message.attachments) {
        size += kAttachmentOverhead + a.data.size() + 2 * a.filename.size();
    }
    return size;
}

PropertyList MessageBuilder::properties(const Message& message, std::uint64_t serial) {
    PropertyList out;
    out.set(pid::kMessageClass, form_.value(message.message_class));
    out.set(pid::kImportance, pv_long(message.importance.value_or(1)));
    if (message.priority) {
        out.set(pid::kPriority, pv_long(*message.priority));
    }
    out.set(pid::kSensitivity, pv_long(message.sensitivity.value_or(0)));
    if (!message.subject.empty() || !message.subject_prefix.empty()) {
        out.set(pid::kSubject,
                form_.value(stored_subject(form_, message.subject_prefix, message.subject,
                                           message.subject_marker)));
        out.set(pid::kSubjectPrefix, form_.value(message.subject_prefix));
        out.set(pid::kNormalizedSubject, form_.value(message.subject));
        out.set(pid::kConversationTopic, form_.value(message.subject));
    }
    add_people(message, out);
    add_times(message, out);
    add_display_lists(message, out);

    std::int32_t flags = message.extra_flags;
    if (message.read) {
        flags |= kMessageFlagRead;
    }
    if (!message.attachments.empty()) {
        flags |= kMessageFlagHasAttach;
    }
    out.set(pid::kMessageFlags, pv_long(flags));
    out.set(pid::kMessageStatus, pv_long(0));
    out.set(pid::kHasAttachments, pv_bool(!message.attachments.empty()));
    add_bodies(message, out);
    if (!message.transport_headers.empty()) {
        out.set(pid::kTransportMessageHeaders, form_.value(message.transport_headers));
    }
    if (!message.internet_message_id.empty()) {
        out.set(pid::kInternetMessageId, form_.value(message.internet_message_id));
    }
    if (!message.in_reply_to.empty()) {
        out.set(pid::kInReplyToId, form_.value(message.in_reply_to));
    }
    if (!message.references.empty()) {
        out.set(pid::kInternetReferences, form_.value(message.references));
    }
    if (message.internet_code_page) {
        out.set(pid::kInternetCodepage,
                pv_long(static_cast<std::int32_t>(*message.internet_code_page)));
    }
    out.set(pid::kMessageCodepage, pv_long(static_cast<std::int32_t>(form_.code_page())));
    out.set(pid::kSearchKey, pv_binary(message_search_key(serial, message.subject)));
    out.set(pid::kMessageSize, pv_long(0));
    out.set(pid::kMessageSize, pv_long(static_cast<std::int32_t>(std::min<std::size_t>(
                                   estimated_size(message, out), 0x7FFFFFFF))));
    apply_extra(message.extra, out);
    for (const std::uint16_t id : message.omit) {
        out.erase(id);
    }
    return out;
}

PropertyList MessageBuilder::recipient_properties(const Recipient& r) {
    PropertyList out;
    out.set(pid::kRecipientType, pv_long(static_cast<std::int32_t>(r.type)));
    out.set(pid::kResponsibility, pv_bool(false));
    out.set(pid::kObjectType, pv_long(pid::kObjectTypeMailUser));
    if (form_.unicode()) {
        out.set(pid::kEntryId, pv_binary(one_off_entry_id(r.name, r.address_type, r.email, true)));
    } else {
        const std::vector<std::uint8_t> name = form_.bytes(r.name);
        out.set(pid::kEntryId, pv_binary(one_off_entry_id(std::string(name.begin(), name.end()),
                                                          r.address_type, r.email, false)));
    }
    out.set(pid::kDisplayName, form_.value(r.name));
    out.set(pid::kAddressType, form_.value(r.address_type));
    out.set(pid::kEmailAddress, form_.value(r.email));
    out.set(pid::kSearchKey, pv_binary(address_search_key(r.address_type, r.email)));
    out.set(pid::kDisplayType, pv_long(0));
    if (r.write_smtp_address) {
        out.set(pid::kSmtpAddress, form_.value(r.email));
    }
    if (is_ascii(r.name)) {
        out.set(0x39FF, form_.value(r.name));  // PidTag7BitDisplayName
    }
    out.set(pid::kSendRichInfo, pv_bool(false));
    out.set(pid::kRecipientDisplayName, form_.value(r.name));
    out.set(pid::kRecipientFlags, pv_long(kRecipientSendable));
    out.set(pid::kRecipientTrackStatus, pv_long(0));
    apply_extra(r.extra, out);
    return out;
}

Subnode MessageBuilder::recipient_table(const Message& message) {
    std::vector<PropertyList> rows;
    std::set<std::uint32_t> tags;
    for (const std::uint32_t tag : table_columns(TableKind::recipients, form_)) {
        tags.insert(tag);
    }
    for (const Recipient& r : message.recipients) {
        rows.push_back(recipient_properties(r));
        for (const auto& [id, value] : rows.back().items()) {
            tags.insert(make_tag(id, value.type));
        }
    }
    TableContextBuilder table = make_table(TableKind::recipients, form_);
    for (const std::uint32_t tag : tags) {
        table.add_column(tag);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // The row id only tells rows apart; real files number them.
        table.add_row(static_cast<std::uint32_t>(i + 1), rows[i].items());
    }
    NodeContent content = table.build();
    return Subnode{kNidRecipientTable, std::move(content.data), std::move(content.subnodes)};
}

PropertyList MessageBuilder::attachment_properties(const Attachment& a, std::size_t index,
                                                   std::uint64_t serial, NodeContent* embedded) {
    const std::int32_t method = attach_method_of(a);
    PropertyList out;
    std::size_t size = a.data.size();
    if (a.embedded) {
        *embedded = build(*a.embedded, serial * 64 + index + 1);
        size = embedded->data.size();
    }
    out.set(pid::kAttachSize, pv_long(static_cast<std::int32_t>(
                                  std::min<std::size_t>(size + kAttachmentOverhead, 0x7FFFFFFF))));
    const std::string display = a.display_name.empty() ? a.filename : a.display_name;
    if (!display.empty()) {
        out.set(pid::kDisplayName, form_.value(display));
    }
    if (!a.embedded && method == kAttachByValue) {
        out.set(pid::kAttachDataBinary, pv_binary(a.data));
    }
    if (!a.filename.empty()) {
        out.set(pid::kAttachExtension, form_.value(extension_of(a.filename)));
        out.set(pid::kAttachFilename, form_.value(a.filename));
        out.set(pid::kAttachLongFilename, form_.value(a.filename));
    }
    out.set(pid::kAttachMethod, pv_long(method));
    out.set(pid::kRenderingPosition, pv_long(kRenderingPositionNone));
    if (!a.mime_type.empty()) {
        out.set(pid::kAttachMimeTag, form_.value(a.mime_type));
    }
    if (!a.content_id.empty()) {
        out.set(pid::kAttachContentId, form_.value(a.content_id));
    }
    if (!a.content_location.empty()) {
        out.set(pid::kAttachContentLocation, form_.value(a.content_location));
    }
    if (a.flags != 0) {
        out.set(pid::kAttachmentFlags, pv_long(static_cast<std::int32_t>(a.flags)));
    }
    out.set(pid::kAttachmentHidden, pv_bool(a.hidden));
    if (a.contact_photo) {
        out.set(pid::kAttachmentContactPhoto, pv_bool(true));
    }
    out.set(pid::kObjectType, pv_long(pid::kObjectTypeAttachment));
    apply_extra(a.extra, out);
    return out;
}

Subnode MessageBuilder::attachment_table(const std::vector<PropertyList>& attachments) const {
    TableContextBuilder table = make_table(TableKind::attachments, form_);
    const std::vector<std::uint32_t> columns = table_columns(TableKind::attachments, form_);
    for (std::size_t i = 0; i < attachments.size(); ++i) {
        table.add_row(attachment_nid(i), attachments[i].cells_for(columns));
    }
    NodeContent content = table.build();
    return Subnode{kNidAttachmentTable, std::move(content.data), std::move(content.subnodes)};
}

NodeContent MessageBuilder::node(const Message& message, const PropertyList& properties,
                                 std::uint64_t serial) {
    PropertyContextBuilder pc(form_.variant());
    for (const auto& [id, value] : properties.items()) {
        pc.set(id, value);
    }
    // A recipient table is required of every message ([MS-PST] 2.4.5.3); the
    // attachment table exists only with attachments (2.4.6).
    pc.add_subnode(recipient_table(message));
    if (!message.attachments.empty()) {
        std::vector<PropertyList> rows;
        for (std::size_t i = 0; i < message.attachments.size(); ++i) {
            const Attachment& a = message.attachments[i];
            NodeContent embedded;
            PropertyList props = attachment_properties(a, i, serial, &embedded);
            PropertyContextBuilder attachment_pc(form_.variant());
            for (const auto& [id, value] : props.items()) {
                attachment_pc.set(id, value);
            }
            if (!a.embedded && attach_method_of(a) == kAttachOle) {
                attachment_pc.set_object(pid::kAttachDataBinary,
                                         Subnode{kObjectStorageNid, a.data, {}});
            }
            if (a.embedded) {
                attachment_pc.set_object(pid::kAttachDataBinary,
                                         Subnode{kEmbeddedMessageNid, std::move(embedded.data),
                                                 std::move(embedded.subnodes)});
            }
            NodeContent content = attachment_pc.build();
            pc.add_subnode(
                Subnode{attachment_nid(i), std::move(content.data), std::move(content.subnodes)});
            rows.push_back(std::move(props));
        }
        pc.add_subnode(attachment_table(rows));
    }
    return pc.build();
}

NodeContent MessageBuilder::build(const Message& message, std::uint64_t serial) {
    const PropertyList props = properties(message, serial);
    return node(message, props, serial);
}

}  // namespace pstbuild
