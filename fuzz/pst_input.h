// Fuzz input for the messaging layer and the session model: opens the bytes
// as a PST file held in memory through a session, walks the folder tree
// (children of every folder, every message through the folder's cursor),
// reads each message's list fields, bodies, recipients and attachments,
// opening embedded messages recursively, and finally changes the code page,
// which decodes every folder name again. Every message also goes through
// the iCalendar writer, as a calendar folder's items do, with the zone
// descriptions and recurrence pattern it may carry, and through the vCard
// writer, as a contacts folder's items do. The reader's exceptions are
// expected; crashes, hangs and sanitizer reports are not. The work per input
// is capped, so a file whose tables claim a great deal stays cheap.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <sstream>

#include "formats/mime_calendar_writer.h"
#include "formats/mime_contact_writer.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/message.h"
#include "pstread/pst/property_ids.h"

namespace pst_fuzzing {

struct budget {
    std::size_t folders = 500;
    std::size_t messages = 1000;
    std::size_t parts = 4000;  // recipients and attachments
    std::uint64_t bytes = 16u << 20;

    bool spend(std::size_t& left) { return left > 0 && left-- > 0; }
};

// Reads up to the byte budget of a value stream.
inline void drain(pstread::hnid_stream_device device, budget& left) {
    std::array<char, 4096> chunk{};
    while (left.bytes > 0) {
        const std::streamsize got = device.read(chunk.data(), chunk.size());
        if (got <= 0) {
            return;
        }
        left.bytes -= std::min<std::uint64_t>(left.bytes, static_cast<std::uint64_t>(got));
    }
}

inline void read_contents(const pstread::message& m, budget& left) {
    try {
        if (m.has_subject()) {
            (void)m.get_subject();
        }
        if (m.has_body()) {
            drain(m.open_body_stream(), left);
        }
        if (m.has_html_body()) {
            drain(m.open_html_body_stream(), left);
        }
    } catch (const std::exception&) {
    }
    try {
        (void)m.get_recipient_count();
        for (const pstread::recipient& r : m.recipients()) {
            if (!left.spend(left.parts)) {
                return;
            }
            try {
                (void)r.get_name();
                (void)r.get_type();
                if (r.has_smtp_address()) {
                    (void)r.get_smtp_address();
                }
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception&) {
    }
    try {
        (void)m.get_attachment_count();
        for (const pstread::attachment& a : m.attachments()) {
            if (!left.spend(left.parts)) {
                return;
            }
            try {
                if (a.is_message()) {
                    read_contents(a.open_as_message(), left);
                } else if (a.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
                    drain(a.open_byte_stream(), left);
                }
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception&) {
    }
}

// The calendar path of a message: its VEVENTs, moved occurrences and
// reference mail.
inline void write_calendar(pstread::message& m, mailwright::formats::MIMECalendarWriter& writer) {
    try {
        std::ostringstream reference;
        (void)writer.writeItem(&reference, m, u"Ref - ", u"note", false, true);
    } catch (const std::exception&) {
    }
}

// The contact path of a message: its vCard in the address-book style.
inline void write_as_contact(pstread::message& m, mailwright::formats::MIMEContactWriter& writer) {
    std::ostringstream card;
    try {
        writer.writeContact(card, m);
    } catch (const std::exception&) {
    }
}

inline void walk_folder(mailwright::model::MAPIFolder& folder, budget& left,
                        mailwright::formats::MIMECalendarWriter& calendar,
                        mailwright::formats::MIMEContactWriter& contacts) {
    if (!left.spend(left.folders)) {
        return;
    }
    (void)folder.contentCount();
    try {
        folder.ResetQuery();
        for (;;) {
            if (!left.spend(left.messages)) {
                break;
            }
            try {
                const auto m = folder.queryMessage();
                if (!m) {
                    break;
                }
                read_contents(m->getMessage(), left);
                write_calendar(m->getMessage(), calendar);
                write_as_contact(m->getMessage(), contacts);
            } catch (const std::exception&) {
                // The cursor has moved past the message.
            }
        }
    } catch (const std::exception&) {
        // No contents table.
    }
    try {
        for (const auto& child : folder.getFolders()) {
            walk_folder(*child, left, calendar, contacts);
        }
    } catch (const std::exception&) {
    }
}

inline void fuzz_pst(const std::uint8_t* data, std::size_t size) {
    budget left;
    try {
        mailwright::platform::InMemoryUserDefaults defaults(
            {{mailwright::model::kDefaultCodePageKey, std::int64_t{1252}}});
        const auto session = mailwright::model::PSTSession::initWithDatabase(
            pstread::open_database(std::make_shared<const pstread::database_file>(
                pstread::byte_buffer(data, data + size), "fuzz.pst")),
            "fuzz.pst", defaults);
        mailwright::formats::MIMECalendarWriter calendar(false, session->isUnicodePST(), 1252);
        calendar.resolveNamedPropIds(session->pstSession());
        calendar.setSystemTimeZone(mailwright::text::DateTimeZone::gmt());
        mailwright::formats::MIMEContactWriter contacts(
            mailwright::formats::kContactStyleAddressBook, 1252, session->isUnicodePST(),
            session->pstSession());
        walk_folder(*session->getRootStore()->getSubTreeFolder(), left, calendar, contacts);
        // Decodes every name again and builds the folders the walk did not
        // reach.
        session->setPstDefaultCodePage(1251);
    } catch (const std::exception&) {
        // Rejected as a whole: fine.
    }
}

}  // namespace pst_fuzzing

inline void fuzz_pst(const std::uint8_t* data, std::size_t size) {
    pst_fuzzing::fuzz_pst(data, size);
}
