// The one line that ends every conversion on standard error, with --quiet
// too: the outcome and what was lost, e.g. "completed with errors: 3 items
// skipped, 1 file could not be read".
#pragma once

#include <string>

#include "export/export_result.h"
#include "export/run_record.h"

namespace mailwright::cli {

// `record.failure`: what stopped a failed run (empty: none known).
std::string outcome_line(const exporting::ExportResult& result, const exporting::RunRecord& record);

}  // namespace mailwright::cli
