#include "cli/json_writer.h"

#include "cli/json_text.h"

namespace mailwright::cli {

void json_writer::start_value() {
    if (m_after_key) {
        m_after_key = false;
        return;
    }
    if (m_empty.empty()) {
        return;
    }
    m_out += m_empty.back() ? "\n" : ",\n";
    m_empty.back() = false;
    m_out.append(2 * m_empty.size(), ' ');
}

json_writer& json_writer::key(std::string_view name) {
    start_value();
    m_out += json_string(name) + ": ";
    m_after_key = true;
    return *this;
}

json_writer& json_writer::open(char bracket) {
    start_value();
    m_out += bracket;
    m_empty.push_back(true);
    return *this;
}

json_writer& json_writer::close(char bracket) {
    const bool empty = m_empty.back();
    m_empty.pop_back();
    if (!empty) {
        m_out += '\n';
        m_out.append(2 * m_empty.size(), ' ');
    }
    m_out += bracket;
    return *this;
}

json_writer& json_writer::value(std::string_view text) {
    start_value();
    m_out += json_string(text);
    return *this;
}

json_writer& json_writer::value(std::uint64_t number) {
    start_value();
    m_out += std::to_string(number);
    return *this;
}

json_writer& json_writer::boolean(bool truth) {
    start_value();
    m_out += truth ? "true" : "false";
    return *this;
}

json_writer& json_writer::null() {
    start_value();
    m_out += "null";
    return *this;
}

}  // namespace mailwright::cli
