// `mailwright convert [options] FILE.pst... -o DIR`: converts the mail of
// PST files into MBOX mailboxes or EML files and their contacts into vCard
// files, in the layout of the chosen destination (`--target`), with progress
// on standard error, Ctrl-C to cancel after the current item, and the run's
// log, report and output paths at the end (with --json: the run's result as
// one JSON document instead). The exit status is the
// run's status (0 success, 1 cancelled, 2 failed, 3 completed with errors).
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/convert_options.h"
#include "cli/folder_listing.h"
#include "cli/folder_selection.h"
#include "cli/input_files.h"
#include "cli/run_outcome.h"
#include "cli/run_result_json.h"
#include "cli/target_choice.h"
#include "cli/terminal_progress.h"
#include "export/export_settings.h"
#include "export/outlook_assets_export_agent.h"
#include "export/report_summary.h"
#include "export/string_logger.h"
#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/resource_directory.h"
#include "platform/standard_user_defaults.h"
#include "pstread/ndb/truncation.h"
#include "targets/forced_settings.h"
#include "targets/guide_document.h"
#include "targets/output_preparation.h"

namespace mailwright::cli {
namespace {

using exporting::ExportResult;

// Exit status after a second Ctrl-C: killed by SIGINT, as shells report it.
constexpr int kExitInterrupted = 128 + SIGINT;

// A file shorter than its header says is converted as far as it goes; the
// items past its end are reported one by one.
void warn_if_truncated(model::PSTSession& session) {
    const pstread::db_context& db = *session.pstSession().get_db();
    const std::uint64_t size = db.get_file().size();
    if (size < db.get_file_eof()) {
        std::fprintf(stderr, "mailwright convert: %s: %s; converting what lies inside the file\n",
                     session.pstFilePath().c_str(),
                     pstread::truncation_text(db.get_file_eof(), size).c_str());
    }
}

// Text with CR LF line ends as the terminal shows it.
std::string with_lf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            out += text[i];
        }
    }
    return out;
}

// Opens every file; those that cannot be opened are named on standard
// error with the reason and kept in `unreadable`.
std::vector<std::shared_ptr<model::PSTSession>> open_files(
    const convert_options& options, std::vector<exporting::UnreadableFile>& unreadable) {
    std::optional<std::int32_t> given;
    if (options.code_page) {
        given = static_cast<std::int32_t>(*options.code_page);
    }
    std::vector<std::shared_ptr<model::PSTSession>> sessions;
    for (const std::string& path : options.files) {
        try {
            auto session =
                model::PSTSession::initWithFile(path, platform::standardUserDefaults(), given);
            session->getRootStore()->getSubTreeFolder();
            warn_if_truncated(*session);
            sessions.push_back(std::move(session));
        } catch (...) {
            const std::string reason = describe_current_exception();
            std::fprintf(stderr, "mailwright convert: %s: cannot be read: %s\n", path.c_str(),
                         reason.c_str());
            unreadable.push_back({path, reason, false});
        }
    }
    return sessions;
}

// Files whose folder tree broke off: named on standard error and kept in
// `unreadable` with the folders read before the fault still selected.
void note_broken_trees(const folder_selection& selection,
                       std::vector<exporting::UnreadableFile>& unreadable) {
    for (const broken_tree& tree : selection.broken_trees) {
        std::fprintf(stderr, "mailwright convert: %s: not every folder can be read: %s\n",
                     tree.path.c_str(), tree.reason.c_str());
        unreadable.push_back({tree.path, tree.reason, true});
    }
}

// The settings as the options give them; the output paths are set when the
// output is prepared.
exporting::_ExportSettings make_settings(const convert_options& options,
                                         std::vector<std::shared_ptr<model::MAPIFolder>> folders,
                                         std::vector<exporting::UnreadableFile> unreadable) {
    exporting::_ExportSettings settings;
    settings.MailFormat = options.mail_format;
    settings.ExportPacking = options.export_packing;
    settings.ExportItems = std::move(folders);
    settings.ReadUnreadSeparated = options.read_unread;
    settings.MergeCalendarEvents = options.merge_calendar;
    settings.PreserveFolderHierarchy = true;
    settings.MaxMBOXSizeInMB = options.split_mb;
    settings.MergeContacts = options.merge_contacts;
    settings.ContactStyle = options.contact_style;
    settings.ExportAction = 1;
    settings.ReplaceEarlierOutput = options.overwrite;
    settings.Workers =
        options.jobs > 0
            ? options.jobs
            : static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    settings.UnreadableFiles = std::move(unreadable);
    return settings;
}

// Runs the agent on a thread of its own while this thread takes Ctrl-C: the
// first asks the agent to cancel, the second ends the process at once.
ExportResult run_with_interrupts(exporting::OutlookAssetsExportAgent& agent,
                                 exporting::IProgressPresenter& presenter,
                                 exporting::ILogger& logger) {
    // The run's thread ends this thread's wait with kRunEnded as soon as the
    // run is over, instead of leaving it to the next poll; it is blocked and
    // taken here like SIGINT, so it never reaches its default action.
    constexpr int kRunEnded = SIGUSR2;
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigaddset(&interrupt, kRunEnded);
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &interrupt, &before);

    std::atomic<bool> done{false};
    ExportResult result;
    const pthread_t waiter = pthread_self();
    std::thread worker([&] {
        result = agent.DoExportWithProgressPresenter(presenter, logger);
        done.store(true);
        pthread_kill(waiter, kRunEnded);
    });
    int interrupts = 0;
    const timespec poll{0, 50'000'000};
    while (!done.load()) {
        if (sigtimedwait(&interrupt, nullptr, &poll) != SIGINT) {
            continue;
        }
        if (++interrupts == 1) {
            agent.Cancel();
            std::fputs(
                "\nmailwright convert: cancelling after the current item "
                "(Ctrl-C again stops at once)\n",
                stderr);
        } else {
            std::fputs(
                "\nmailwright convert: stopped; the last file written may be "
                "incomplete\n",
                stderr);
            std::_Exit(kExitInterrupted);
        }
    }
    worker.join();
    // A Ctrl-C that came after the run ended, and the run's own signal, are
    // taken here, not by the default action.
    const timespec none{0, 0};
    while (sigtimedwait(&interrupt, nullptr, &none) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return result;
}

// One warning line for the options the destination overrides.
void warn_ignored_options(const convert_options& options,
                          const exporting::_ExportSettings& settings) {
    exporting::_ExportSettings forced = settings;
    targets::ForceTargetSettings(forced);
    const auto ignored = options_ignored_by_target(options, forced);
    if (ignored.empty()) {
        return;
    }
    std::string names;
    for (const auto& name : ignored) {
        names += (names.empty() ? "" : ", ") + name;
    }
    std::fprintf(stderr, "mailwright convert: --target %s ignores %s: its layout fixes them\n",
                 target_name(options.export_packing).c_str(), names.c_str());
}

// A run that could not start: the reason on standard error and, with
// --json, as the result's failure.
int fail_before_run(const convert_options& options, const std::string& reason) {
    std::fprintf(stderr, "mailwright convert: %s\n", reason.c_str());
    std::fprintf(stderr, "mailwright convert: failed: nothing converted\n");
    if (options.json) {
        exporting::RunRecord record;
        record.failure = reason;
        const ExportResult result{.status = exporting::Failed};
        std::fputs(run_result_json(result, record, {}).c_str(), stdout);
    }
    return exporting::Failed;
}

void print_outcome(const convert_options& options, const ExportResult& result,
                   const std::string& log, const exporting::_ExportSettings& settings,
                   const exporting::RunRecord& record) {
    if (options.json) {
        const run_paths paths{settings.OutputFolderPath, settings.ExtendedLogReportPath};
        std::fputs(run_result_json(result, record, paths).c_str(), stdout);
        return;
    }
    if (!options.quiet) {
        std::printf("%s\n\n%s\n", exporting::ReportHeading(result.status).c_str(),
                    with_lf(log).c_str());
    }
    std::printf(
        "%s\n",
        exporting::OutputPathMessage(settings.ExportPacking, settings.OutputFolderPath).c_str());
    if (!settings.ExtendedLogReportPath.empty()) {
        std::printf("%s\n", exporting::ReportPathMessage(settings.ExportPacking,
                                                         settings.ExtendedLogReportPath)
                                .c_str());
    }
    if (const auto guide =
            targets::GuideDocumentPath(settings.ExportPacking, platform::ResourceDirectory())) {
        std::printf("The steps of the import are described in:\n%s\n", guide->c_str());
    }
}

}  // namespace

int run_convert(const Arguments& args) {
    const parsed_convert_options parsed = parse_convert_options(args);
    if (!parsed.options) {
        std::fprintf(stderr, "mailwright convert: %s\n%s", parsed.error.c_str(), kConvertUsage);
        return kExitUsage;
    }
    const convert_options& options = *parsed.options;
    if (options.help) {
        std::fputs(kConvertUsage, stdout);
        return 0;
    }

    convert_options distinct = options;
    const unique_files inputs = distinct_files(options.files);
    distinct.files = inputs.files;
    for (const std::string& path : inputs.duplicates) {
        std::fprintf(stderr,
                     "mailwright convert: %s names a file given before; it is converted once\n",
                     path.c_str());
    }
    std::vector<exporting::UnreadableFile> unreadable;
    const auto sessions = open_files(distinct, unreadable);
    folder_selection selection = select_folders(sessions, {.paths = options.folders,
                                                           .subfolders = !options.no_subfolders,
                                                           .ignore_empty = options.ignore_empty,
                                                           .mail = options.mail,
                                                           .contacts = options.contacts,
                                                           .calendar = options.calendar,
                                                           .all_folders = options.all_folders});
    if (!selection.unmatched_paths.empty()) {
        for (const auto& path : selection.unmatched_paths) {
            std::fprintf(stderr, "mailwright convert: no folder %s in the given files\n",
                         path.c_str());
        }
        std::fputs("(`mailwright list --json FILE` shows every folder's path)\n", stderr);
        return kExitUsage;
    }
    note_broken_trees(selection, unreadable);

    std::error_code error;
    std::filesystem::create_directories(options.output, error);
    if (!std::filesystem::is_directory(options.output)) {
        return fail_before_run(options,
                               "cannot create the output folder " + options.output + ": " +
                                   (error ? error.message() : "a file of that name is in the way"));
    }
    const std::string output =
        std::filesystem::absolute(options.output).lexically_normal().string();

    exporting::_ExportSettings settings =
        make_settings(options, std::move(selection.folders), std::move(unreadable));
    warn_ignored_options(options, settings);
    std::string report_failure;
    if (const auto failed = targets::PrepareTargetOutput(
            settings, output, targets::KindsOfFolders(settings.ExportItems), std::time(nullptr),
            platform::ResourceDirectory(), &report_failure)) {
        return fail_before_run(options, "cannot create " + *failed);
    }
    if (settings.ExtendedLogReportPath.empty()) {
        // Nothing can be written where the report cannot: a read-only or
        // foreign folder, a full disk.
        return fail_before_run(options, report_failure);
    }
    exporting::OutlookAssetsExportAgent agent(&settings);
    exporting::StringLogger log;
    terminal_progress progress(
        stderr, options.quiet || options.json  ? terminal_progress::style::none
                : ::isatty(STDERR_FILENO) == 1 ? terminal_progress::style::redrawn_line
                                               : terminal_progress::style::line_per_folder);
    const ExportResult result = run_with_interrupts(agent, progress, log);
    progress.finish();
    print_outcome(options, result, log.getLogString(), settings, agent.runRecord());

    if (options.quiet || options.json) {
        // The log holding them was not printed.
        for (const std::string& notice : agent.runRecord().notices) {
            std::fprintf(stderr, "mailwright convert: %s\n", notice.c_str());
        }
    }
    std::fprintf(stderr, "mailwright convert: %s\n",
                 outcome_line(result, agent.runRecord()).c_str());
    return result.status;
}

}  // namespace mailwright::cli
