#include "formats/mime_calendar_writer.h"

#include <sstream>

#include "formats/appointment_time_zone.h"
#include "formats/calendar_people.h"
#include "formats/item_identity.h"
#include "formats/property_reading.h"
#include "model/item_code_page.h"
#include "platform/system_log.h"
#include "pstread/ltp/hnid_stream.h"
#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/text_escaping.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

constexpr std::uint16_t kPidTagInternetCodepage = 0x3FDE;
constexpr std::uint16_t kPidTagAttachmentFlags = 0x7FFD;
// PidTagAttachmentFlags bit of the attachments a series keeps its moved
// occurrences in (and that an RTF body does not show): not content of the
// item's own.
constexpr std::uint32_t kAttachmentException = 0x2;
constexpr std::uint32_t kCodePageUtf16 = 1200;
constexpr std::uint32_t kCodePageUtf8 = 65001;
constexpr std::uint32_t kBusyStatusFree = 0;
// Marks the alarm's own identifier apart from its event's.
constexpr std::uint32_t kAlarmIdBit = 0x80000000u;

}  // namespace

// What one VEVENT is written from.
struct MIMECalendarWriter::EventContext {
    pstread::message& message;
    const ModifiedOccurrence* override;
    std::uint32_t index;  // of the VEVENT within the item
    text::DateTimeZone zone;
    bool allDay = false;
};

std::string MakeEventUid(const std::vector<std::uint8_t>& storeKey, std::uint32_t nodeId,
                         std::uint32_t eventIndex) {
    const ItemIdentity item = ItemIdentity::ofItem(storeKey, nodeId);
    return (eventIndex == 0 ? item : item.within(eventIndex)).uuid();
}

MIMECalendarWriter::MIMECalendarWriter(bool useLF, bool unicodeStore, std::uint32_t defaultCodePage)
    : m_systemTimeZone(text::DateTimeZone::system()),
      // An EML reference file starts with its header, an MBOX message with
      // its separator line.
      m_mailWriter(useLF, useLF, unicodeStore, defaultCodePage),
      m_unicodeStore(unicodeStore),
      m_defaultCodePage(defaultCodePage) {}

void MIMECalendarWriter::setFollowItemCodePages(bool follow) {
    m_followItemCodePages = follow;
    m_mailWriter.setFollowItemCodePages(follow);
}

void MIMECalendarWriter::resolveNamedPropIds(pstread::pst& store) {
    m_ids = ResolveCalendarPropIds(store);
    m_mailWriter.setContentTypePropId(ResolveContentTypePropId(store));
    m_mailWriter.setStoreKey(m_ids.storeKey);
}

void MIMECalendarWriter::setDateFormatter(text::SharedDateFormatter* formatter) {
    m_formatter = formatter;
    m_mailWriter.setDateFormatter(formatter);
}

text::SharedDateFormatter& MIMECalendarWriter::formatter() const {
    return m_formatter ? *m_formatter : text::thread_date_formatter();
}

std::string MIMECalendarWriter::calendarOpening() {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Mailwright//Pro//EN";
}

std::string MIMECalendarWriter::calendarClosing() {
    return "\r\nEND:VCALENDAR\r\n";
}

CalendarItemOutput MIMECalendarWriter::writeItem(std::ostream* references,
                                                 pstread::message& message,
                                                 std::optional<std::u16string_view> subjectPrefix,
                                                 std::optional<std::u16string_view> referenceText,
                                                 bool sameBuffer, bool writeExceptions) {
    CalendarItemOutput output;
    output.events.emplace_back();
    std::ostringstream reference;
    const std::vector<ModifiedOccurrence> moved =
        writeEvent(output.events.front(), references ? &reference : nullptr, message, subjectPrefix,
                   referenceText, nullptr, 0, output.zones);
    if (references && reference.tellp() > 0) {
        *references << reference.str();
        output.referenceWritten = true;
    }
    if (!writeExceptions) {
        return output;
    }
    std::uint32_t index = 0;
    for (const ModifiedOccurrence& occurrence : moved) {
        std::string& buffer = sameBuffer ? output.events.front() : output.events.emplace_back();
        writeEvent(buffer, nullptr, message, std::nullopt, referenceText, &occurrence, ++index,
                   output.zones);
    }
    return output;
}

std::vector<ModifiedOccurrence> MIMECalendarWriter::writeEvent(
    std::string& out, std::ostream* references, pstread::message& message,
    std::optional<std::u16string_view> subjectPrefix,
    std::optional<std::u16string_view> referenceText, const ModifiedOccurrence* override,
    std::uint32_t eventIndex, CalendarTimeZones& zones) {
    const model::ItemCodePages codePages{text::GetCodePageInfo(m_defaultCodePage),
                                         m_followItemCodePages};
    m_itemRow = codePages.rowFor(message.get_property_bag());
    message.get_property_bag().set_charset(m_itemRow);
    const auto& item = message.get_property_bag();
    const bool recurring = item.has_property(m_ids[kCalRecur]) && m_ids[kCalRecur] != 0;
    EventContext event{message, override, eventIndex,
                       ReadAppointmentZone(item, m_ids.zones, recurring).value_or(m_systemTimeZone),
                       read_integer(item, m_ids[kCalSubType]).value_or(0) != 0};

    out += "\r\nBEGIN:VEVENT";
    const std::string uid = MakeEventUid(m_ids.storeKey, message.get_id(), eventIndex);
    out += "\r\nUID:" + uid + "\r\nX-ENTOURAGE_UUID:" + uid;
    if (override) {
        // A moved occurrence names the series it belongs to.
        out += "\r\nRELATED-TO:" + MakeEventUid(m_ids.storeKey, message.get_id(), 0);
    }
    writeSummary(event, out);
    writeTimes(event, out, zones);
    writeFlags(event, out);
    writeCategories(message, out);
    WriteOrganizer(item, m_ids, out);
    WriteAttendees(message, read_integer(item, m_ids[kCalResponseRequested]).value_or(1) != 0, out);
    const bool hasContent = writeDescription(message, referenceText, out);
    writeLocation(event, out);

    std::vector<ModifiedOccurrence> moved;
    if (!override && recurring &&
        item.property_type(m_ids[kCalRecur]) == pstread::prop_type_binary) {
        const std::vector<std::uint8_t> blob = item.read_bytes(m_ids[kCalRecur]);
        std::ostringstream rule;
        if (auto occurrences = WriteRecurrence(blob, RecurrenceZone{event.zone, event.allDay}, rule,
                                               formatter())) {
            moved = std::move(*occurrences);
        }
        out += rule.str();
    }
    writeAlarm(event, out);
    out += "\r\nEND:VEVENT";

    if (references && hasContent) {
        m_mailWriter.writeMessage(*references, &message, subjectPrefix);
    }
    return moved;
}

std::u16string MIMECalendarWriter::storeText(const std::string& eightBit) const {
    return text::bytes_to_unistring(
        {reinterpret_cast<const std::uint8_t*>(eightBit.data()), eightBit.size()}, m_itemRow);
}

void MIMECalendarWriter::writeSummary(EventContext& event, std::string& out) const {
    std::u16string subject;
    const ExceptionInfo* exception = event.override ? &event.override->exception : nullptr;
    if (exception && exception->WideCharSubject) {
        subject = *exception->WideCharSubject;
    } else if (exception && exception->Subject) {
        subject = storeText(*exception->Subject);
    } else if (event.message.has_subject()) {
        subject = event.message.get_subject();
    }
    if (!subject.empty()) {
        out += "\r\nSUMMARY:";
        text::EscapeTextValue(subject, kCodePageUtf8, out);
    }
}

std::string MIMECalendarWriter::utcText(text::Instant instant) const {
    return formatter().icalendar_utc_date_time(instant);
}

std::string MIMECalendarWriter::dateText(EventContext& event, text::Instant instant) const {
    if (event.allDay) {
        return ";VALUE=DATE:" + formatter().icalendar_date_time(instant, event.zone, true);
    }
    return ";TZID=" + event.zone.id() + ":" + formatter().icalendar_date_time(instant, event.zone);
}

void MIMECalendarWriter::writeTimes(EventContext& event, std::string& out,
                                    CalendarTimeZones& zones) {
    const auto& item = event.message.get_property_bag();
    const auto created = read_instant(item, m_ids[kCalCreationTime]);
    const auto modified = read_instant(item, m_ids[kCalLastModificationTime]);
    const auto start = event.override ? std::optional(event.override->start)
                                      : read_instant(item, m_ids[kCalStartWhole]);
    const auto end = event.override ? std::optional(event.override->end)
                                    : read_instant(item, m_ids[kCalEndWhole]);
    if (created) {
        out += "\r\nCREATED:" + utcText(*created);
    }
    // DTSTAMP is required; an item without a creation time takes the next
    // time it records.
    if (const auto stamp = created ? created : modified ? modified : start) {
        out += "\r\nDTSTAMP:" + utcText(*stamp);
    }
    if (modified) {
        out += "\r\nLAST-MODIFIED:" + utcText(*modified);
    }
    if (start) {
        out += "\r\nDTSTART" + dateText(event, *start);
    }
    if (end) {
        out += "\r\nDTEND" + dateText(event, *end);
    }
    if (start && !event.allDay) {
        zones.use(event.zone, *start);
    }
}

void MIMECalendarWriter::writeFlags(EventContext& event, std::string& out) const {
    const auto& item = event.message.get_property_bag();
    if (const auto isPrivate = read_integer(item, m_ids[kCalPrivate])) {
        out += *isPrivate ? "\r\nCLASS:PRIVATE" : "\r\nCLASS:PUBLIC";
    }
    auto busy = read_integer(item, m_ids[kCalBusyStatus]);
    if (event.override && event.override->exception.BusyStatus) {
        busy = event.override->exception.BusyStatus;
    }
    if (busy) {
        out += *busy == kBusyStatusFree ? "\r\nTRANSP:TRANSPARENT" : "\r\nTRANSP:OPAQUE";
    }
    if (const auto importance = read_integer(item, m_ids[kCalImportance])) {
        out += *importance == 0   ? "\r\nPRIORITY:7"
               : *importance == 2 ? "\r\nPRIORITY:1"
                                  : "\r\nPRIORITY:4";
    }
    if (const auto sequence = read_integer(item, m_ids[kCalSequence])) {
        out += "\r\nSEQUENCE:" + std::to_string(*sequence);
    }
}

void MIMECalendarWriter::writeCategories(const pstread::message& message, std::string& out) const {
    const auto& item = message.get_property_bag();
    const std::uint16_t id = m_ids[kCalKeywords];
    if (id == 0 || !item.has_property(id)) {
        return;
    }
    const auto type = item.property_type(id);
    if (type != pstread::prop_type_mv_unicode && type != pstread::prop_type_mv_string8) {
        return;
    }
    // Each keyword escaped on its own, so that a comma inside one stays
    // part of it and the commas between them separate the categories.
    std::string list;
    for (const std::u16string& keyword : item.read_multi_unistring(id)) {
        std::string escaped;
        text::TextValueEscaper(true, false).Append(text::utf16_to_utf8(keyword), escaped);
        if (!escaped.empty()) {
            list += (list.empty() ? "" : ",") + escaped;
        }
    }
    if (!list.empty()) {
        out += "\r\nCATEGORIES:";
        text::TextValueEscaper(false, true).Append(list, out);
    }
}

bool MIMECalendarWriter::writeDescription(const pstread::message& message,
                                          std::optional<std::u16string_view> referenceText,
                                          std::string& out) {
    const auto& item = message.get_property_bag();
    std::uint32_t codePage = m_itemRow != nullptr ? m_itemRow->codePage : m_defaultCodePage;
    if (m_unicodeStore) {
        codePage = kCodePageUtf16;
    } else if (const auto internet = read_integer(item, kPidTagInternetCodepage);
               internet && *internet != 0) {
        codePage = *internet;
    }
    const text::TextEncodingItem* row = text::GetCodePageInfo(codePage);
    if (row == nullptr || !row->available) {
        platform::log_line(
            "Calendar description can not be written because of invalid Code-Page : " +
            std::to_string(codePage));
    }
    const bool bodyUsable = row != nullptr && row->available && message.has_body();
    std::string value;
    bool hasContent = false;
    if (bodyUsable) {
        // The value starts on a continuation line.
        pstread::hnid_istream body(message.open_body_stream());
        std::ostringstream escaped;
        escaped << "\r\n ";
        hasContent = text::EscapeTextValue(body, *row, escaped);
        if (hasContent) {
            value = escaped.str();
        }
    }
    for (const pstread::attachment& attachment : message.attachments()) {
        if (hasContent) {
            break;
        }
        const auto flags = read_integer(attachment.get_property_bag(), kPidTagAttachmentFlags);
        hasContent = !flags || (*flags & kAttachmentException) == 0;
    }
    if (hasContent && referenceText) {
        value += "\r\n ";
        text::EscapeTextValue(*referenceText, kCodePageUtf8, value);
    }
    // A description with nothing in it is left out.
    if (!value.empty()) {
        out += "\r\nDESCRIPTION:" + value;
    }
    return hasContent;
}

void MIMECalendarWriter::writeLocation(EventContext& event, std::string& out) const {
    const ExceptionInfo* exception = event.override ? &event.override->exception : nullptr;
    std::optional<std::u16string> location;
    if (exception && exception->WideCharLocation) {
        location = *exception->WideCharLocation;
    } else if (exception && exception->Location) {
        location = storeText(*exception->Location);
    } else {
        location = read_text(event.message.get_property_bag(), m_ids[kCalLocation]);
    }
    std::string value;
    text::EscapeTextValue(location, kCodePageUtf8, true, value);
    if (!value.empty()) {
        out += "\r\nLOCATION:" + value;
    }
}

void MIMECalendarWriter::writeAlarm(EventContext& event, std::string& out) const {
    const auto& item = event.message.get_property_bag();
    auto reminderSet = read_integer(item, m_ids[kCalReminderSet]);
    auto delta = read_integer(item, m_ids[kCalReminderDelta]);
    if (event.override) {
        const ExceptionInfo& exception = event.override->exception;
        reminderSet = exception.ReminderSet ? exception.ReminderSet : reminderSet;
        delta = exception.ReminderDelta ? exception.ReminderDelta : delta;
    }
    if (reminderSet.value_or(0) == 0) {
        return;
    }
    out += "\r\nBEGIN:VALARM\r\nX-WR-ALARMUID:" +
           MakeEventUid(m_ids.storeKey, event.message.get_id(), event.index | kAlarmIdBit);
    // TRIGGER is required; a reminder without its delta goes off at the start.
    out += "\r\nTRIGGER:-PT" + std::to_string(delta.value_or(0)) + "M";
    out += "\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nEND:VALARM";
}

}  // namespace mailwright::formats
