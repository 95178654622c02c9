// `mailwright list [--json] [--codepage N] [--all-folders] FILE...`: the
// folder tree of each file in the PST's order (the store's IPM subtree, or
// with --all-folders every folder), one line per folder indented by depth,
// with its item count and kind; or the same as one JSON document. Files that cannot be
// read are reported and the others still listed; the exit status is then 1.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/argument_reader.h"
#include "cli/commands.h"
#include "cli/folder_listing.h"
#include "cli/json_text.h"
#include "cli/option_values.h"
#include "model/pst_session.h"
#include "platform/standard_user_defaults.h"
#include "text/code_page_table.h"

namespace mailwright::cli {
namespace {

constexpr const char* kUsage =
    "usage: mailwright list [--json] [--codepage N] [--all-folders] FILE...\n"
    "N is the Windows code page of the 8-bit text of ANSI files (default: the one\n"
    "the file records, else the \"defaultCodePage\" setting). --all-folders also\n"
    "lists Outlook's own folders beside the store's top folder (Search Root,\n"
    "IPM_VIEWS, Freebusy Data, ...).\n";

struct options {
    bool json = false;
    bool all_folders = false;
    std::optional<std::uint32_t> code_page;
    std::vector<std::string> files;
};

enum class parse_result { run, help, wrong };

// Prints why the arguments are wrong.
parse_result parse(const Arguments& args, options& parsed) {
    argument_reader reader(args);
    bool help = false;
    while (reader.error().empty() && reader.next()) {
        if (reader.is_operand()) {
            parsed.files.push_back(reader.word());
        } else if (reader.is_help()) {
            help = true;
        } else if (reader.flag("--json")) {
            parsed.json = true;
        } else if (reader.flag("--all-folders")) {
            parsed.all_folders = true;
        } else if (reader.is("--codepage")) {
            const auto text = reader.value();
            parsed.code_page = text ? parse_code_page(*text) : std::nullopt;
            if (!parsed.code_page) {
                reader.fail("--codepage needs a code page number" +
                            (text ? " of the table, not " + *text : std::string()));
            }
        } else {
            reader.fail("unknown option " + reader.word());
        }
    }
    if (!reader.error().empty()) {
        std::fprintf(stderr, "mailwright list: %s\n", reader.error().c_str());
        return parse_result::wrong;
    }
    if (help) {
        return parse_result::help;
    }
    return parsed.files.empty() ? parse_result::wrong : parse_result::run;
}

void print_text_folder(const listed_folder& folder, std::size_t depth) {
    std::printf("%*s%s [%lld] %s\n", static_cast<int>(2 * depth), "", folder.name.c_str(),
                static_cast<long long>(folder.count), folder_kind_name(folder.kind));
    for (const listed_folder& child : folder.children) {
        print_text_folder(child, depth + 1);
    }
}

void print_text(const listed_file& file) {
    if (!file.root) {
        std::fflush(stdout);
        std::fprintf(stderr, "mailwright: %s: %s\n", file.path.c_str(), file.error.c_str());
        return;
    }
    if (file.code_page != nullptr) {
        std::printf("%s (ansi, %s)\n", file.path.c_str(),
                    model::CodePageDescription(*file.code_page, file.code_page_source).c_str());
    } else {
        std::printf("%s (%s)\n", file.path.c_str(), file.unicode ? "unicode" : "ansi");
    }
    print_text_folder(*file.root, 1);
}

void append_json_folder(std::string& out, const listed_folder& folder, std::size_t depth) {
    const std::string indent(2 * depth, ' ');
    out += "{\n" + indent + "  \"name\": " + json_string(folder.name) + ",\n";
    out += indent + "  \"path\": " + json_string(folder.path) + ",\n";
    out += indent + "  \"kind\": " + json_string(folder_kind_name(folder.kind)) + ",\n";
    out += indent + "  \"count\": " + std::to_string(folder.count) + ",\n";
    out += indent + "  \"children\": [";
    for (std::size_t i = 0; i < folder.children.size(); ++i) {
        out += i == 0 ? "\n" + indent + "    " : ",\n" + indent + "    ";
        append_json_folder(out, folder.children[i], depth + 2);
    }
    out += folder.children.empty() ? "]\n" : "\n" + indent + "  ]\n";
    out += indent + "}";
}

std::string json_document(const std::vector<listed_file>& files) {
    std::string out = "{\"files\": [";
    for (std::size_t i = 0; i < files.size(); ++i) {
        const listed_file& file = files[i];
        out += i == 0 ? "\n  {" : ",\n  {";
        out += "\n    \"path\": " + json_string(file.path);
        if (file.store) {
            out += ",\n    \"variant\": ";
            out += file.unicode ? "\"unicode\"" : "\"ansi\"";
            out += ",\n    \"store\": " + json_string(*file.store);
            out += ",\n    \"code_page\": ";
            out += file.code_page ? std::to_string(file.code_page->codePage) : "null";
            out += ",\n    \"code_page_source\": ";
            out += file.code_page ? json_string(model::CodePageSourceWord(file.code_page_source))
                                  : "\"n/a\"";
        }
        if (file.root) {
            out += ",\n    \"root\": ";
            append_json_folder(out, *file.root, 2);
        } else {
            out += ",\n    \"error\": " + json_string(file.error);
        }
        out += "\n  }";
    }
    out += files.empty() ? "]}\n" : "\n]}\n";
    return out;
}

}  // namespace

int run_list(const Arguments& args) {
    options parsed;
    switch (parse(args, parsed)) {
        case parse_result::help:
            std::fputs(kUsage, stdout);
            return 0;
        case parse_result::wrong:
            std::fputs(kUsage, stderr);
            return kExitUsage;
        case parse_result::run:
            break;
    }
    std::optional<std::int32_t> given;
    if (parsed.code_page) {
        given = static_cast<std::int32_t>(*parsed.code_page);
    }

    int status = 0;
    std::vector<listed_file> files;
    for (const std::string& path : parsed.files) {
        listed_file file =
            list_file(path, platform::standardUserDefaults(), parsed.all_folders, given);
        if (!file.root) {
            status = 1;
        }
        if (parsed.json) {
            files.push_back(std::move(file));
        } else {
            print_text(file);
        }
    }
    if (parsed.json) {
        std::fputs(json_document(files).c_str(), stdout);
    }
    return status;
}

}  // namespace mailwright::cli
