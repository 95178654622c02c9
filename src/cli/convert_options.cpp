#include "cli/convert_options.h"

#include <cstdlib>
#include <limits>

#include "cli/target_choice.h"
#include "text/code_page_table.h"

namespace mailwright::cli {
namespace {

// A decimal number of at most `max`, digits only.
std::optional<std::uint64_t> parse_number(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::uint64_t value = std::strtoull(text.c_str(), nullptr, 10);
    if (value > max) {
        return std::nullopt;
    }
    return value;
}

bool parse_kinds(const std::string& list, convert_options& options) {
    options.mail = options.contacts = options.calendar = false;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string kind = list.substr(start, comma - start);
        if (kind == "mail") {
            options.mail = true;
        } else if (kind == "contacts") {
            options.contacts = true;
        } else if (kind == "calendar") {
            options.calendar = true;
        } else {
            return false;
        }
        start = comma + 1;
    }
    return true;
}

}  // namespace

const char* const kConvertUsage =
    "usage: mailwright convert [options] FILE.pst... -o DIR\n"
    "Converts the mail of PST files into MBOX mailboxes or EML files, their contacts\n"
    "(contact groups included) into vCard 3.0 files and their calendar items into\n"
    "iCalendar files (with their descriptions and attachments as reference mails), in a\n"
    "folder tree that mirrors each PST, and writes a conversion report beside them.\n"
    "\n"
    "  -o, --output DIR         output folder (created if missing); the report goes there\n"
    "  --target NAME            the layout of the output: files (default: a folder tree\n"
    "                           that mirrors each PST), thunderbird (a local-folders mail\n"
    "                           database), apple (for Apple Mail, Contacts and Calendar)\n"
    "                           or outlook-archive (an Outlook for Mac archive package);\n"
    "                           the application layouts fix the mail format, splitting,\n"
    "                           read/unread separation, merging and the contact style\n"
    "                           (thunderbird and apple: one Contacts.vcf and one\n"
    "                           Calendar.ics for the run; outlook-archive: one file per\n"
    "                           contact and per event)\n"
    "  --mail-format mbox|eml   one mailbox per folder (default) or one file per message\n"
    "  --split-mb N             split mailboxes that would grow past N MB (MBOX only;\n"
    "                           0 or absent: no split)\n"
    "  --read-unread            separate read and unread mail\n"
    "  --merge-calendar         one \"Calendar Events.ics\" per calendar folder (default:\n"
    "                           one .ics file per event in the folder's \"Events\")\n"
    "  --codepage N             Windows code page of the 8-bit text of ANSI files\n"
    "                           (default: the \"defaultCodePage\" setting)\n"
    "  --folder PATH            convert this folder and its subfolders; PATH is the folder's\n"
    "                           full path as `mailwright list --json` shows it (repeatable;\n"
    "                           default: every folder)\n"
    "  --no-subfolders          with --folder: only the named folders themselves\n"
    "  --ignore-empty           leave out folders without items\n"
    "  --all-folders            also Outlook's own folders beside the store's IPM subtree\n"
    "                           (Search Root, IPM_VIEWS, Freebusy Data, ...)\n"
    "  --kinds LIST             kinds of folders to convert, a comma-separated list of\n"
    "                           mail, contacts and calendar (default: all three)\n"
    "  --overwrite              replace the output of an earlier run of the same file in\n"
    "                           DIR (default: write beside it, in \"FILE.pst (1)\")\n"
    "  --merge-contacts         one vCard file per contacts folder (default: one file\n"
    "                           per contact)\n"
    "  --contact-style extension|address-book|notes\n"
    "                           how details vCard 3.0 has no property for are written:\n"
    "                           X- properties (default), grouped address-book items\n"
    "                           (itemN.X-ABLabel), or lines of the note\n"
    "  --quiet                  show no progress and no log, only the result's paths\n"
    "  -h, --help               show this text\n"
    "\n"
    "Exit status: 0 success, 1 cancelled (Ctrl-C), 2 failed, 3 completed with errors\n"
    "(items that could not be read were skipped and are named in the report), 64 wrong\n"
    "usage.\n";

parsed_convert_options parse_convert_options(const Arguments& args) {
    convert_options options;
    bool files_only = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        const auto fail = [&](const std::string& why) {
            return parsed_convert_options{std::nullopt, why};
        };
        if (files_only || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            files_only = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-o" || arg == "--output") {
            const std::string* dir = value();
            if (!dir || dir->empty()) {
                return fail(arg + " needs a folder");
            }
            options.output = *dir;
        } else if (arg == "--target") {
            const std::string* name = value();
            const auto packing = name ? parse_target(*name) : std::nullopt;
            if (!packing) {
                return fail("--target takes files, thunderbird, apple or outlook-archive");
            }
            options.export_packing = *packing;
        } else if (arg == "--mail-format") {
            const std::string* format = value();
            if (format && *format == "mbox") {
                options.mail_format = 1;
            } else if (format && *format == "eml") {
                options.mail_format = 0;
            } else {
                return fail("--mail-format takes mbox or eml");
            }
        } else if (arg == "--split-mb") {
            const std::string* text = value();
            const auto mb =
                text ? parse_number(*text, std::numeric_limits<std::int32_t>::max()) : std::nullopt;
            if (!mb) {
                return fail("--split-mb needs a number of megabytes");
            }
            options.split_mb = static_cast<std::int32_t>(*mb);
        } else if (arg == "--read-unread") {
            options.read_unread = true;
        } else if (arg == "--merge-calendar") {
            options.merge_calendar = true;
        } else if (arg == "--codepage") {
            const std::string* text = value();
            const auto code_page = text ? parse_number(*text, 0xFFFF) : std::nullopt;
            if (!code_page ||
                !text::GetCodePageDisplayName(static_cast<std::uint32_t>(*code_page))) {
                return fail("--codepage needs a code page number of the table");
            }
            options.code_page = static_cast<std::uint32_t>(*code_page);
        } else if (arg == "--folder") {
            const std::string* path = value();
            if (!path || path->empty()) {
                return fail("--folder needs a folder path");
            }
            options.folders.push_back(*path);
        } else if (arg == "--no-subfolders") {
            options.no_subfolders = true;
        } else if (arg == "--ignore-empty") {
            options.ignore_empty = true;
        } else if (arg == "--all-folders") {
            options.all_folders = true;
        } else if (arg == "--kinds") {
            const std::string* list = value();
            if (!list || !parse_kinds(*list, options)) {
                return fail("--kinds takes a comma-separated list of mail, contacts, calendar");
            }
        } else if (arg == "--merge-contacts") {
            options.merge_contacts = true;
        } else if (arg == "--contact-style") {
            const std::string* style = value();
            if (style && *style == "extension") {
                options.contact_style = 2;
            } else if (style && *style == "address-book") {
                options.contact_style = 1;
            } else if (style && *style == "notes") {
                options.contact_style = 0;
            } else {
                return fail("--contact-style takes extension, address-book or notes");
            }
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--overwrite") {
            options.overwrite = true;
        } else {
            return fail("unknown option " + arg);
        }
    }
    if (options.help) {
        return {options, {}};
    }
    if (options.files.empty()) {
        return {std::nullopt, "no PST file given"};
    }
    if (options.output.empty()) {
        return {std::nullopt, "no output folder given (-o DIR)"};
    }
    if (options.split_mb > 0 && options.mail_format == 0) {
        return {std::nullopt, "--split-mb applies to MBOX mailboxes only"};
    }
    if (options.no_subfolders && options.folders.empty()) {
        return {std::nullopt, "--no-subfolders needs --folder"};
    }
    return {options, {}};
}

}  // namespace mailwright::cli
