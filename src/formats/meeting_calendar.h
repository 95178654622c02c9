// The calendar part of a meeting message (a request, a cancellation or a
// response): the iCalendar object that mail readers offer to put into a
// calendar, made by the iCalendar writer from the message's own meeting
// properties.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pstread/pst/message.h"

namespace mailwright::formats {

class MIMECalendarWriter;

// The iTIP method (RFC 5546) of a message class: "REQUEST" for
// "IPM.Schedule.Meeting.Request", "CANCEL" for "...Canceled", "REPLY" for
// "...Resp." followed by the answer; nothing for any other class.
std::optional<std::string_view> MeetingMethod(std::string_view messageClass);

// The whole VCALENDAR of a meeting message: METHOD `method`, the VTIMEZONEs
// its times use and its VEVENT, with CR LF line ends.
std::string MeetingCalendarText(MIMECalendarWriter& writer, pstread::message& message,
                                std::string_view method);

}  // namespace mailwright::formats
