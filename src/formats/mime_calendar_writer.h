// Turns one PST calendar item (appointment or meeting) into iCalendar
// VEVENT components: the item itself with its recurrence, and one more
// VEVENT per modified occurrence of a recurring item. An item with a
// description or attachments can in addition be written as a mail message
// (the calendar reference mail) into a references stream, and its VEVENT's
// description then carries a reference text that names that mail.
//
//   MIMECalendarWriter writer(true, session.isUnicodePST(), session.pstDefaultCodePage());
//   writer.resolveNamedPropIds(session.pstSession());
//   CalendarItemOutput item = writer.writeItem(&refs, message, prefix, note, false, true);
//   file << MIMECalendarWriter::calendarOpening();
//   item.zones.write(file);              // one VTIMEZONE per zone used
//   for (const auto& event : item.events) file << event;
//   file << MIMECalendarWriter::calendarClosing();
//
// Times are written in the item's own time zone (read from its zone
// descriptions), never in the zone of the machine that runs the conversion
// unless the item records none. Every line starts with CR LF, so a VEVENT
// ends without a line end of its own. A writer is used from one thread at
// a time.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "formats/calendar_prop_ids.h"
#include "formats/calendar_time_zones.h"
#include "formats/mime_mail_writer.h"
#include "formats/recurrence_rule.h"
#include "pstread/pst/message.h"
#include "text/date_format.h"
#include "text/time_zone.h"

namespace mailwright::formats {

// What writing one calendar item produced.
struct CalendarItemOutput {
    // One text per output buffer: in same-buffer mode a single one holding
    // every VEVENT of the item, else one per VEVENT.
    std::vector<std::string> events;
    // Whether the reference mail was written into the references stream.
    bool referenceWritten = false;
    // The zones the events' times are written in.
    CalendarTimeZones zones;
};

class MIMECalendarWriter {
public:
    // `useLF` and MBOX framing of the reference mails (an MBOX mailbox);
    // false writes them as EML files.
    MIMECalendarWriter(bool useLF, bool unicodeStore, std::uint32_t defaultCodePage);

    MIMECalendarWriter(const MIMECalendarWriter&) = delete;
    MIMECalendarWriter& operator=(const MIMECalendarWriter&) = delete;

    // Resolves the property ids through the store's named property map.
    void resolveNamedPropIds(pstread::pst& store);
    void setNamedPropIds(CalendarPropIds ids) { m_ids = std::move(ids); }
    const CalendarPropIds& namedPropIds() const { return m_ids; }

    // The item's VEVENT and, with `writeExceptions`, one VEVENT per modified
    // occurrence (in the first buffer in same-buffer mode). The reference
    // mail goes to `references` when it is given and the item has a
    // description or attachments. Failures of reading or converting throw.
    CalendarItemOutput writeItem(std::ostream* references, pstread::message& message,
                                 std::optional<std::u16string_view> subjectPrefix,
                                 std::optional<std::u16string_view> referenceText, bool sameBuffer,
                                 bool writeExceptions);

    // The envelope around a file's VTIMEZONEs and VEVENTs.
    static std::string calendarOpening();
    static std::string calendarClosing();

    // The zone of items that record none: the system zone when the writer
    // is made.
    void setSystemTimeZone(text::DateTimeZone zone) { m_systemTimeZone = std::move(zone); }
    // The formatter of the export run; the calling thread's own one when
    // none is set. Not owned.
    void setDateFormatter(text::SharedDateFormatter* formatter);
    MIMEMailWriter& mailWriter() { return m_mailWriter; }
    // Whether an item's 8-bit strings are decoded with the code page the
    // item records before the writer's own (model::ItemCodePages), also in
    // its reference mail. False until set.
    void setFollowItemCodePages(bool follow);

private:
    struct EventContext;

    // One VEVENT; returns the modified occurrences of a recurring item
    // written without an override.
    std::vector<ModifiedOccurrence> writeEvent(std::string& out, std::ostream* references,
                                               pstread::message& message,
                                               std::optional<std::u16string_view> subjectPrefix,
                                               std::optional<std::u16string_view> referenceText,
                                               const ModifiedOccurrence* override,
                                               std::uint32_t eventIndex, CalendarTimeZones& zones);

    void writeSummary(EventContext& event, std::string& out) const;
    void writeTimes(EventContext& event, std::string& out, CalendarTimeZones& zones);
    void writeFlags(EventContext& event, std::string& out) const;
    void writeCategories(const pstread::message& message, std::string& out) const;
    bool writeDescription(const pstread::message& message,
                          std::optional<std::u16string_view> referenceText, std::string& out);
    void writeLocation(EventContext& event, std::string& out) const;
    void writeAlarm(EventContext& event, std::string& out) const;
    std::string dateText(EventContext& event, text::Instant instant) const;
    std::string utcText(text::Instant instant) const;
    std::u16string storeText(const std::string& eightBit) const;

    text::SharedDateFormatter& formatter() const;

    text::DateTimeZone m_systemTimeZone;
    MIMEMailWriter m_mailWriter;
    CalendarPropIds m_ids;
    bool m_unicodeStore;
    std::uint32_t m_defaultCodePage;
    bool m_followItemCodePages = false;
    // The row of the item being written: its own code page's, or the
    // default code page's (none for 0 or an unknown number).
    const text::TextEncodingItem* m_itemRow = nullptr;
    text::SharedDateFormatter* m_formatter = nullptr;
};

// The UID of VEVENT `eventIndex` of an item (0 the item itself): its
// identity, or for a moved occurrence the identity within it, so that the
// same item gets the same UIDs in every conversion.
std::string MakeEventUid(const std::vector<std::uint8_t>& storeKey, std::uint32_t nodeId,
                         std::uint32_t eventIndex);

}  // namespace mailwright::formats
