#include "cli/run_outcome.h"

#include <cstdint>
#include <vector>

namespace mailwright::cli {
namespace {

using exporting::ExportResult;

// "1 item skipped", "3 items skipped"; nothing for 0.
void add_count(std::vector<std::string>& parts, std::uint32_t count, const char* one,
               const char* many, const char* what) {
    if (count != 0) {
        parts.push_back(std::to_string(count) + ' ' + (count == 1 ? one : many) + ' ' + what);
    }
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

std::string converted_counts(const ExportResult& result) {
    std::vector<std::string> parts;
    add_count(parts, result.mailCount, "email", "emails", "converted");
    add_count(parts, result.contactCount, "contact", "contacts", "converted");
    add_count(parts, result.calendarCount, "calendar item", "calendar items", "converted");
    return parts.empty() ? "nothing converted" : joined(parts);
}

// What the run lost; the unreadable files only when `with_files`.
std::string losses(const exporting::RunProblems& problems, bool with_files = true) {
    std::vector<std::string> parts;
    add_count(parts, problems.skipped, "item", "items", "skipped");
    add_count(parts, problems.incomplete, "item", "items", "converted with parts missing");
    add_count(parts, problems.unreadableFolders, "folder", "folders", "could not be read");
    if (with_files) {
        add_count(parts, problems.unreadableFiles, "file", "files", "could not be read");
    }
    return joined(parts);
}

}  // namespace

std::string outcome_line(const ExportResult& result, const exporting::RunRecord& record) {
    const std::string& failure = record.failure;
    const std::string lost = losses(record.counts);
    switch (result.status) {
        case exporting::Success:
            return "completed successfully: " + converted_counts(result);
        case exporting::Cancelled:
            return "cancelled: " + converted_counts(result) + (lost.empty() ? "" : ", " + lost);
        case exporting::CompletedWithErrors:
            return "completed with errors: " + (lost.empty() ? converted_counts(result) : lost);
        default: {
            // The failure names the unreadable files when they are the cause.
            const std::string other = losses(record.counts, failure.empty());
            return "failed: " + (failure.empty() ? std::string("the run stopped") : failure) +
                   (other.empty() ? "" : " (" + other + ")");
        }
    }
}

}  // namespace mailwright::cli
