// The two records of a run: the in-memory log that is shown when the run
// ends, and the conversion report file, which also lists every item. Each
// operation writes one event of the run into both records, or into the one
// it belongs to, with the texts and line ends users and support staff know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/export_protocols.h"
#include "export/export_result.h"
#include "export/export_settings.h"
#include "export/report_file.h"
#include "export/run_record.h"

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

// The run footer's lines for what the run lost, one per kind of problem that
// occurred ("Items skipped because they could not be read: 3\r\n"); empty
// when nothing was lost.
std::string ProblemLines(const RunProblems& problems);

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

// What else a folder's footer tells.
struct FolderTrouble {
    std::uint32_t incomplete = 0;  // converted items with parts missing
    std::string failure;           // why an output failed (status 2): path and system text
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
    // After the session header of an ANSI file: "8-bit text decoded with "
    // and the code page's description (model::CodePageDescription).
    void codePageLine(const std::string& description);
    // A folder of another message store than the previous folder.
    void storeSeparator();
    void folderHeader(const std::string& fullFolderPath, std::int64_t contentCount);
    // File only: an item's text (MailItemText and the like) and its line ends.
    void itemLine(const std::string& text);
    // File only: the item before could not be converted, and why.
    void skippedItem(const std::string& reason = {});
    // File only: the item before was written with these parts missing.
    void incompleteItem(const std::vector<std::string>& losses);
    // An input file that could not be read, or only in part.
    void unreadableFile(const UnreadableFile& file);
    // The folder whose header was written last could not be read.
    void unreadableFolder(const std::string& pstFilePath, const std::string& reason);
    void folderFooter(const FolderFooter& footer, const FolderTrouble& trouble = {});
    // An error that stopped a folder.
    void folderException(const std::string& reason);
    // `failure`: what stopped a failed run, shown before the disk text.
    void runFooter(const ExportResult& result, const std::string& outputFolderPath,
                   const RunProblems& problems = {}, const std::string& failure = {});
    // The PST file could not be read on.
    void corruptPST();

private:
    void both(const std::string& text);

    ILogger& m_log;
    ReportFile& m_file;
};

}  // namespace mailwright::exporting
