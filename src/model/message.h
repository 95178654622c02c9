// One message of the session model: the fields a message list shows (sender,
// date, subject, read state, size), read once when the Message is made, and
// the PST layer's message for everything else. A Message keeps its session
// alive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pstread/pst/message.h"
#include "text/time_zone.h"

namespace mailwright::model {

class PSTSession;

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

    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    pstread::message& getMessage() { return m_messageP; }
    const pstread::message& getMessage() const { return m_messageP; }

    const std::string& senderName() const { return m_senderName; }
    // "%A, %d %b %Y %I:%M:%S %p" ("Monday, 05 Jan 2009 03:04:05 PM"), or
    // empty.
    const std::string& sentOn() const { return m_sentOn; }
    const std::string& subject() const { return m_subject; }
    bool isRead() const { return m_isRead; }
    std::uint32_t messageSize() const { return m_messageSize; }
    // One of the kMessage* kinds of item_kinds.h.
    std::int32_t messageClass() const { return m_messageClass; }
    const std::shared_ptr<PSTSession>& ownerSession() const { return m_ownerSession; }

private:
    // The constructor is public for std::make_shared, but only the class can
    // make the key it takes.
    struct Private {
        explicit Private() = default;
    };

public:
    Message(Private, pstread::message message, std::shared_ptr<PSTSession> session)
        : m_messageP(std::move(message)), m_ownerSession(std::move(session)) {}

private:
    void readFields(const text::DateTimeZone& zone);

    pstread::message m_messageP;
    std::string m_senderName;
    std::string m_sentOn;
    std::string m_subject;
    bool m_isRead = true;
    std::uint32_t m_messageSize = 0;
    std::int32_t m_messageClass = 4;
    std::shared_ptr<PSTSession> m_ownerSession;
};

}  // namespace mailwright::model
