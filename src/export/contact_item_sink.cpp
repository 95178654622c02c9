#include "export/contact_item_sink.h"

#include "export/archive_item_name.h"
#include "export/new_item_file.h"
#include "export/output_paths.h"
#include "model/message.h"
#include "platform/system_log.h"

namespace mailwright::exporting {

ContactItemSink::ContactItemSink(std::unique_ptr<formats::MIMEContactWriter> writer,
                                 std::string directory, std::optional<std::string> mergedPath,
                                 std::uint32_t* archiveNumber)
    : m_writer(std::move(writer)),
      m_directory(std::move(directory)),
      m_mergedPath(std::move(mergedPath)),
      m_archiveNumber(archiveNumber) {}

bool ContactItemSink::open() {
    if (!m_mergedPath) {
        return true;
    }
    m_merged = OutputFile::open(*m_mergedPath, OutputFile::Mode::append);
    if (!m_merged.isOpen()) {
        platform::log_line("File opening failed for " + *m_mergedPath + ": " +
                           m_merged.errorText());
    }
    return m_merged.isOpen();
}

std::string ContactItemSink::itemText(const model::Message& item) const {
    return "Contact.\r\nName: " + item.subject();
}

std::string ContactItemSink::corruptItemText(const std::string& reason) const {
    return reason.empty() ? "Corrupt contact found." : "Corrupt contact found. " + reason;
}

std::string ContactItemSink::conversionErrorText(const model::Message& item,
                                                 const std::string& reason) const {
    const std::string quoted = reason.empty() ? "" : ": \"" + reason + "\"";
    return "Corrupt contact found" + quoted + " in following Contact\n: Name: " + item.subject();
}

void ContactItemSink::produce(model::Message& item, std::ostream& out) {
    m_writer->writeContact(out, item.getMessage());
}

bool ContactItemSink::write(const model::Message& item, const std::string& text) {
    if (!m_mergedPath && m_archiveNumber) {
        const std::string name = ArchiveItemName(kArchiveContactPrefix, (*m_archiveNumber)++);
        return WriteNewFile(JoinPath(m_directory, name), text + "\r\n");
    }
    if (!m_mergedPath) {
        // A card file of its own ends its last line like every other.
        return WriteNewItemFile(m_directory, item.subject(), m_fileNumber++, "vcf", text + "\r\n");
    }
    // One write, so that a failing disk leaves no card without its end.
    if (m_merged.write(text + "\r\n\r\n")) {
        return true;
    }
    platform::log_line("Cannot write " + m_merged.path() + ": " + m_merged.errorText());
    return false;
}

bool ContactItemSink::finish() {
    if (!m_mergedPath || !m_merged.isOpen()) {
        return true;
    }
    const bool closed = m_merged.close();
    if (!closed) {
        platform::log_line("Cannot write " + m_merged.path() + ": " + m_merged.errorText());
    }
    return closed;
}

}  // namespace mailwright::exporting
