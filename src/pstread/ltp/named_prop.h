// A named property: a property set GUID with either a numeric id or a name
// ([MS-PST] 2.4.7, [MS-OXCDATA] 2.6.1).
#pragma once

#include <cstdint>
#include <string>

#include "pstread/ltp/guid.h"

namespace pstread {

class named_prop {
public:
    named_prop(const guid& set, std::int64_t id) : m_guid(set), m_is_string(false), m_id(id) {}
    named_prop(const guid& set, std::u32string name)
        : m_guid(set), m_is_string(true), m_name(std::move(name)) {}

    const guid& get_guid() const { return m_guid; }
    bool is_string() const { return m_is_string; }
    // Meaningful for numeric names only.
    std::int64_t get_id() const { return m_id; }
    // Meaningful for string names only.
    const std::u32string& get_name() const { return m_name; }

    friend bool operator==(const named_prop&, const named_prop&) = default;

private:
    guid m_guid;
    bool m_is_string;
    std::int64_t m_id = 0;
    std::u32string m_name;
};

}  // namespace pstread
