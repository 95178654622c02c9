// Real vCard consumers for the writer's output: python3-vobject of the
// system Python (through tests/formats/check_vcard.py) and ical.js
// (tests/consumers/ical_parse.cjs, the parser Thunderbird uses). Either one
// that is not installed makes the calling test skip.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "text/python_oracle.h"

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

using python_oracle::Result;
using python_oracle::RunCommand;

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
