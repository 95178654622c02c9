// The settings record of one run. The caller fills it, keeps it alive for
// the whole run and does not change it meanwhile; the agent only reads it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mailwright::model {
class MAPIFolder;
}

namespace mailwright::exporting {

// MailFormat values.
constexpr std::int32_t kMailFormatEML = 0;
constexpr std::int32_t kMailFormatMBOX = 1;

// ExportPacking values: the output layout of a run.
constexpr std::int32_t kPackingOutlookArchive = 0;
constexpr std::int32_t kPackingAppleApplications = 1;
constexpr std::int32_t kPackingThunderbird = 2;
constexpr std::int32_t kPackingSeparateFiles = 3;

// ContactStyle value: the style the output layout gives its contacts.
constexpr std::int32_t kContactStyleOfLayout = -1;
// An input file the caller could not read, or could read only in part (its
// folder tree broke off): the run names it in its records and ends
// "completed with errors".
struct UnreadableFile {
    std::string path;
    std::string reason;
    bool partly = false;  // some of its folders were read and are in ExportItems
};

struct _ExportSettings {
    // The folder the user chose; written into the report as the output path.
    std::string OutputFolderPath;
    // Base folders under which mail, contacts and calendar output is written.
    std::string MailsOutputFolderPath;
    std::string ContactsOutputFolderPath;
    std::string CalendarOutputFolderPath;
    // The conversion report file; empty: no report file is written.
    std::string ExtendedLogReportPath;
    std::int32_t MailFormat = kMailFormatMBOX;
    std::int32_t ExportPacking = kPackingSeparateFiles;
    // The selected folders in walk order. The caller keeps their sessions
    // alive for the run (a folder does not keep its session alive).
    std::vector<std::shared_ptr<model::MAPIFolder>> ExportItems;
    bool ReadUnreadSeparated = false;
    bool PreserveFolderHierarchy = true;
    bool MergeContacts = false;
    bool MergeCalendarEvents = false;
    bool MergeTasks = false;
    bool MergeNotes = false;
    bool WriteBEContacts = false;
    // How contact details without a vCard 3.0 property are written (the
    // contact styles of MIMEContactWriter: 2 extension properties, 1
    // address-book items, 0 the note); kContactStyleOfLayout lets the
    // destination choose.
    std::int32_t ContactStyle = kContactStyleOfLayout;
    // MBOX split size in megabytes; 0 never splits.
    std::int32_t MaxMBOXSizeInMB = 0;
    // 1 = convert, the only action there is.
    std::int32_t ExportAction = 1;
    // An earlier run's output of the same PST file in the mail base folder
    // is removed and replaced; otherwise the run writes beside it.
    bool ReplaceEarlierOutput = false;
    // Threads that make mail ahead of the run's own, each with a session of
    // its own on the folder's file; 1 or less: the run's thread makes every
    // message itself. The output is the same either way.
    std::int32_t Workers = 1;
    // Input files that could not be read before the run.
    std::vector<UnreadableFile> UnreadableFiles;
};

}  // namespace mailwright::exporting
