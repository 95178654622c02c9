// The people of an appointment as iCalendar lines: the ORGANIZER from the
// sender properties and one ATTENDEE per recipient, with role, name,
// whether a reply is asked for, the recipient's response and the kind of
// calendar user.
#pragma once

#include <optional>
#include <string>

#include "formats/calendar_prop_ids.h"
#include "pstread/pst/message.h"

namespace mailwright::formats {

// The address a calendar user is written with. For an Exchange ("EX")
// address: the SMTP address when given, else one of the fallbacks that
// looks like an e-mail address; in every other case, or when those give
// nothing, the stored address.
std::u16string CalendarUserAddress(std::u16string_view addressType, std::u16string_view address,
                                   const std::optional<std::u16string>& smtpAddress,
                                   const std::optional<std::u16string>& fallback1,
                                   const std::optional<std::u16string>& fallback2);

// "\r\nORGANIZER;CN=\"...\":MAILTO:..." when the sender has an address.
void WriteOrganizer(const pstread::const_property_object& item, const CalendarPropIds& ids,
                    std::string& out);

// One "\r\nATTENDEE..." line per recipient that is not the organizer.
// `rsvp` is whether the item asks for replies.
void WriteAttendees(const pstread::message& item, bool rsvp, std::string& out);

// A name as a quoted parameter value: UTF-8 of at most 256 bytes (never
// ending inside a character), without double quotes and control
// characters, which a quoted value cannot hold.
std::string QuotedParameterValue(std::u16string_view name);

}  // namespace mailwright::formats
