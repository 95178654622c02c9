// Sub-commands of the mailwright command-line tool. Each takes the arguments
// after its own name and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace mailwright::cli {

using Arguments = std::vector<std::string>;

// Exit status for wrong usage (sysexits EX_USAGE).
constexpr int kExitUsage = 64;

int run_info(const Arguments& args);
int run_inspect(const Arguments& args);
int run_list(const Arguments& args);
int run_convert(const Arguments& args);
int run_codepages(const Arguments& args);

}  // namespace mailwright::cli
