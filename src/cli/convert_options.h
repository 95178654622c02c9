// The options of `mailwright convert` and their parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace mailwright::cli {

struct convert_options {
    std::vector<std::string> files;
    std::string output;
    std::int32_t export_packing = 3;  // ExportPacking; 3 separate files
    std::int32_t mail_format = 1;     // MailFormat: 1 MBOX, 0 EML
    std::int32_t split_mb = 0;
    bool read_unread = false;
    bool merge_calendar = false;  // one .ics per calendar folder
    std::optional<std::uint32_t> code_page;
    std::vector<std::string> folders;  // full folder paths
    bool no_subfolders = false;
    bool ignore_empty = false;
    bool all_folders = false;
    bool mail = true;
    bool contacts = true;
    bool calendar = true;
    bool merge_contacts = false;
    std::int32_t contact_style = 2;  // MIMEContactWriter's styles: 2 extension
    // Threads that make mail ahead (-j); 0: one per core.
    std::int32_t jobs = 0;
    bool quiet = false;
    bool json = false;       // the run's result as one JSON document on stdout
    bool overwrite = false;  // replace earlier output of the same file
    bool help = false;
};

// The help text.
extern const char* const kConvertUsage;

// The options, or why the arguments are wrong.
struct parsed_convert_options {
    std::optional<convert_options> options;
    std::string error;
};
parsed_convert_options parse_convert_options(const Arguments& args);

}  // namespace mailwright::cli
