// The result of `mailwright convert --json`: one JSON document for scripts
// with the run's status, what it converted in total and per folder, the
// items it skipped or wrote with parts missing and why, the files it could
// not read and why, and where its output and report are.
#pragma once

#include <string>

#include "export/export_result.h"
#include "export/run_record.h"

namespace mailwright::cli {

struct run_paths {
    std::string output;  // empty: none made
    std::string report;  // empty: none written
};

// The word of an exit status: "success", "cancelled", "failed",
// "completed with errors".
const char* status_word(std::int32_t status);

std::string run_result_json(const exporting::ExportResult& result,
                            const exporting::RunRecord& record, const run_paths& paths);

}  // namespace mailwright::cli
