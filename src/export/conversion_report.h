// The two records of a run: the in-memory log that is shown when the run
// ends, and the conversion report file, which also lists every item. Each
// operation writes one event of the run into both records, or into the one
// it belongs to, with the texts and line ends users and support staff know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/export_protocols.h"
#include "export/export_result.h"
#include "export/report_file.h"

namespace mailwright::exporting {

// The separator line: 74 hyphens and CR LF.
extern const std::string kReportSeparator;
// The disk texts of a folder footer and of the run footer.
extern const std::string kFileStreamFailMessage;
extern const std::string kRunDiskFailMessage;

// The line that introduces a mail item in the report file and shows as the
// progress message: "From: %@\r\nDate: %@\r\nSubject: %@".
std::string MailItemText(const std::string& sender, const std::string& date,
                         const std::string& subject);

// The end of one folder's export.
struct FolderFooter {
    std::uint32_t converted = 0;
    std::string kindWord;  // "emails", "contacts" or "calendar events"
    std::uint32_t skipped = 0;
    std::int32_t status = Success;
    std::string savedIn;
    std::optional<std::string> referencesSavedIn;  // calendar exports only
    // Items of a mail folder converted by their own kind beside its mail,
    // and items left out (free/busy data).
    std::uint32_t contacts = 0;
    std::uint32_t calendarEvents = 0;
    std::uint32_t leftOut = 0;
};

class ConversionReport {
public:
    // `file` may write nowhere (a run without a report file).
    ConversionReport(ILogger& log, ReportFile& file) : m_log(log), m_file(file) {}

    // Log only: the output path with the folder names is too long.
    void pathTooLong(const std::string& path);
    // A folder of another PST file than the previous folder; no path: the
    // folder has no session.
    void sessionHeader(const std::optional<std::string>& pstFilePath);
    // A folder of another message store than the previous folder.
    void storeSeparator();
    void folderHeader(const std::string& fullFolderPath, std::int64_t contentCount);
    // File only: an item's text (MailItemText and the like) and its line ends.
    void itemLine(const std::string& text);
    // File only: the item before could not be converted.
    void skippedItem();
    void folderFooter(const FolderFooter& footer);
    // An error that stopped a folder.
    void folderException(const std::string& reason);
    void runFooter(const ExportResult& result, const std::string& outputFolderPath);
    // The PST file could not be read on.
    void corruptPST();

private:
    void both(const std::string& text);

    ILogger& m_log;
    ReportFile& m_file;
};

}  // namespace mailwright::exporting
