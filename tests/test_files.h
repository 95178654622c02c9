// File and process helpers shared by the test suites: read a whole file,
// write bytes to one, count a piece of text, and run the program with its
// output captured.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace testfiles {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline fs::path write_bytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// How often `piece` occurs in `text`, overlaps counted.
inline std::size_t count_of(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++n;
    }
    return n;
}

// The real sample files (.pst and .ost), sorted; none when the folder is
// missing.
inline std::vector<fs::path> corpus_files() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(MW_CORPUS_DIR, error)) {
        if (entry.path().extension() == ".pst" || entry.path().extension() == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

struct run_result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `mailwright ARGUMENTS` with its settings in DIR/config and its output
// captured in DIR/stdout and DIR/stderr.
inline run_result run_mailwright(const fs::path& dir, const std::string& arguments) {
    const fs::path program = fs::path(MW_BINARY_DIR) / "src" / "mailwright";
    const std::string command = "XDG_CONFIG_HOME=" + quoted(dir / "config") + " " +
                                quoted(program) + " " + arguments + " >" + quoted(dir / "stdout") +
                                " 2>" + quoted(dir / "stderr");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
}

}  // namespace testfiles
