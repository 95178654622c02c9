// What the report window shows when a run has ended: a heading by the run's
// status, and two footer messages naming the output and the report file by
// the output layout.
#pragma once

#include <cstdint>
#include <string>

namespace mailwright::exporting {

// "Conversion Completed.", "Conversion Completed With Acceptable Errors.",
// "Conversion Failed." or "Conversion Aborted. Data was partially
// converted."
std::string ReportHeading(std::int32_t status);

// Footer message 1 with the output path, by ExportPacking.
std::string OutputPathMessage(std::int32_t exportPacking, const std::string& outputFolderPath);
// Footer message 2 with the report path, by ExportPacking.
std::string ReportPathMessage(std::int32_t exportPacking, const std::string& reportPath);

}  // namespace mailwright::exporting
