// `--target`: the destination of a conversion, and the options it makes
// pointless because its layout fixes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/convert_options.h"
#include "export/export_settings.h"

namespace mailwright::cli {

// ExportPacking of "files", "thunderbird", "apple" or "outlook-archive".
std::optional<std::int32_t> parse_target(const std::string& name);
// The name `parse_target` takes for an ExportPacking.
std::string target_name(std::int32_t exportPacking);

// The options given in `options` (those that differ from their defaults)
// whose values the destination's settings `forced` override.
std::vector<std::string> options_ignored_by_target(const convert_options& options,
                                                   const exporting::_ExportSettings& forced);

}  // namespace mailwright::cli
