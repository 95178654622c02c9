// The PST files of a command line, each file once: a file named twice (by
// the same path, another path, or a link to it) is read and converted once.
#pragma once

#include <string>
#include <vector>

namespace mailwright::cli {

struct unique_files {
    std::vector<std::string> files;       // in the order given, first naming kept
    std::vector<std::string> duplicates;  // later namings of a file already listed
};

// Files that cannot be looked at are kept: opening them reports why.
unique_files distinct_files(const std::vector<std::string>& paths);

}  // namespace mailwright::cli
