// Plumbing shared by the benchmark programs: timing, peak memory, running a
// step in a child process, and building an input file once.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace bench {

using clock_type = std::chrono::steady_clock;

inline double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Peak resident set size of this process, in kB.
inline long peak_rss_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs `step` in a child process, so that its memory never counts in the
// parent's peak RSS; returns whether it succeeded.
inline bool run_in_child(const std::function<void()>& step, const char* what) {
    const pid_t child = fork();
    if (child == 0) {
        try {
            step();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s failed: %s\n", what, error.what());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Builds `path` with `build` unless it exists. The build runs in a child
// process under a temporary name, so that an interrupted build is never taken
// for a finished one.
inline void ensure_file(const std::string& path,
                        const std::function<void(const std::string&)>& build) {
    if (std::filesystem::exists(path)) {
        return;
    }
    std::printf("building %s ...\n", path.c_str());
    std::fflush(stdout);
    const std::string partial = path + ".partial";
    if (!run_in_child([&] { build(partial); }, "build")) {
        throw std::runtime_error("building the benchmark file failed");
    }
    std::filesystem::rename(partial, path);
}

}  // namespace bench
