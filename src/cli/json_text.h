// JSON string literals for the command-line tool's --json output.
#pragma once

#include <string>
#include <string_view>

namespace mailwright::cli {

// `text` as a quoted JSON string: quotation mark, backslash and control
// characters escaped, valid UTF-8 passed through, and each byte that is not
// part of a valid UTF-8 sequence written as U+FFFD, so the result is always
// valid JSON.
std::string json_string(std::string_view text);

}  // namespace mailwright::cli
