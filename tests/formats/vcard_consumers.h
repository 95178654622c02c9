// Real vCard consumers for the writer's output: python3-vobject of the
// system Python (through tests/formats/check_vcard.py) and ical.js
// (tests/consumers/ical_parse.cjs, the parser Thunderbird uses). Either one
// that is not installed makes the calling test skip.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vcardtest {

inline bool VobjectAvailable() {
    static const bool available =
        std::system("/usr/bin/python3 -c 'import vobject' >/dev/null 2>&1") == 0;
    return available;
}

inline bool IcalJsAvailable() {
    static const bool available = std::system("cd '" MW_SOURCE_DIR
                                              "/tests/consumers' && node -e "
                                              "'require(\"ical.js\")' >/dev/null 2>&1") == 0;
    return available;
}

inline std::string quoted(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        text += " '" + argument + "'";
    }
    return text;
}

struct Result {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command and takes its output (standard error included).
inline Result RunCommand(const std::string& command) {
    Result result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// check_vcard.py with `arguments`.
inline Result Vobject(const std::vector<std::string>& arguments) {
    return RunCommand("/usr/bin/python3 '" MW_SOURCE_DIR "/tests/formats/check_vcard.py'" +
                      quoted(arguments));
}

// ical.js over the files: exit status 0 when every file parses.
inline Result IcalJs(const std::vector<std::string>& files) {
    return RunCommand("node '" MW_SOURCE_DIR "/tests/consumers/ical_parse.cjs'" + quoted(files));
}

}  // namespace vcardtest
