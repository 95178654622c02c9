#include "export/mail_item_sink.h"

#include "export/conversion_report.h"
#include "model/message.h"

namespace mailwright::exporting {

std::string MailItemSink::itemText(const model::Message& item) const {
    return MailItemText(item.senderName(), item.sentOn(), item.subject());
}

std::string MailItemSink::corruptItemText(const std::string& reason) const {
    return reason.empty() ? "Corrupt Message found." : "Corrupt Message found. " + reason;
}

std::string MailItemSink::conversionErrorText(const model::Message& item,
                                              const std::string& reason) const {
    const std::string quoted = reason.empty() ? "" : ": \"" + reason + "\"";
    return "Conversion error" + quoted + " in following Mail\n: Sender: " + item.senderName() +
           "\nDate " + item.sentOn() + " \nSubject: " + item.subject();
}

void MailItemSink::produce(model::Message& item, std::ostream& out) {
    m_writer->writeMessage(out, item);
}

}  // namespace mailwright::exporting
