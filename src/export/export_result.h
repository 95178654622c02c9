// The outcome of a run and of every folder exporter: a status and the number
// of mails, contacts and calendar items converted.
#pragma once

#include <cstdint>

namespace mailwright::exporting {

// ExportResult::status values.
enum ExportStatus : std::int32_t {
    Success = 0,              // all items converted
    Cancelled = 1,            // the user cancelled
    Failed = 2,               // a fatal error stopped the run
    CompletedWithErrors = 3,  // the run finished but lost items, parts or files
};

struct ExportResult {
    std::int32_t status = Success;
    std::uint32_t mailCount = 0;
    std::uint32_t contactCount = 0;
    std::uint32_t calendarCount = 0;
};

}  // namespace mailwright::exporting
