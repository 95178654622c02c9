// The events the iCalendar writer makes of the builder's appointments (dates
// and zones, all-day dates, people, flags, categories, description, alarm,
// recurrence with its moved occurrences) against a golden file, and the
// reference mail.
#include <gtest/gtest.h>

#include <sstream>

#include "formats/golden_file.h"
#include "formats/mime_calendar_writer.h"
#include "formats/mime_test_file.h"
#include "support/calendar_mailbox.h"

namespace mailwright::formats {
namespace {

using pstbuild::Appointment;

// The appointment with `subject` in the builder's calendar.
Appointment appointment_named(const std::string& subject) {
    for (const Appointment& appointment : pstbuild::calendar_appointments()) {
        if (appointment.subject == subject) {
            return appointment;
        }
    }
    throw std::logic_error("no appointment " + subject);
}

struct Written {
    CalendarItemOutput output;
    std::string reference;
};

// The output of each appointment, written from one file.
std::vector<Written> write_all(const std::vector<Appointment>& appointments) {
    std::vector<pstbuild::Message> items;
    for (const Appointment& appointment : appointments) {
        items.push_back(pstbuild::make_appointment(appointment));
    }
    const auto built = mimetest::build_inbox(items);
    pstread::pst file(built.open());
    pstread::folder inbox = file.open_folder(built.folder_nid(mimetest::kInboxPath));
    MIMECalendarWriter writer(false, true, 1252);
    writer.resolveNamedPropIds(file);
    writer.setSystemTimeZone(*text::DateTimeZone::from_id("Europe/Berlin"));
    std::vector<Written> written;
    for (pstread::message m : inbox.messages()) {
        std::ostringstream reference;
        const CalendarItemOutput output =
            writer.writeItem(&reference, m, u"Ref - ", u"\r\n NOTE: see Ref", true, true);
        written.push_back({output, reference.str()});
    }
    return written;
}

Written write(const Appointment& appointment) {
    return write_all({appointment}).at(0);
}

TEST(MIMECalendarWriter, EventsOfTheBuilderCalendarMatchTheGoldenFile) {
    std::vector<Appointment> appointments = pstbuild::calendar_appointments();
    Appointment floating = appointment_named("Dentist");
    floating.subject = "Dentist without a zone";
    floating.zone = nullptr;
    appointments.push_back(floating);
    std::string events;
    for (const Written& w : write_all(appointments)) {
        for (const std::string& event : w.output.events) {
            events += event;
        }
    }
    goldentest::ExpectGolden("calendar_events.ics", events);
}

TEST(MIMECalendarWriter, ReferenceMailOnlyForContent) {
    const Written meeting = write(appointment_named("Budget review"));
    EXPECT_TRUE(meeting.output.referenceWritten);
    EXPECT_NE(meeting.reference.find("Subject: Ref - Budget review"), std::string::npos)
        << meeting.reference;
    // A series' exception attachments are not content of its own.
    for (const char* subject : {"Anniversary", "Fortnightly sync"}) {
        const Written plain = write(appointment_named(subject));
        EXPECT_FALSE(plain.output.referenceWritten) << subject;
        EXPECT_TRUE(plain.reference.empty()) << subject;
    }
}

}  // namespace
}  // namespace mailwright::formats
