// `mailwright codepages`: the code pages that --codepage accepts, one a line:
// the number, the charset name written into charset= labels, and the name
// shown to users. Code pages whose converter does not open on this system
// are marked, as their text is decoded with the fallback code page.
#include <cstdio>

#include "cli/commands.h"
#include "text/code_page_table.h"

namespace mailwright::cli {

int run_codepages(const Arguments& args) {
    if (!args.empty() && args[0] != "-h" && args[0] != "--help") {
        std::fprintf(stderr, "mailwright codepages: takes no arguments\n");
        return kExitUsage;
    }
    if (!args.empty()) {
        std::puts("usage: mailwright codepages\nLists the code pages that --codepage accepts.");
        return 0;
    }
    text::InitCodePageTable();
    for (const text::TextEncodingItem& row : text::CodePageTable()) {
        std::printf("%5u  %-20s %s%s\n", row.codePage, row.charsetName, row.displayName,
                    row.available ? "" : " (no converter on this system)");
    }
    return 0;
}

}  // namespace mailwright::cli
