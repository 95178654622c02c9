// Runs Python's standard library as an independent decoder for test outputs.
// Data goes through temporary files; tests skip when python3 is absent.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace python_oracle {

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(std::string_view content, std::string_view suffix = ".bin") {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("mw_oracle_" + std::to_string(random()) + std::to_string(random()) +
                 std::string(suffix));
        std::ofstream(path_, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

inline bool Available() {
    static const bool available = std::system("python3 -c pass >/dev/null 2>&1") == 0;
    return available;
}

struct Result {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// Runs a shell command and takes its standard output and standard error.
inline Result RunCommand(const std::string& command) {
    Result result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    size_t count = 0;
    while ((count = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), count);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs `script` with one temporary file of each of `contents` as its arguments.
inline Result Run(std::string_view script, const std::vector<std::string>& contents,
                  std::string_view suffix = ".bin") {
    TempFile script_file(script, ".py");
    std::vector<std::unique_ptr<TempFile>> files;
    std::string command = "python3 '" + script_file.path() + "'";
    for (const auto& content : contents) {
        files.push_back(std::make_unique<TempFile>(content, suffix));
        command += " '" + files.back()->path() + "'";
    }
    return RunCommand(command);
}

}  // namespace python_oracle
