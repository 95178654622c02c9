// The product's message writer for the mail exporters: MIME messages, in
// MBOX framing or as message files.
#include "export/message_text_writer.h"
#include "formats/item_identity.h"
#include "formats/meeting_calendar.h"
#include "formats/mime_calendar_writer.h"
#include "formats/mime_mail_writer.h"
#include "model/message.h"
#include "model/pst_session.h"

namespace mailwright::exporting {
namespace {

class MIMEMessageTextWriter : public MessageTextWriter {
public:
    MIMEMessageTextWriter(model::PSTSession& session, MessageFraming framing)
        : m_writer(framing == MessageFraming::mbox, framing == MessageFraming::mbox,
                   session.isUnicodePST(),
                   static_cast<std::uint32_t>(session.pstDefaultCodePage())),
          m_calendar(false, session.isUnicodePST(),
                     static_cast<std::uint32_t>(session.pstDefaultCodePage())) {
        m_writer.setFollowItemCodePages(session.itemCodePages().followItems);
        m_calendar.setFollowItemCodePages(session.itemCodePages().followItems);
        m_writer.setContentTypePropId(formats::ResolveContentTypePropId(session.pstSession()));
        m_writer.setStoreKey(formats::StoreRecordKey(session.pstSession()));
        // Meeting messages carry their meeting as a text/calendar part.
        m_calendar.resolveNamedPropIds(session.pstSession());
        m_writer.setMeetingCalendarMaker(
            [this](pstread::message& message, std::string_view method) {
                return formats::MeetingCalendarText(m_calendar, message, method);
            });
    }

    void writeMessage(std::ostream& out, model::Message& message) override {
        m_writer.writeMessage(out, &message.getMessage());
    }

    std::vector<std::string> losses() const override { return m_writer.losses(); }

private:
    formats::MIMEMailWriter m_writer;
    formats::MIMECalendarWriter m_calendar;
};

}  // namespace

std::unique_ptr<MessageTextWriter> MakeMIMEMessageTextWriter(model::PSTSession& session,
                                                             MessageFraming framing) {
    return std::make_unique<MIMEMessageTextWriter>(session, framing);
}

}  // namespace mailwright::exporting
