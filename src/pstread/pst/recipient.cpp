#include "pstread/pst/recipient.h"

#include "pstread/pst/property_ids.h"

namespace pstread {

unistring recipient::get_name() const {
    return m_row.read_unistring(pid_tag_display_name);
}

unistring recipient::get_address_type() const {
    return m_row.read_unistring(pid_tag_address_type);
}

unistring recipient::get_smtp_address() const {
    return m_row.read_unistring(pid_tag_smtp_address);
}

bool recipient::has_smtp_address() const {
    return m_row.has_property(pid_tag_smtp_address);
}

std::uint32_t recipient::get_type() const {
    return m_row.inline_value_4(pid_tag_recipient_type);
}

}  // namespace pstread
