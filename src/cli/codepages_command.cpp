// `mailwright codepages`: the code pages that --codepage accepts, one a line:
// the number, the charset name written into charset= labels, and the name
// shown to users. Code pages whose converter does not open on this system
// are marked, as their text is decoded with the fallback code page.
#include <cstdio>

#include "cli/argument_reader.h"
#include "cli/commands.h"
#include "text/code_page_table.h"

namespace mailwright::cli {

int run_codepages(const Arguments& args) {
    constexpr const char* kUsage =
        "usage: mailwright codepages\n"
        "Lists the code pages that --codepage accepts: number, charset name, name.\n";
    argument_reader reader(args);
    bool help = false;
    while (reader.error().empty() && reader.next()) {
        if (reader.is_help()) {
            help = true;
        } else {
            reader.fail("takes no arguments");
        }
    }
    if (!reader.error().empty()) {
        std::fprintf(stderr, "mailwright codepages: %s\n%s", reader.error().c_str(), kUsage);
        return kExitUsage;
    }
    if (help) {
        std::fputs(kUsage, stdout);
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
