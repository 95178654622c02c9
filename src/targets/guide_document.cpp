#include "targets/guide_document.h"

#include <filesystem>
#include <system_error>

#include "export/export_settings.h"

namespace mailwright::targets {

std::optional<std::string> GuideDocumentName(std::int32_t exportPacking) {
    switch (exportPacking) {
        case exporting::kPackingThunderbird:
            return "Thunderbird Import Guide.pdf";
        case exporting::kPackingAppleApplications:
            return "Apple Import Guide.pdf";
        case exporting::kPackingOutlookArchive:
            return "Outlook Import Guide.pdf";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> GuideDocumentPath(std::int32_t exportPacking,
                                             const std::string& resourceDirectory) {
    const auto name = GuideDocumentName(exportPacking);
    if (!name || resourceDirectory.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path path = std::filesystem::path(resourceDirectory) / *name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    return path.string();
}

}  // namespace mailwright::targets
