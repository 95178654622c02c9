// One message of the session model: the fields a message list shows (sender,
// date, subject, read state, size), read once when the Message is made, and
// the PST layer's message for everything else. A Message keeps its session
// alive.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pstread/pst/message.h"
#include "text/time_zone.h"

namespace mailwright::model {

class PSTSession;

// What a message list shows of a message, and all the item loop needs of it.
struct MessageFields {
    std::string senderName;
    std::string sentOn;
    std::string subject;
    bool isRead = true;
    std::uint32_t messageSize = 0;
    std::int32_t messageClass = 4;  // one of the kMessage* kinds of item_kinds.h
};

class Message {
public:
    // Decodes the message's 8-bit strings as the session's itemCodePages
    // say (the message's own code page unless the user gave one) and reads
    // the fields. A message without PidTagMessageSize has size 0. The
    // date (mail and appointments only) is the submit time, else the
    // delivery time, shown in `zone`; an OLE automation date (PT_APPTIME) is
    // converted like a FILETIME one, and one outside the years 100 to 9999
    // leaves the date empty.
    static std::shared_ptr<Message> initWithMessage(pstread::message message,
                                                    std::shared_ptr<PSTSession> session,
                                                    const text::DateTimeZone& zone);
    // A message whose fields were read, and whose text was made, by another
    // session of the same file: it has no PST message of its own, and
    // getMessage throws std::logic_error.
    static std::shared_ptr<Message> initWithFields(MessageFields fields,
                                                   std::shared_ptr<PSTSession> session);

    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    pstread::message& getMessage();
    const pstread::message& getMessage() const;

    const MessageFields& fields() const { return m_fields; }
    const std::string& senderName() const { return m_fields.senderName; }
    // "%A, %d %b %Y %I:%M:%S %p" ("Monday, 05 Jan 2009 03:04:05 PM"), or
    // empty.
    const std::string& sentOn() const { return m_fields.sentOn; }
    const std::string& subject() const { return m_fields.subject; }
    bool isRead() const { return m_fields.isRead; }
    std::uint32_t messageSize() const { return m_fields.messageSize; }
    // One of the kMessage* kinds of item_kinds.h.
    std::int32_t messageClass() const { return m_fields.messageClass; }
    const std::shared_ptr<PSTSession>& ownerSession() const { return m_ownerSession; }

private:
    // The constructor is public for std::make_shared, but only the class can
    // make the key it takes.
    struct Private {
        explicit Private() = default;
    };

public:
    Message(Private, std::optional<pstread::message> message, std::shared_ptr<PSTSession> session)
        : m_messageP(std::move(message)), m_ownerSession(std::move(session)) {}

private:
    void readFields(const text::DateTimeZone& zone);

    std::optional<pstread::message> m_messageP;
    MessageFields m_fields;
    std::shared_ptr<PSTSession> m_ownerSession;
};

}  // namespace mailwright::model
