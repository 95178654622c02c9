#include "export/outlook_assets_export_agent.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "export/conversion_report.h"
#include "export/merged_calendar_file.h"
#include "export/output_paths.h"
#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/current_exception_reason.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/types.h"

namespace mailwright::exporting {
namespace {

std::uint32_t clamp_to_counter(std::int64_t value) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::uint32_t>::max()));
}

// a / b in percent as the progress bars take it; 100 for an empty whole.
float percent(double part, double whole) {
    return whole > 0 ? static_cast<float>(part / whole * 100.0) : 100.0f;
}

std::shared_ptr<model::PSTSession> session_of(const model::MAPIFolder& folder) {
    const auto store = folder.ownerStore();
    return store ? store->ownerSession() : nullptr;
}

// The reason of the exception being handled when it means that the PST
// file could not be read there (a damaged or truncated structure, a key
// the file should hold); nothing for other failures.
std::optional<std::string> read_fault_reason() {
    try {
        throw;
    } catch (const pstread::database_corrupt& error) {
        return error.what();
    } catch (const std::out_of_range& error) {
        return error.what();
    } catch (const pstread::key_not_found<pstread::node_id>& missing) {
        return "no node " + pstread::to_hex(missing.which());
    } catch (const pstread::key_not_found<pstread::block_id>& missing) {
        return "no block " + pstread::to_hex(missing.which());
    } catch (const pstread::key_not_found<pstread::prop_id>& missing) {
        return "no property " + pstread::to_hex(missing.which());
    } catch (...) {
        return std::nullopt;
    }
}

// The folder's path for the report; a stand-in when its ancestry cannot
// be read.
std::string folder_path_or_placeholder(const model::MAPIFolder& folder) {
    try {
        return folder.fullFolderPath();
    } catch (const std::exception&) {
        return "(a folder whose path cannot be read)";
    }
}

// The file as the run's record keeps it, and for an ANSI file the line
// that says how its 8-bit text is decoded.
void noteInputFile(const model::PSTSession& session, ConversionReport& report, RunRecord& record) {
    for (const InputFileRecord& known : record.inputs) {
        if (known.path == session.pstFilePath()) {
            return;
        }
    }
    InputFileRecord input{session.pstFilePath(), session.isUnicodePST()};
    if (!session.isUnicodePST() && session.decodingCharset() != nullptr) {
        input.codePage = session.decodingCharset();
        input.codePageSource = session.codePageChoice().source;
        report.codePageLine(model::CodePageDescription(*input.codePage, input.codePageSource));
    }
    record.inputs.push_back(std::move(input));
}

}  // namespace

std::uint32_t RunReferenceId(const std::vector<std::shared_ptr<model::MAPIFolder>>& folders) {
    // FNV-1a over the file names of the run's PST files: the same files give
    // the same reference ids in every conversion, so that output does not
    // depend on the clock.
    std::uint32_t hash = 0x811C9DC5u;
    std::shared_ptr<model::PSTSession> previous;
    for (const auto& folder : folders) {
        const auto session = session_of(*folder);
        if (!session || session == previous) {
            continue;
        }
        previous = session;
        for (const char c : PSTFileName(*session) + "/") {
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x01000193u;
        }
    }
    // Positive as a signed number, as the reference ids are read.
    return hash & 0x7FFFFFFFu;
}

OutlookAssetsExportAgent::OutlookAssetsExportAgent(const _ExportSettings* settings,
                                                   MessageTextWriterFactory writerFactory)
    : _exportSettingsP(settings), _writerFactory(std::move(writerFactory)) {}

OutlookAssetsExportAgent::~OutlookAssetsExportAgent() = default;

void OutlookAssetsExportAgent::resetRunState() {
    _totalItemsToExport = 0;
    _numberOfItemsExported = 0;
    _lastPSTSuffix = -1;
    _pstSuffixes.clear();
    _workerSessions.clear();
    _contactSuffix = 0;
    _calendarSuffix = 0;
    _mergeContactSuffixValue = -1;
    _mergeCalendarEventSuffixValue = -1;
    _mergeCalendarMailRefSuffixValue = -1;
    _refUID = RunReferenceId(_exportSettingsP->ExportItems);
    _runCalendar.reset();
    const _ExportSettings& settings = *_exportSettingsP;
    _layout =
        MakeOutputLayout(settings.ExportPacking,
                         {settings.OutputFolderPath, settings.MailsOutputFolderPath,
                          settings.ContactsOutputFolderPath, settings.CalendarOutputFolderPath});
    _runRecord = RunRecord{};
    _currentFilePath.clear();
    _currentFolderPath.clear();
}

MergedCalendarFile* OutlookAssetsExportAgent::runCalendar(const std::string& path) {
    if (!_runCalendar) {
        auto calendar = std::make_unique<MergedCalendarFile>(path);
        if (!calendar->open()) {
            return nullptr;
        }
        _runCalendar = std::move(calendar);
    }
    return _runCalendar.get();
}

bool OutlookAssetsExportAgent::finishRunCalendar() {
    if (!_runCalendar) {
        return true;
    }
    const bool written = _runCalendar->finish();
    _runCalendar.reset();
    return written;
}

ExportResult OutlookAssetsExportAgent::DoExportWithProgressPresenter(IProgressPresenter& presenter,
                                                                     ILogger& logger) {
    const _ExportSettings& settings = *_exportSettingsP;
    extendedLogFileHandle = std::make_unique<ReportFile>(settings.ExtendedLogReportPath);
    ConversionReport report(logger, *extendedLogFileHandle);
    resetRunState();
    ExportResult run;

    for (const auto& folder : settings.ExportItems) {
        std::optional<std::string> tooLong;
        try {
            const std::uint64_t total =
                std::uint64_t{_totalItemsToExport} + clamp_to_counter(folder->contentCount());
            _totalItemsToExport = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
            tooLong = PathTooLong(folder, settings.OutputFolderPath);
        } catch (const std::exception&) {
            // A folder that cannot be read is reported when the walk gets there.
        }
        if (tooLong) {
            report.pathTooLong(*tooLong);
            run.status = Failed;
            extendedLogFileHandle->close();
            return run;
        }
    }
    for (const UnreadableFile& file : settings.UnreadableFiles) {
        report.unreadableFile(file);
        _runRecord.files.push_back(file);
        ++_runRecord.counts.unreadableFiles;
        run.status = CompletedWithErrors;
    }
    presenter.updateOverallItemsLabel("Overall: Items [  0 / " +
                                      std::to_string(_totalItemsToExport) + " ]");
    presenter.updateOverallItemCounts(0, _totalItemsToExport);

    walkFolders(presenter, logger, report, run);
    // The run's calendar is closed however the run ended.
    if (!finishRunCalendar()) {
        run.status = Failed;
    }
    if (settings.ExportItems.empty() && !settings.UnreadableFiles.empty() &&
        std::none_of(settings.UnreadableFiles.begin(), settings.UnreadableFiles.end(),
                     [](const UnreadableFile& file) { return file.partly; })) {
        // Nothing could be read at all: the run failed.
        run.status = Failed;
        _runRecord.failure = "none of the PST files could be read";
    }
    _workerSessions.clear();
    report.runFooter(run, settings.OutputFolderPath, _runRecord.counts, _runRecord.failure);
    extendedLogFileHandle->close();
    resetPresenter(presenter);
    return run;
}

void OutlookAssetsExportAgent::walkFolders(IProgressPresenter& presenter, ILogger& logger,
                                           ConversionReport& report, ExportResult& run) {
    const _ExportSettings& settings = *_exportSettingsP;
    std::shared_ptr<model::PSTSession> previousSession;
    std::shared_ptr<model::MessageStore> previousStore;
    bool first = true;
    std::size_t folderNumber = 1;
    for (const auto& folder : settings.ExportItems) {
        ExportResult result;
        std::string error;
        try {
            const auto store = folder->ownerStore();
            const auto session = session_of(*folder);
            _currentFilePath = session ? session->pstFilePath() : std::string();
            _currentFolderPath = folder_path_or_placeholder(*folder);
            _currentFolderRecord = FolderRecord{};
            if (first || session != previousSession) {
                report.sessionHeader(session ? std::optional(session->pstFilePath())
                                             : std::nullopt);
                if (session) {
                    noteInputFile(*session, report, _runRecord);
                }
                _lastPSTSuffix = session ? startPSTOutput(*session, logger) : -1;
            }
            if (first || store != previousStore) {
                report.storeSeparator();
            }
            first = false;

            presenter.updateProgressMessage("Querying Content.");
            presenter.updateCurrentProgressValue(-1);
            presenter.updateCurrentProgressLabel("Converting: " + folder->folderName());
            presenter.updateOverallFoldersLabel("Overall: Folders [ " +
                                                std::to_string(folderNumber) + " / " +
                                                std::to_string(settings.ExportItems.size()) + " ]");
            presenter.setFilePath(session ? session->pstFilePath() : std::string());
            ++folderNumber;

            bool headerWritten = false;
            try {
                const std::int64_t count = folder->contentCount();
                report.folderHeader(_currentFolderPath, count);
                headerWritten = true;
                folder->ResetQuery();
                result = exportFolder(folder, presenter, logger);
            } catch (...) {
                // A folder of a damaged file that cannot be read is reported,
                // and the walk goes on with the folders that can.
                if (const auto reason = read_fault_reason()) {
                    if (!headerWritten) {
                        report.folderHeader(_currentFolderPath, 0);
                    }
                    report.unreadableFolder(_currentFilePath, *reason);
                    error = *reason;
                    result = ExportResult{CompletedWithErrors, 0, 0, 0};
                    ++_runRecord.counts.unreadableFolders;
                } else {
                    error = platform::CurrentExceptionReason();
                    report.folderException(error);
                    result = ExportResult{Failed, 0, 0, 0};
                }
            }
            previousStore = store;
            previousSession = session;
        } catch (...) {
            const auto reason = read_fault_reason();
            if (!reason) {
                throw;
            }
            report.unreadableFolder(_currentFilePath, *reason);
            error = *reason;
            result = ExportResult{CompletedWithErrors, 0, 0, 0};
            ++_runRecord.counts.unreadableFolders;
        }
        addFolderResult(result, error, run);
        if (run.status != CompletedWithErrors) {
            run.status = result.status;
        }
        if (result.status == Cancelled || result.status == Failed) {
            run.status = result.status;
            break;
        }
    }
}

void OutlookAssetsExportAgent::addFolderResult(const ExportResult& result, const std::string& error,
                                               ExportResult& run) {
    run.mailCount += result.mailCount;
    run.contactCount += result.contactCount;
    run.calendarCount += result.calendarCount;
    FolderRecord record = std::move(_currentFolderRecord);
    record.file = _currentFilePath;
    record.folder = _currentFolderPath;
    record.status = result.status;
    if (!error.empty()) {
        record.error = error;
    }
    if (result.status == Failed && _runRecord.failure.empty()) {
        _runRecord.failure =
            record.error.empty() ? "a folder's output could not be written" : record.error;
    }
    _runRecord.folders.push_back(std::move(record));
    _currentFolderRecord = FolderRecord{};
}

ExportResult OutlookAssetsExportAgent::exportFolder(
    const std::shared_ptr<model::MAPIFolder>& folder, IProgressPresenter& presenter,
    ILogger& logger) {
    if (!_layout) {
        throw std::runtime_error("this output layout is not available (ExportPacking " +
                                 std::to_string(_exportSettingsP->ExportPacking) + ")");
    }
    switch (folder->defaultItemType()) {
        case model::kFolderMail:
        case model::kFolderStoreRoot:
            return _exportSettingsP->MailFormat == kMailFormatMBOX
                       ? ExportFolderToMBOXWithFolder(folder, presenter, logger)
                       : ExportFolderToEMLWithFolder(folder, presenter, logger);
        case model::kFolderContacts:
            return ExportFolderToVCFWithFolder(folder, presenter, logger);
        case model::kFolderCalendar:
            return ExportAppointmentFolderToICSWithFolder(folder, presenter, logger);
        default:
            return ExportResult{};
    }
}

void OutlookAssetsExportAgent::UpdateProgressPresenterWithPresenter(
    IProgressPresenter& presenter, std::int64_t folderCount, std::int64_t sourceContentCount) {
    presenter.updateOverallItemsLabel("Overall Items: [ " + std::to_string(_numberOfItemsExported) +
                                      " / " + std::to_string(_totalItemsToExport) + " ]");
    presenter.updateOverallItemCounts(_numberOfItemsExported, _totalItemsToExport);
    presenter.updateCurrentProgressValue(std::min(
        100.0f,
        percent(static_cast<double>(folderCount + 1), static_cast<double>(sourceContentCount))));
    presenter.updateOverallProgressValue(
        std::min(100.0f, percent(_numberOfItemsExported, _totalItemsToExport)));
}

void OutlookAssetsExportAgent::resetPresenter(IProgressPresenter& presenter) {
    presenter.updateCurrentProgressLabel("");
    presenter.updateCurrentProgressValue(0);
    presenter.updateOverallFoldersLabel("");
    presenter.updateOverallProgressValue(0);
    presenter.updateOverallItemsLabel("");
}

}  // namespace mailwright::exporting
