// The export agent: converts the folders of one run's settings. It counts
// the items to convert, walks the selected folders in order, hands each to
// the exporter of its kind, adds up their results, keeps the log and the
// conversion report, reports progress and stops at a cancel request or a
// fatal error. It never throws to its caller: the outcome is the result's
// status.
//
//   _ExportSettings settings = ...;          // stays alive for the run
//   StringLogger log;
//   OutlookAssetsExportAgent agent(&settings);
//   ExportResult result = agent.DoExportWithProgressPresenter(presenter, log);
//
// One agent per run. The run goes on the calling thread; Cancel may be
// called from any other thread (or a signal handler) and takes effect after
// the item being converted.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/export_protocols.h"
#include "export/export_result.h"
#include "export/export_settings.h"
#include "export/message_text_writer.h"
#include "export/output_layout.h"
#include "export/report_file.h"
#include "export/run_record.h"

namespace mailwright::model {
class MAPIFolder;
class Message;
class PSTSession;
}  // namespace mailwright::model

namespace mailwright::formats {
class MIMECalendarWriter;
class MIMEContactWriter;
}  // namespace mailwright::formats

namespace mailwright::exporting {

class ConversionReport;
class ItemKindRouter;
class ItemSink;
class MergedCalendarFile;
class MessageLookahead;
struct PreparedMessage;
enum class ItemRoute : std::size_t;

// The first number of a run's calendar reference ids, made from the run's
// PST files.
std::uint32_t RunReferenceId(const std::vector<std::shared_ptr<model::MAPIFolder>>& folders);

class OutlookAssetsExportAgent : public ICancelable {
public:
    // Keeps the pointer; the settings must outlive the run. `writerFactory`
    // makes the writer of each mail folder's messages.
    explicit OutlookAssetsExportAgent(const _ExportSettings* settings,
                                      MessageTextWriterFactory writerFactory);
    explicit OutlookAssetsExportAgent(const _ExportSettings* settings)
        : OutlookAssetsExportAgent(settings, MakeMIMEMessageTextWriter) {}

    OutlookAssetsExportAgent(const OutlookAssetsExportAgent&) = delete;
    OutlookAssetsExportAgent& operator=(const OutlookAssetsExportAgent&) = delete;
    ~OutlookAssetsExportAgent() override;

    // Runs the whole conversion and returns its status and counters.
    ExportResult DoExportWithProgressPresenter(IProgressPresenter& presenter, ILogger& logger);
    // What the last run did, folder by folder, with its problem items.
    const RunRecord& runRecord() const { return _runRecord; }

    // Asks the run to stop after the item being converted. A cancel before
    // the run starts stops it before its first item.
    void Cancel() override { _canceled.store(true, std::memory_order_relaxed); }
    bool isCanceled() const { return _canceled.load(std::memory_order_relaxed); }

    // Progress after an item: `folderCount` items of the folder were
    // converted before it, of `sourceContentCount`.
    void UpdateProgressPresenterWithPresenter(IProgressPresenter& presenter,
                                              std::int64_t folderCount,
                                              std::int64_t sourceContentCount);

    // The exporters, one per kind of folder. Each writes its own item and
    // footer records and returns its status and count.
    ExportResult ExportFolderToMBOXWithFolder(const std::shared_ptr<model::MAPIFolder>& folder,
                                              IProgressPresenter& presenter, ILogger& logger);
    ExportResult ExportFolderToEMLWithFolder(const std::shared_ptr<model::MAPIFolder>& folder,
                                             IProgressPresenter& presenter, ILogger& logger);
    ExportResult ExportFolderToVCFWithFolder(const std::shared_ptr<model::MAPIFolder>& folder,
                                             IProgressPresenter& presenter, ILogger& logger);
    ExportResult ExportAppointmentFolderToICSWithFolder(
        const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
        ILogger& logger);

private:
    // One folder's export as it goes.
    struct FolderState {
        std::int32_t status = Success;
        std::uint32_t converted = 0;
        std::uint32_t skipped = 0;
        // Items no sink takes (free/busy data), neither converted nor
        // skipped.
        std::uint32_t leftOut = 0;
        std::uint32_t incomplete = 0;  // converted with parts missing
        std::string failure;           // why the output failed
        // Cursor calls left: one per contents table row, so a cursor that
        // keeps failing cannot hold the folder for ever.
        std::size_t callsLeft = 0;
    };

    FolderState startFolder(const model::MAPIFolder& folder) const;
    // Logs that the layout gave no output folder under `base` for `folder`.
    static void logNoOutputFolder(const model::MAPIFolder& folder, const std::string& base);
    // Takes every item of the folder through `sink` until the folder ends
    // or must stop (cancel, failed output). With `ahead`, the texts of the
    // folder's mail come from its workers where they could make them.
    void runItems(model::MAPIFolder& folder, ItemSink& sink, FolderState& state,
                  IProgressPresenter& presenter, ConversionReport& report,
                  MessageLookahead* ahead = nullptr);
    // Closes the sink's outputs; a failed close fails the folder.
    static void finishSink(ItemSink& sink, FolderState& state);
    // The next item of the folder, null at its end or when the folder must
    // stop. An item that cannot be read is skipped and recorded.
    std::shared_ptr<model::Message> nextItem(model::MAPIFolder& folder, const ItemSink& sink,
                                             FolderState& state, ConversionReport& report);
    // The next item when its worker made it: the cursor moves past it
    // without reading it. Null when the folder must stop.
    std::shared_ptr<model::Message> nextPreparedItem(model::MAPIFolder& folder, FolderState& state,
                                                     PreparedMessage& prepared);
    // `item`: the item's report text, empty when it could not be read.
    void skipItem(FolderState& state, ConversionReport& report, const std::string& diagnostic,
                  const std::string& item, const std::string& reason);
    // Records a written item that lost parts.
    void itemIncomplete(FolderState& state, ConversionReport& report, const std::string& item,
                        std::vector<std::string> losses);
    // Shows the item with the current progress label and records it in
    // the report file.
    void announceItem(const model::MAPIFolder& folder, const ItemSink& sink,
                      const model::Message& item, const FolderState& state,
                      IProgressPresenter& presenter, ConversionReport& report);
    // The item's text, or false after recording it as skipped.
    bool produceItem(ItemSink& sink, model::Message& item, std::string& text, FolderState& state,
                     ConversionReport& report);
    // Counts a written item, shows the progress and takes a cancel request.
    void itemConverted(const model::MAPIFolder& folder, FolderState& state,
                       IProgressPresenter& presenter);
    void takeCancelRequest(FolderState& state) const;
    // The folder footer and the folder's result. With `router`, the
    // folder's own items are those it kept, and the others are counted by
    // their kind.
    ExportResult finishFolder(FolderState& state, ConversionReport& report,
                              const std::string& kindWord, const std::string& savedIn,
                              std::optional<std::string> referencesSavedIn = std::nullopt,
                              const ItemKindRouter* router = nullptr);
    // Makes, for a folder's router, the contacts and calendar sinks that
    // write beside the folder's own output in `directory`.
    std::function<std::unique_ptr<ItemSink>(ItemRoute)> sinksBesideFolder(
        const std::shared_ptr<model::MAPIFolder>& folder, const std::string& directory);
    // The folder's result from its router's counts: the folder's own items
    // into `ownCount`, the others by kind, reference mails as mail.
    static void countRoutedItems(const ItemKindRouter& router, ExportResult& result,
                                 std::uint32_t ExportResult::*ownCount);
    std::unique_ptr<MessageTextWriter> makeWriter(const model::MAPIFolder& folder,
                                                  MessageFraming framing) const;
    // The workers of a mail folder when the run has them; null when it has
    // none or the folder's file cannot be opened again.
    std::unique_ptr<MessageLookahead> mailLookahead(const model::MAPIFolder& folder,
                                                    MessageFraming framing);
    // The vCard writer of a contacts folder's store, in the run's style.
    std::unique_ptr<formats::MIMEContactWriter> makeContactWriter(
        const model::MAPIFolder& folder) const;
    // The iCalendar writer of a calendar folder's store; `mailboxReferences`
    // frames reference mails for a mailbox.
    std::unique_ptr<formats::MIMECalendarWriter> makeCalendarWriter(const model::MAPIFolder& folder,
                                                                    bool mailboxReferences) const;

    // The run's one calendar file at `path`, opened by the first folder
    // that asks; null when it cannot be opened.
    MergedCalendarFile* runCalendar(const std::string& path);
    // Writes the run's calendar file, if a folder opened one; false when it
    // could not be written.
    bool finishRunCalendar();

    void resetRunState();
    // The PST suffix of a PST file's output folder when the walk reaches the
    // file: earlier output of the same file is named in the log (or removed
    // with ReplaceEarlierOutput) and the folder is marked as this file's.
    std::int32_t startPSTOutput(const model::PSTSession& session, ILogger& logger);
    // The walk over ExportItems. A folder that cannot be read is reported
    // and passed over; a cancel or a failed output stops the walk.
    void walkFolders(IProgressPresenter& presenter, ILogger& logger, ConversionReport& report,
                     ExportResult& run);
    ExportResult exportFolder(const std::shared_ptr<model::MAPIFolder>& folder,
                              IProgressPresenter& presenter, ILogger& logger);
    // Adds a folder's result into the run's and records the folder.
    void addFolderResult(const ExportResult& result, const std::string& error, ExportResult& run);
    static void resetPresenter(IProgressPresenter& presenter);

    const _ExportSettings* _exportSettingsP;
    MessageTextWriterFactory _writerFactory;
    std::unique_ptr<OutputLayout> _layout;
    std::unique_ptr<ReportFile> extendedLogFileHandle;

    std::atomic<bool> _canceled{false};
    std::uint32_t _totalItemsToExport = 0;
    std::uint32_t _numberOfItemsExported = 0;
    std::int32_t _lastPSTSuffix = -1;
    // The PST suffix each PST file of the run was given, so that its
    // folders all go into one output folder even when the selection
    // returns to the file after another.
    std::map<const model::PSTSession*, std::int32_t> _pstSuffixes;
    // The workers' own sessions of each PST file, opened at the file's first
    // mail folder and closed with the run; none when they cannot be opened.
    std::map<const model::PSTSession*, std::vector<std::shared_ptr<model::PSTSession>>>
        _workerSessions;
    // Running numbers and run-wide file choices of the contact and
    // calendar exporters.
    std::uint32_t _contactSuffix = 0;
    std::uint32_t _calendarSuffix = 0;
    std::int32_t _mergeContactSuffixValue = -1;
    std::int32_t _mergeCalendarEventSuffixValue = -1;
    std::int32_t _mergeCalendarMailRefSuffixValue = -1;
    std::uint32_t _refUID = 0;
    std::unique_ptr<MergedCalendarFile> _runCalendar;
    // The run's record, and the folder being exported's place in it.
    RunRecord _runRecord;
    std::string _currentFilePath;
    std::string _currentFolderPath;
    FolderRecord _currentFolderRecord;
};

}  // namespace mailwright::exporting
