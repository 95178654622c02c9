// Entry point of the mailwright command-line tool: picks the sub-command and
// turns any escaping exception into one readable line instead of a crash.
#include <cstdio>
#include <exception>
#include <string_view>

#include "cli/commands.h"
#include "platform/heap_retention.h"

namespace {

using mailwright::cli::Arguments;

struct Command {
    std::string_view name;
    int (*run)(const Arguments&);
    std::string_view summary;
};

constexpr Command kCommands[] = {
    {"info", mailwright::cli::run_info, "show the header facts of PST files"},
    {"inspect", mailwright::cli::run_inspect,
     "show one node's properties or table, or the named property map"},
    {"list", mailwright::cli::run_list,
     "show the folder tree of PST files with item counts and code pages"},
    {"convert", mailwright::cli::run_convert,
     "convert the mail, contacts and calendar items of PST files"},
    {"codepages", mailwright::cli::run_codepages, "list the code pages that --codepage accepts"},
};

void print_usage(std::FILE* to) {
    std::fputs(
        "usage: mailwright <command> [options] FILE...\n"
        "       mailwright --version\n\ncommands:\n",
        to);
    for (const auto& command : kCommands) {
        std::fprintf(to, "  %-10.*s %.*s\n", static_cast<int>(command.name.size()),
                     command.name.data(), static_cast<int>(command.summary.size()),
                     command.summary.data());
    }
    std::fputs("\n`mailwright <command> --help` describes a command's options.\n", to);
}

}  // namespace

int main(int argc, char** argv) {
    mailwright::platform::limitHeapRetention();
    if (argc < 2) {
        print_usage(stderr);
        return mailwright::cli::kExitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "-h" || name == "--help" || name == "help") {
        print_usage(stdout);
        return 0;
    }
    if (name == "-V" || name == "--version") {
        std::printf("mailwright %s\n", MAILWRIGHT_VERSION);
        return 0;
    }
    const Arguments args(argv + 2, argv + argc);
    for (const auto& command : kCommands) {
        if (command.name == name) {
            try {
                return command.run(args);
            } catch (const std::exception& error) {
                std::fprintf(stderr, "mailwright: %s\n", error.what());
                return 2;
            }
        }
    }
    std::fprintf(stderr, "mailwright: unknown command '%s'\n", argv[1]);
    print_usage(stderr);
    return mailwright::cli::kExitUsage;
}
