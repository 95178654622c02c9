// What the mail sinks share: mail items are shown by sender, date and
// subject, and their text comes from the folder's message writer.
#pragma once

#include <memory>

#include "export/item_sink.h"
#include "export/message_text_writer.h"

namespace mailwright::exporting {

class MailItemSink : public ItemSink {
public:
    explicit MailItemSink(std::unique_ptr<MessageTextWriter> writer)
        : m_writer(std::move(writer)) {}

    std::string itemText(const model::Message& item) const override;
    std::string corruptItemText(const std::string& reason) const override;
    std::string conversionErrorText(const model::Message& item,
                                    const std::string& reason) const override;
    void produce(model::Message& item, std::ostream& out) override;
    std::vector<std::string> losses() const override { return m_writer->losses(); }

private:
    std::unique_ptr<MessageTextWriter> m_writer;
};

}  // namespace mailwright::exporting
