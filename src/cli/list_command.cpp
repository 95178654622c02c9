// `mailwright list [--json] [--codepage N] [--all-folders] FILE...`: the
// folder tree of each file in the PST's order (the store's IPM subtree, or
// with --all-folders every folder), one line per folder indented by depth,
// with its item count and kind; or the same as one JSON document. Files that cannot be
// read are reported and the others still listed; the exit status is then 1.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/folder_listing.h"
#include "cli/json_text.h"
#include "model/pst_session.h"
#include "platform/standard_user_defaults.h"
#include "text/code_page_table.h"

namespace mailwright::cli {
namespace {

constexpr const char* kUsage =
    "usage: mailwright list [--json] [--codepage N] [--all-folders] FILE...\n"
    "N is the Windows code page of the 8-bit text of ANSI files (default: the\n"
    "\"defaultCodePage\" setting). --all-folders also lists Outlook's own folders\n"
    "beside the store's top folder (Search Root, IPM_VIEWS, Freebusy Data, ...).\n";

struct options {
    bool json = false;
    bool all_folders = false;
    std::optional<std::uint32_t> code_page;
    std::vector<std::string> files;
};

bool parse_code_page(const std::string& text, std::uint32_t& code_page) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    code_page = static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    return text::GetCodePageDisplayName(code_page).has_value();
}

// False after printing why the arguments are wrong.
bool parse(const Arguments& args, options& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            parsed.json = true;
        } else if (arg == "--all-folders") {
            parsed.all_folders = true;
        } else if (arg == "--codepage") {
            std::uint32_t code_page = 0;
            if (i + 1 == args.size() || !parse_code_page(args[i + 1], code_page)) {
                std::fprintf(stderr, "mailwright list: --codepage needs a code page number%s%s\n",
                             i + 1 < args.size() ? " of the table, not " : "",
                             i + 1 < args.size() ? args[i + 1].c_str() : "");
                return false;
            }
            parsed.code_page = code_page;
            ++i;
        } else if (arg == "--") {
            parsed.files.insert(parsed.files.end(), args.begin() + static_cast<long>(i) + 1,
                                args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "mailwright list: unknown option %s\n", arg.c_str());
            return false;
        } else {
            parsed.files.push_back(arg);
        }
    }
    return !parsed.files.empty();
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
    std::printf("%s (%s)\n", file.path.c_str(), file.unicode ? "unicode" : "ansi");
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
    if (!parse(args, parsed)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::unique_ptr<platform::InMemoryUserDefaults> chosen;
    if (parsed.code_page) {
        chosen = std::make_unique<platform::InMemoryUserDefaults>(platform::DefaultsDictionary{
            {model::kDefaultCodePageKey, std::int64_t{*parsed.code_page}}});
    }
    const platform::UserDefaults& defaults = chosen ? *chosen : platform::standardUserDefaults();

    int status = 0;
    std::vector<listed_file> files;
    for (const std::string& path : parsed.files) {
        listed_file file = list_file(path, defaults, parsed.all_folders);
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
