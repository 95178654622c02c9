#include "cli/argument_reader.h"

#include <utility>

namespace mailwright::cli {

bool argument_reader::next() {
    m_attached.reset();
    if (m_next < m_args.size() && !m_operands_only && m_args[m_next] == "--") {
        m_operands_only = true;
        ++m_next;
    }
    if (m_next >= m_args.size()) {
        return false;
    }
    const std::string& arg = m_args[m_next++];
    m_is_option = !m_operands_only && arg.size() > 1 && arg[0] == '-';
    m_name = arg;
    // Only long options carry "=value"; "-o=DIR" would be ambiguous.
    const std::size_t equals = arg.find('=');
    if (m_is_option && arg.starts_with("--") && equals != std::string::npos) {
        m_name = arg.substr(0, equals);
        m_attached = arg.substr(equals + 1);
    }
    return true;
}

bool argument_reader::is(std::string_view name, std::string_view short_name) const {
    return m_is_option && (m_name == name || (!short_name.empty() && m_name == short_name));
}

bool argument_reader::flag(std::string_view name, std::string_view short_name) {
    if (!is(name, short_name)) {
        return false;
    }
    if (m_attached) {
        fail(m_name + " takes no value");
    }
    return true;
}

std::optional<std::string> argument_reader::value() {
    if (m_attached) {
        return std::exchange(m_attached, std::nullopt);
    }
    if (m_next < m_args.size()) {
        return m_args[m_next++];
    }
    return std::nullopt;
}

void argument_reader::fail(const std::string& why) {
    if (m_error.empty()) {
        m_error = why;
    }
}

}  // namespace mailwright::cli
