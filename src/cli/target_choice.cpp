#include "cli/target_choice.h"

#include <array>
#include <utility>

#include "export/output_layout.h"

namespace mailwright::cli {
namespace {

using Target = std::pair<const char*, std::int32_t>;
constexpr std::array<Target, 4> kTargets = {{
    {"files", exporting::kPackingSeparateFiles},
    {"thunderbird", exporting::kPackingThunderbird},
    {"apple", exporting::kPackingAppleApplications},
    {"outlook-archive", exporting::kPackingOutlookArchive},
}};

}  // namespace

std::optional<std::int32_t> parse_target(const std::string& name) {
    for (const auto& [targetName, packing] : kTargets) {
        if (name == targetName) {
            return packing;
        }
    }
    return std::nullopt;
}

std::string target_name(std::int32_t exportPacking) {
    for (const auto& [targetName, packing] : kTargets) {
        if (packing == exportPacking) {
            return targetName;
        }
    }
    return "files";
}

std::vector<std::string> options_ignored_by_target(const convert_options& options,
                                                   const exporting::_ExportSettings& forced) {
    const convert_options defaults;
    std::vector<std::string> ignored;
    const auto check = [&](const char* name, auto given, auto standard, auto fixed) {
        if (given != standard && given != fixed) {
            ignored.push_back(name);
        }
    };
    check("--mail-format", options.mail_format, defaults.mail_format, forced.MailFormat);
    check("--split-mb", options.split_mb, defaults.split_mb, forced.MaxMBOXSizeInMB);
    check("--read-unread", options.read_unread, defaults.read_unread, forced.ReadUnreadSeparated);
    check("--merge-contacts", options.merge_contacts, defaults.merge_contacts,
          forced.MergeContacts);
    check("--merge-calendar", options.merge_calendar, defaults.merge_calendar,
          forced.MergeCalendarEvents);
    if (forced.ContactStyle == exporting::kContactStyleOfLayout) {
        const auto layout = exporting::MakeOutputLayout(forced.ExportPacking);
        check("--contact-style", options.contact_style, defaults.contact_style,
              layout ? static_cast<std::int32_t>(layout->contactStyle()) : defaults.contact_style);
    }
    return ignored;
}

}  // namespace mailwright::cli
