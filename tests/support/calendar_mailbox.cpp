#include "support/calendar_mailbox.h"

namespace pstbuild {
namespace {

using Kind = RecurrencePatternKind;

Appointment timed(std::string subject, const ZoneRules& zone, LocalTime start, int minutes) {
    Appointment appointment;
    appointment.subject = std::move(subject);
    appointment.zone = &zone;
    appointment.start = start;
    appointment.duration_minutes = minutes;
    return appointment;
}

Appointment recurring(std::string subject, const ZoneRules& zone, LocalTime start,
                      Recurrence recurrence) {
    Appointment appointment = timed(std::move(subject), zone, start, 45);
    appointment.recurrence = std::move(recurrence);
    return appointment;
}

Appointment all_day(std::string subject, const ZoneRules& zone, LocalTime date, int days) {
    Appointment appointment = timed(std::move(subject), zone, date, days * 1440);
    appointment.all_day = true;
    appointment.busy_status = 0;
    return appointment;
}

Appointment meeting() {
    Appointment appointment = timed("Budget review", new_york_zone(), {2024, 6, 3, 13, 0}, 90);
    appointment.location = "Room 4; 2nd floor, east";
    appointment.body = "Please bring the Q2 figures.\r\nDial-in: 555-0100";
    appointment.reminder_minutes = 30;
    appointment.importance = 2;
    appointment.is_private = true;
    appointment.keywords = {"Finance", "Quarterly, reviewed"};
    appointment.response_requested = false;
    Recipient resource = make_recipient("Room 4", "room4@example.com", RecipientType::bcc);
    Recipient list = make_recipient("Finance Team", "finance@example.com", RecipientType::cc);
    Recipient exchange = make_recipient("Kim Lee", "/O=EXAMPLE/OU=FIRST/CN=RECIPIENTS/CN=KLEE");
    exchange.address_type = "EX";
    exchange.extra.push_back(ExtraProperty::of_text(0x39FE, "kim.lee@example.com"));
    appointment.attendees = {
        {make_recipient("Alex Morgan", "alex.morgan@example.com"), 0, true},
        {make_recipient("Hélène Dubois", "helene.dubois@example.fr"), 3},
        {make_recipient("Kenji Sato", "kenji.sato@example.jp", RecipientType::cc), 2},
        {make_recipient("Ola Nordmann", "ola@example.no"), 4},
        {resource, 0},
        {list, 0, false, true},
        {exchange, 0},
    };
    Attachment agenda;
    agenda.filename = "agenda.txt";
    agenda.data = {'A', 'g', 'e', 'n', 'd', 'a'};
    appointment.attachments = {agenda};
    return appointment;
}

}  // namespace

std::vector<Appointment> calendar_appointments() {
    std::vector<Appointment> list;
    Appointment single = timed("Dentist", new_york_zone(), {2024, 3, 8, 9, 0}, 60);
    single.reminder_minutes = 15;
    single.body = "Bring the insurance card.";
    single.location = "Main St 5";
    list.push_back(single);
    list.push_back(all_day("Independence Day", kolkata_zone(), {2024, 8, 15}, 1));
    list.push_back(all_day("Christmas", berlin_zone(), {2024, 12, 24}, 2));
    list.push_back(meeting());
    list.push_back(recurring("Every other day", berlin_zone(), {2024, 3, 25, 8, 0},
                             {.pattern = Kind::daily, .interval = 2, .count = 10, .deleted = {2}}));
    list.push_back(recurring("Stand-up", new_york_zone(), {2024, 11, 1, 9, 30},
                             {.pattern = Kind::weekdays,
                              .end = RecurrenceEnd::by_date,
                              .until = {2024, 11, 15},
                              .moved = {{3, 60, "Stand-up (late)", ""}}}));
    list.push_back(recurring("Fortnightly sync", new_york_zone(), {2024, 10, 28, 14, 0},
                             {.pattern = Kind::weekly,
                              .interval = 2,
                              .day_mask = kMonday | kWednesday | kFriday,
                              .count = 12,
                              .first_day_of_week = 1,
                              .deleted = {1},
                              .moved = {{4, 30, "Moved sync", "Room B"}, {7, -120, "", "Lab"}}}));
    list.push_back(recurring("Invoice run", berlin_zone(), {2024, 1, 15, 10, 0},
                             {.pattern = Kind::monthly,
                              .interval = 2,
                              .day_of_month = 15,
                              .end = RecurrenceEnd::by_date,
                              .until = {2025, 1, 15}}));
    list.push_back(recurring("Month-end drinks", kolkata_zone(), {2024, 1, 26, 16, 0},
                             {.pattern = Kind::monthly_nth,
                              .day_mask = kFriday,
                              .nth = 5,
                              .end = RecurrenceEnd::never}));
    list.push_back(
        recurring("Board meeting", new_york_zone(), {2024, 2, 13, 11, 0},
                  {.pattern = Kind::monthly_nth, .day_mask = kTuesday, .nth = 2, .count = 6}));
    list.push_back(recurring("Anniversary", berlin_zone(), {2024, 5, 20, 12, 0},
                             {.pattern = Kind::yearly, .day_of_month = 20, .count = 5}));
    list.push_back(
        recurring("Spring audit", new_york_zone(), {2024, 3, 12, 9, 0},
                  {.pattern = Kind::yearly_nth, .day_mask = kTuesday, .nth = 2, .count = 4}));
    list.push_back(
        recurring("Biennial review", kolkata_zone(), {2024, 9, 2, 10, 0},
                  {.pattern = Kind::yearly, .interval = 2, .day_of_month = 2, .count = 3}));
    Appointment sundays = all_day("Family day", berlin_zone(), {2024, 3, 24}, 1);
    sundays.recurrence =
        Recurrence{.pattern = Kind::weekly, .day_mask = kSunday, .count = 5, .deleted = {1}};
    list.push_back(sundays);
    Appointment old_client = recurring("Tuesday check", new_york_zone(), {2024, 10, 29, 8, 0},
                                       {.pattern = Kind::weekly, .day_mask = kTuesday, .count = 6});
    old_client.record = ZoneRecord::zone_struct;
    list.push_back(old_client);
    return list;
}

Mailbox calendar_mailbox(const std::vector<Appointment>& appointments) {
    Mailbox box = standard_mailbox("Calendar Test");
    Folder& calendar = box.top().add_folder("Calendar", "IPF.Appointment");
    for (const Appointment& appointment : appointments) {
        calendar.messages.push_back(make_appointment(appointment));
    }
    return box;
}

}  // namespace pstbuild
