// The one reader of the command line's words for every sub-command: options
// as `--name value`, `--name=value` or `-x value`, flags as `--name`, the
// files and other operands between them, and `--` after which every word is
// an operand. A sub-command asks, word by word, which option it is looking
// at; the reader keeps the first usage error it meets.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"

namespace mailwright::cli {

class argument_reader {
public:
    explicit argument_reader(const Arguments& args) : m_args(args) {}

    // Moves to the next word; false after the last.
    bool next();

    // Whether the current word is an operand (a file, a node id) rather than
    // an option; "-" and every word after "--" are operands.
    bool is_operand() const { return !m_is_option; }
    // The operand, or the option's name without its "=value".
    const std::string& word() const { return m_name; }

    // Whether the current word is the option `name` (or `short_name`). A
    // flag is matched with `flag`, an option with a value with `is` and then
    // `value`.
    bool is(std::string_view name, std::string_view short_name = {}) const;
    // `is` for an option that takes no value: "--json=yes" is a usage error.
    bool flag(std::string_view name, std::string_view short_name = {});
    // The option's value (after '=' or the next word), or nothing when the
    // command line ends here.
    std::optional<std::string> value();
    // -h and --help.
    bool is_help() { return flag("--help", "-h"); }

    // The first usage error met ("--json takes no value"), or empty.
    const std::string& error() const { return m_error; }
    // Records a usage error; the first one is kept.
    void fail(const std::string& why);

private:
    const Arguments& m_args;
    std::size_t m_next = 0;
    bool m_operands_only = false;
    bool m_is_option = false;
    std::string m_name;
    std::optional<std::string> m_attached;  // the value after '='
    std::string m_error;
};

}  // namespace mailwright::cli
