#include "formats/meeting_calendar.h"

#include <sstream>

#include "formats/mime_calendar_writer.h"

namespace mailwright::formats {

std::optional<std::string_view> MeetingMethod(std::string_view messageClass) {
    static constexpr std::pair<std::string_view, std::string_view> kMethods[] = {
        {"IPM.Schedule.Meeting.Request", "REQUEST"},
        {"IPM.Schedule.Meeting.Canceled", "CANCEL"},
        {"IPM.Schedule.Meeting.Resp.", "REPLY"},
    };
    for (const auto& [prefix, method] : kMethods) {
        if (messageClass.starts_with(prefix)) {
            return method;
        }
    }
    return std::nullopt;
}

std::string MeetingCalendarText(MIMECalendarWriter& writer, pstread::message& message,
                                std::string_view method) {
    // The meeting as it stands: no reference mail, no moved occurrences.
    const CalendarItemOutput item =
        writer.writeItem(nullptr, message, std::nullopt, std::nullopt, true, false);
    std::ostringstream text;
    text << MIMECalendarWriter::calendarOpening() << "\r\nMETHOD:" << method;
    item.zones.write(text);
    for (const std::string& event : item.events) {
        text << event;
    }
    text << MIMECalendarWriter::calendarClosing();
    return std::move(text).str();
}

}  // namespace mailwright::formats
