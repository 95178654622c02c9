// A recipient of a message: one row of the message's recipient table
// ([MS-PST] 2.4.5.2), whose cells are the recipient's properties.
#pragma once

#include <cstdint>

#include "pstread/ltp/table.h"

namespace pstread {

class recipient {
public:
    explicit recipient(const_table_row row) : m_row(std::move(row)) {}

    // The row, for every other property; its charset decodes 8-bit strings.
    const const_table_row& get_property_row() const { return m_row; }
    const_table_row& get_property_row() { return m_row; }

    // PidTagDisplayName, PidTagAddressType, PidTagSmtpAddress; each throws
    // key_not_found<prop_id> when the row has no such cell.
    unistring get_name() const;
    unistring get_address_type() const;
    unistring get_smtp_address() const;
    // Whether the row's PidTagSmtpAddress cell exists.
    bool has_smtp_address() const;
    // PidTagRecipientType: 1 To, 2 Cc, 3 Bcc (recipient_type_* constants).
    std::uint32_t get_type() const;

private:
    const_table_row m_row;
};

}  // namespace pstread
