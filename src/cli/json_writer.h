// Writes one JSON document, objects and arrays nested, with two blanks of
// indent per level and the keys in the order they are written, so the same
// result always gives the same text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailwright::cli {

class json_writer {
public:
    json_writer& begin_object() { return open('{'); }
    json_writer& end_object() { return close('}'); }
    json_writer& begin_array() { return open('['); }
    json_writer& end_array() { return close(']'); }

    // The key of the next value inside an object.
    json_writer& key(std::string_view name);

    json_writer& value(std::string_view text);
    json_writer& value(const char* text) { return value(std::string_view(text)); }
    json_writer& value(std::uint64_t number);
    json_writer& boolean(bool truth);
    json_writer& null();

    // The document, ended by a line end.
    std::string text() const { return m_out + "\n"; }

private:
    void start_value();
    json_writer& open(char bracket);
    json_writer& close(char bracket);

    std::string m_out;
    std::vector<bool> m_empty;  // per open container: nothing written in it yet
    bool m_after_key = false;
};

}  // namespace mailwright::cli
