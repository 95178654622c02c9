#include "cli/convert_options.h"

#include <algorithm>
#include <limits>
#include <string>

#include "cli/argument_reader.h"
#include "cli/option_values.h"
#include "cli/target_choice.h"

namespace mailwright::cli {
namespace {

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
    "                           (default: the one the file records, else the\n"
    "                           \"defaultCodePage\" setting)\n"
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
    "  -j, --jobs N             threads that make mail ahead of the writing, each with\n"
    "                           its own reading of the file (default: one per core;\n"
    "                           1: none); the output is the same for every N\n"
    "  --quiet                  show no progress and no log, only the result's paths\n"
    "  --json                   print the run's result as one JSON document on standard\n"
    "                           output (status, counts per kind and per folder, skipped\n"
    "                           items and unreadable files with their reasons, output and\n"
    "                           report paths) instead of the log and the paths\n"
    "  -h, --help               show this text\n"
    "\n"
    "An option's value may also follow an equals sign: --output=DIR, --codepage=1251.\n"
    "\n"
    "Exit status: 0 success, 1 cancelled (Ctrl-C), 2 failed, 3 completed with errors\n"
    "(items that could not be read were skipped and are named in the report), 64 wrong\n"
    "usage.\n";

namespace {

using options_step = bool (*)(argument_reader&, convert_options&);

// More threads than this gain nothing and each holds a reading of the file.
constexpr std::uint64_t kMaxJobs = 64;

// Each returns whether it took the current word; a wrong value is recorded
// as the reader's error.
bool read_output_options(argument_reader& reader, convert_options& options) {
    if (reader.is("--output", "-o")) {
        const auto dir = reader.value();
        if (!dir || dir->empty()) {
            reader.fail(reader.word() + " needs a folder");
        } else {
            options.output = *dir;
        }
    } else if (reader.is("--target")) {
        const auto name = reader.value();
        const auto packing = name ? parse_target(*name) : std::nullopt;
        if (!packing) {
            reader.fail("--target takes files, thunderbird, apple or outlook-archive");
        } else {
            options.export_packing = *packing;
        }
    } else if (reader.is("--mail-format")) {
        const auto format = reader.value();
        if (format == "mbox" || format == "eml") {
            options.mail_format = format == "mbox" ? 1 : 0;
        } else {
            reader.fail("--mail-format takes mbox or eml");
        }
    } else if (reader.is("--split-mb")) {
        const auto text = reader.value();
        const auto mb =
            text ? parse_decimal(*text, std::numeric_limits<std::int32_t>::max()) : std::nullopt;
        if (!mb) {
            reader.fail("--split-mb needs a number of megabytes");
        } else {
            options.split_mb = static_cast<std::int32_t>(*mb);
        }
    } else if (reader.flag("--read-unread")) {
        options.read_unread = true;
    } else if (reader.flag("--merge-calendar")) {
        options.merge_calendar = true;
    } else if (reader.flag("--merge-contacts")) {
        options.merge_contacts = true;
    } else if (reader.is("--contact-style")) {
        const auto style = reader.value();
        if (style == "extension" || style == "address-book" || style == "notes") {
            options.contact_style = style == "extension" ? 2 : style == "address-book" ? 1 : 0;
        } else {
            reader.fail("--contact-style takes extension, address-book or notes");
        }
    } else {
        return false;
    }
    return true;
}

bool read_selection_options(argument_reader& reader, convert_options& options) {
    if (reader.is("--codepage")) {
        const auto text = reader.value();
        options.code_page = text ? parse_code_page(*text) : std::nullopt;
        if (!options.code_page) {
            reader.fail("--codepage needs a code page number of the table");
        }
    } else if (reader.is("--folder")) {
        const auto path = reader.value();
        if (!path || path->empty()) {
            reader.fail("--folder needs a folder path");
        } else {
            options.folders.push_back(*path);
        }
    } else if (reader.flag("--no-subfolders")) {
        options.no_subfolders = true;
    } else if (reader.flag("--ignore-empty")) {
        options.ignore_empty = true;
    } else if (reader.flag("--all-folders")) {
        options.all_folders = true;
    } else if (reader.is("--kinds")) {
        const auto list = reader.value();
        if (!list || !parse_kinds(*list, options)) {
            reader.fail("--kinds takes a comma-separated list of mail, contacts, calendar");
        }
    } else {
        return false;
    }
    return true;
}

bool read_run_options(argument_reader& reader, convert_options& options) {
    if (reader.is_help()) {
        options.help = true;
    } else if (reader.is("--jobs", "-j")) {
        const auto text = reader.value();
        const auto jobs = text ? parse_decimal(*text, kMaxJobs) : std::nullopt;
        if (!jobs || *jobs == 0) {
            reader.fail("--jobs needs a number of threads from 1 to " + std::to_string(kMaxJobs));
        } else {
            options.jobs = static_cast<std::int32_t>(*jobs);
        }
    } else if (reader.flag("--quiet")) {
        options.quiet = true;
    } else if (reader.flag("--json")) {
        options.json = true;
    } else if (reader.flag("--overwrite")) {
        options.overwrite = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

parsed_convert_options parse_convert_options(const Arguments& args) {
    constexpr options_step kSteps[] = {read_output_options, read_selection_options,
                                       read_run_options};
    convert_options options;
    argument_reader reader(args);
    while (reader.error().empty() && reader.next()) {
        if (reader.is_operand()) {
            options.files.push_back(reader.word());
        } else if (std::ranges::none_of(kSteps,
                                        [&](options_step step) { return step(reader, options); })) {
            reader.fail("unknown option " + reader.word());
        }
    }
    if (!reader.error().empty()) {
        return {std::nullopt, reader.error()};
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
