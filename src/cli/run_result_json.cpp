#include "cli/run_result_json.h"

#include "cli/json_writer.h"
#include "cli/run_outcome.h"

namespace mailwright::cli {
namespace {

using exporting::FolderRecord;
using exporting::ItemProblem;
using exporting::RunRecord;

// The kind of a folder's own items as --kinds names it; empty when the
// folder was not exported.
const char* kind_name(const std::string& kind_word) {
    if (kind_word == "emails") {
        return "mail";
    }
    if (kind_word == "contacts") {
        return "contacts";
    }
    return kind_word.empty() ? "" : "calendar";
}

void text_or_null(json_writer& json, const std::string& text) {
    if (text.empty()) {
        json.null();
    } else {
        json.value(text);
    }
}

void write_folder(json_writer& json, const FolderRecord& folder) {
    json.begin_object().key("file").value(folder.file).key("folder").value(folder.folder);
    json.key("kind");
    text_or_null(json, kind_name(folder.kindWord));
    json.key("status").value(static_cast<std::uint64_t>(folder.status));
    json.key("converted").value(std::uint64_t{folder.converted});
    json.key("contacts").value(std::uint64_t{folder.contacts});
    json.key("calendar").value(std::uint64_t{folder.calendarEvents});
    json.key("left_out").value(std::uint64_t{folder.leftOut});
    json.key("skipped").value(std::uint64_t{folder.skipped});
    json.key("incomplete").value(std::uint64_t{folder.incomplete});
    json.key("saved_in");
    text_or_null(json, folder.savedIn);
    json.key("error");
    text_or_null(json, folder.error);
    json.end_object();
}

void write_problem(json_writer& json, const ItemProblem& problem) {
    json.begin_object().key("file").value(problem.file).key("folder").value(problem.folder);
    json.key("item");
    text_or_null(json, problem.item);
    json.key("skipped").boolean(problem.skipped);
    json.key("reasons").begin_array();
    for (const std::string& reason : problem.reasons) {
        json.value(reason);
    }
    json.end_array().end_object();
}

// An input file; an ANSI file's code page and why it was taken, "n/a" for a
// Unicode file.
void write_input(json_writer& json, const exporting::InputFileRecord& input) {
    json.begin_object().key("path").value(input.path);
    json.key("variant").value(input.unicode ? "unicode" : "ansi").key("code_page");
    if (input.codePage) {
        json.value(std::uint64_t{input.codePage->codePage});
    } else {
        json.null();
    }
    json.key("code_page_source")
        .value(input.codePage ? model::CodePageSourceWord(input.codePageSource) : "n/a");
    json.end_object();
}

void write_lists(json_writer& json, const RunRecord& record) {
    json.key("folders").begin_array();
    for (const FolderRecord& folder : record.folders) {
        write_folder(json, folder);
    }
    json.end_array().key("problems").begin_array();
    for (const ItemProblem& problem : record.problems) {
        write_problem(json, problem);
    }
    json.end_array().key("problems_not_listed").value(std::uint64_t{record.problemsNotRecorded});
    json.key("unreadable_files").begin_array();
    for (const exporting::UnreadableFile& file : record.files) {
        json.begin_object().key("path").value(file.path).key("reason").value(file.reason);
        json.key("partly_read").boolean(file.partly).end_object();
    }
    json.end_array();
    json.key("input_files").begin_array();
    for (const exporting::InputFileRecord& input : record.inputs) {
        write_input(json, input);
    }
    json.end_array();
}

}  // namespace

const char* status_word(std::int32_t status) {
    switch (status) {
        case exporting::Success:
            return "success";
        case exporting::Cancelled:
            return "cancelled";
        case exporting::CompletedWithErrors:
            return "completed with errors";
        default:
            return "failed";
    }
}

std::string run_result_json(const exporting::ExportResult& result, const RunRecord& record,
                            const run_paths& paths) {
    json_writer json;
    json.begin_object().key("status").value(static_cast<std::uint64_t>(result.status));
    json.key("outcome").value(status_word(result.status));
    json.key("summary").value(outcome_line(result, record));
    json.key("failure");
    text_or_null(json, record.failure);
    json.key("output");
    text_or_null(json, paths.output);
    json.key("report");
    text_or_null(json, paths.report);
    json.key("converted").begin_object();
    json.key("mail").value(std::uint64_t{result.mailCount});
    json.key("contacts").value(std::uint64_t{result.contactCount});
    json.key("calendar").value(std::uint64_t{result.calendarCount}).end_object();
    const exporting::RunProblems& lost = record.counts;
    json.key("lost").begin_object().key("skipped").value(std::uint64_t{lost.skipped});
    json.key("incomplete").value(std::uint64_t{lost.incomplete});
    json.key("unreadable_folders").value(std::uint64_t{lost.unreadableFolders});
    json.key("unreadable_files").value(std::uint64_t{lost.unreadableFiles}).end_object();
    write_lists(json, record);
    json.end_object();
    return json.text();
}

}  // namespace mailwright::cli
