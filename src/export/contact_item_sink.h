// The sink of the contacts exporter: each contact's vCard goes either into
// a merged file, followed by an empty line, or into a file of its own named
// after the contact and its number in the folder, or, for the archive
// package, by the contact's number in the run (ArchiveItemName).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "export/item_sink.h"
#include "export/output_file.h"
#include "formats/mime_contact_writer.h"

namespace mailwright::exporting {

class ContactItemSink : public ItemSink {
public:
    // Without `mergedPath`, one file per contact in `directory`; with
    // `archiveNumber`, named by that run-wide number, which grows by one
    // per contact file.
    ContactItemSink(std::unique_ptr<formats::MIMEContactWriter> writer, std::string directory,
                    std::optional<std::string> mergedPath, std::uint32_t* archiveNumber = nullptr);

    // Opens the merged file for appending; false when it cannot be opened.
    // Nothing to open without merging.
    bool open();

    std::string itemText(const model::Message& item) const override;
    std::string corruptItemText(const std::string& reason) const override;
    std::string conversionErrorText(const model::Message& item,
                                    const std::string& reason) const override;
    void produce(model::Message& item, std::ostream& out) override;
    bool write(const model::Message& item, const std::string& text) override;
    bool finish() override;

private:
    std::unique_ptr<formats::MIMEContactWriter> m_writer;
    std::string m_directory;
    std::optional<std::string> m_mergedPath;
    OutputFile m_merged;
    std::uint32_t m_fileNumber = 1;
    std::uint32_t* m_archiveNumber;
};

}  // namespace mailwright::exporting
