// VEVENT lines the iCalendar writer makes from builder appointments: dates
// and zones, all-day dates, people, flags, categories, description, alarm,
// recurrence with its moved occurrences, and the reference mail.
#include <gtest/gtest.h>

#include <sstream>

#include "formats/mime_calendar_writer.h"
#include "formats/mime_test_file.h"
#include "support/calendar_mailbox.h"

namespace mailwright::formats {
namespace {

using pstbuild::AppointmentSpec;

// The appointment with `subject` in the builder's calendar.
AppointmentSpec spec_named(const std::string& subject) {
    for (const AppointmentSpec& spec : pstbuild::calendar_appointments()) {
        if (spec.subject == subject) {
            return spec;
        }
    }
    throw std::logic_error("no appointment " + subject);
}

std::size_t count_of(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + 1)) {
        ++n;
    }
    return n;
}

struct Written {
    CalendarItemOutput output;
    std::string reference;
};

Written write(AppointmentSpec spec, bool sameBuffer = true,
              pstbuild::Variant variant = pstbuild::Variant::unicode) {
    const auto built =
        mimetest::build_inbox({pstbuild::make_appointment(spec)}, {.variant = variant});
    pstread::pst file(built.open());
    pstread::folder inbox = file.open_folder(built.folder_nid(mimetest::kInboxPath));
    MIMECalendarWriter writer(false, variant == pstbuild::Variant::unicode, 1252);
    writer.resolveNamedPropIds(file);
    writer.setSystemTimeZone(*text::DateTimeZone::from_id("Europe/Berlin"));
    std::ostringstream reference;
    for (pstread::message m : inbox.messages()) {
        Written written{
            writer.writeItem(&reference, m, u"Ref - ", u"\r\n NOTE: see Ref", sameBuffer, true),
            ""};
        written.reference = reference.str();
        return written;
    }
    throw std::logic_error("no message");
}

TEST(MIMECalendarWriter, EventLines) {
    AppointmentSpec floating = spec_named("Dentist");
    floating.zone = nullptr;
    struct Case {
        AppointmentSpec spec;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {spec_named("Independence Day"),
         {"\r\nDTSTART;VALUE=DATE:20240815\r\nDTEND;VALUE=DATE:20240816", "\r\nTRANSP:TRANSPARENT"},
         {"TZID", "DESCRIPTION", "VALARM"}},
        {spec_named("Dentist"),
         {"\r\nDTSTART;TZID=America/New_York:20240308T090000\r\nDTEND;TZID=America/New_York:"
          "20240308T100000",
          "\r\nDESCRIPTION:\r\n Bring the insurance card.\r\n \\n NOTE: see Ref",
          "\r\nLOCATION:Main St 5", "\r\nTRIGGER:-PT15M\r\nACTION:DISPLAY"},
         {"RRULE"}},
        // An item that records no zone is shown in the system zone.
        {floating, {"\r\nDTSTART;TZID=Europe/Berlin:20240308T100000"}, {}},
        {spec_named("Budget review"),
         {"\r\nORGANIZER;CN=\"Alex Morgan\":MAILTO:alex.morgan@example.com",
          "\r\nATTENDEE;ROLE=REQ-PARTICIPANT;CN=\"Hélène Dubois\";RSVP=FALSE;PARTSTAT=ACCEPTED:"
          "MAILTO:helene.dubois@example.fr",
          ";ROLE=OPT-PARTICIPANT;CN=\"Kenji Sato\";RSVP=FALSE;PARTSTAT=TENTATIVE:",
          ";PARTSTAT=DECLINED:MAILTO:ola@example.no",
          ";CN=\"Room 4\";RSVP=FALSE;CUTYPE=RESOURCE:MAILTO:room4@example.com",
          ";CN=\"Finance Team\";RSVP=FALSE;CUTYPE=GROUP:MAILTO:finance@example.com",
          "MAILTO:kim.lee@example.com", "\r\nCATEGORIES:Finance,Quarterly\\, reviewed",
          "\r\nCLASS:PRIVATE", "\r\nPRIORITY:1", "\r\nLOCATION:Room 4\\; 2nd floor\\, east"},
         {"ATTENDEE;ROLE=REQ-PARTICIPANT;CN=\"Alex Morgan\"", "/O=EXAMPLE"}},
        {spec_named("Tuesday check"),
         {"\r\nDTSTART;TZID=Eastern Time (US & Canada):20241029T080000",
          "\r\nRRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=TU;COUNT=6;WKST=SU"},
         {}},
        {spec_named("Biennial review"),
         {"\r\nRRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=9;BYMONTHDAY=2;COUNT=3"},
         {}},
        {spec_named("Family day"),
         {"\r\nDTSTART;VALUE=DATE:20240324", "\r\nEXDATE;VALUE=DATE:20240331"},
         {"TZID"}},
    };
    for (const Case& c : cases) {
        const std::string text = write(c.spec).output.events.at(0);
        for (const std::string& line : c.present) {
            EXPECT_NE(text.find(line), std::string::npos) << c.spec.subject << ": " << line << "\n"
                                                          << text;
        }
        for (const std::string& piece : c.absent) {
            EXPECT_EQ(text.find(piece), std::string::npos) << c.spec.subject << ": " << piece;
        }
    }
}

TEST(MIMECalendarWriter, MovedOccurrencesAreEventsOfTheirOwn) {
    for (const pstbuild::Variant variant : {pstbuild::Variant::unicode, pstbuild::Variant::ansi}) {
        const Written same = write(spec_named("Fortnightly sync"), true, variant);
        ASSERT_EQ(same.output.events.size(), 1u);
        const std::string& text = same.output.events[0];
        EXPECT_EQ(text.rfind("\r\nBEGIN:VEVENT", 0), 0u);
        // The deleted Wednesday and both moved occurrences are excluded from
        // the rule at their original starts.
        for (const char* line :
             {"\r\nEXDATE;TZID=America/New_York:20241030T140000",
              "\r\nEXDATE;TZID=America/New_York:20241113T140000",
              "\r\nEXDATE;TZID=America/New_York:20241127T140000", "\r\nSUMMARY:Moved sync\r\n",
              "\r\nLOCATION:Room B", "\r\nDTSTART;TZID=America/New_York:20241113T143000",
              "\r\nLOCATION:Lab", "\r\nDTSTART;TZID=America/New_York:20241127T120000"}) {
            EXPECT_NE(text.find(line), std::string::npos) << line;
        }
        EXPECT_EQ(count_of(text, "BEGIN:VEVENT"), 3u);
        EXPECT_EQ(count_of(text, "RRULE"), 1u);
        EXPECT_EQ(write(spec_named("Fortnightly sync"), false, variant).output.events.size(), 3u);
    }
}

TEST(MIMECalendarWriter, ReferenceMailOnlyForContent) {
    const Written meeting = write(spec_named("Budget review"));
    EXPECT_TRUE(meeting.output.referenceWritten);
    EXPECT_NE(meeting.reference.find("Subject: Ref - Budget review"), std::string::npos)
        << meeting.reference;
    // A series' exception attachments are not content of its own.
    for (const char* subject : {"Anniversary", "Fortnightly sync"}) {
        const Written plain = write(spec_named(subject));
        EXPECT_FALSE(plain.output.referenceWritten) << subject;
        EXPECT_TRUE(plain.reference.empty()) << subject;
    }
    EXPECT_EQ(MIMECalendarWriter::calendarOpening(),
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Mailwright//Pro//EN");
}

}  // namespace
}  // namespace mailwright::formats
