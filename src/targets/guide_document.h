// The guide document that tells how to import a destination's output into
// its application, shipped in the resource folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mailwright::targets {

// "Thunderbird Import Guide.pdf", "Apple Import Guide.pdf" or "Outlook
// Import Guide.pdf" for an ExportPacking; nothing for separate files.
std::optional<std::string> GuideDocumentName(std::int32_t exportPacking);

// The guide's path in `resourceDirectory`, when the file is there.
std::optional<std::string> GuideDocumentPath(std::int32_t exportPacking,
                                             const std::string& resourceDirectory);

}  // namespace mailwright::targets
