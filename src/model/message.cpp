#include "model/message.h"

#include <bit>
#include <optional>
#include <stdexcept>

#include "model/item_kinds.h"
#include "model/pst_session.h"
#include "model/sent_on_format.h"
#include "pstread/pst/property_ids.h"
#include "text/time_conversion.h"
#include "text/whole_value_conversion.h"

namespace mailwright::model {
namespace {

// A PT_SYSTIME value, or an OLE automation date for PT_APPTIME; nothing for
// an OLE date that stands for no time.
std::optional<text::Instant> readInstant(const pstread::property_bag& bag, pstread::prop_id id) {
    const std::uint64_t raw = bag.value_8(id);
    if (bag.property_type(id) == pstread::prop_type_apptime) {
        return text::ole_date_to_instant(std::bit_cast<double>(raw));
    }
    return text::filetime_to_instant(raw);
}

}  // namespace

std::shared_ptr<Message> Message::initWithMessage(pstread::message message,
                                                  std::shared_ptr<PSTSession> session,
                                                  const text::DateTimeZone& zone) {
    if (!session) {
        throw std::invalid_argument("Message: a message needs its session");
    }
    auto made = std::make_shared<Message>(Private{}, std::move(message), std::move(session));
    made->readFields(zone);
    return made;
}

std::shared_ptr<Message> Message::initWithFields(MessageFields fields,
                                                 std::shared_ptr<PSTSession> session) {
    if (!session) {
        throw std::invalid_argument("Message: a message needs its session");
    }
    auto made = std::make_shared<Message>(Private{}, std::nullopt, std::move(session));
    made->m_fields = std::move(fields);
    return made;
}

pstread::message& Message::getMessage() {
    if (!m_messageP) {
        throw std::logic_error("Message: this message was read by another session");
    }
    return *m_messageP;
}

const pstread::message& Message::getMessage() const {
    return const_cast<Message*>(this)->getMessage();
}

void Message::readFields(const text::DateTimeZone& zone) {
    using namespace pstread;
    property_bag& bag = m_messageP->get_property_bag();
    bag.set_charset(m_ownerSession->itemCodePages().rowFor(bag));

    if (bag.has_property(pid_tag_message_size)) {
        m_fields.messageSize = bag.inline_value_4(pid_tag_message_size);
    }
    if (bag.has_property(pid_tag_sender_name)) {
        m_fields.senderName = bag.read_utf8string(pid_tag_sender_name);
    }
    if (bag.has_property(pid_tag_message_class)) {
        m_fields.messageClass =
            messageKindOfMessageClass(bag.read_utf8string(pid_tag_message_class));
    }
    if (m_fields.messageClass == kMessageNote || m_fields.messageClass == kMessageAppointment) {
        const prop_id time = bag.has_property(pid_tag_client_submit_time)
                                 ? pid_tag_client_submit_time
                                 : pid_tag_message_delivery_time;
        if (bag.has_property(time)) {
            if (const auto instant = readInstant(bag, time)) {
                m_fields.sentOn = formatSentOn(*instant, zone);
            }
        }
    }
    if (bag.has_property(pid_tag_subject)) {
        m_fields.subject =
            text::utf16_to_utf8(remove_subject_prefix_marker(bag.read_unistring(pid_tag_subject)));
    }
    if (bag.has_property(pid_tag_message_flags)) {
        m_fields.isRead = (bag.inline_value_4(pid_tag_message_flags) & message_flag_read) != 0;
    }
}

}  // namespace mailwright::model
