// The seam between the mail exporters and the writer that turns one PST
// message into text: the exporters decide where the text goes, a
// MessageTextWriter decides what it is.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace mailwright::model {
class Message;
class PSTSession;
}  // namespace mailwright::model

namespace mailwright::exporting {

// How a message is framed in its output file.
enum class MessageFraming {
    eml,   // a message file of its own: CR LF line ends
    mbox,  // one message of a mailbox: separator line, LF line ends, quoted body lines
};

class MessageTextWriter {
public:
    virtual ~MessageTextWriter() = default;
    // Writes the whole text of `message` into `out`. Throws when the message
    // cannot be read or converted; what was written is then discarded.
    virtual void writeMessage(std::ostream& out, model::Message& message) = 0;
    // What the message written last lost (attachments or bodies that could
    // not be read completely), one line each; empty when it is complete.
    virtual std::vector<std::string> losses() const { return {}; }
};

// Makes the writer for one folder's messages of `session`.
using MessageTextWriterFactory = std::function<std::unique_ptr<MessageTextWriter>(
    model::PSTSession& session, MessageFraming framing)>;

// The product's writer: MIME messages.
std::unique_ptr<MessageTextWriter> MakeMIMEMessageTextWriter(model::PSTSession& session,
                                                             MessageFraming framing);

}  // namespace mailwright::exporting
