#include "support/sample_calendar.h"

namespace pstbuild::sample {

Message recurring_sample_meeting(const std::string& subject) {
    Appointment appointment;
    appointment.subject = subject;
    appointment.zone = &berlin_zone();
    appointment.start = {2023, 3, 2, 10, 0};
    appointment.duration_minutes = 30;
    appointment.location = "Main office";
    appointment.reminder_minutes = 15;
    appointment.recurrence = Recurrence{.pattern = RecurrencePatternKind::weekly,
                                        .day_mask = kMonday | kThursday,
                                        .count = 12,
                                        .first_day_of_week = 1,
                                        .deleted = {3},
                                        .moved = {{5, 90, subject + " (moved)", "Room 2"}}};
    appointment.attendees = {
        {make_recipient("Hélène Dubois", "helene.dubois@example.fr"), 3},
        {make_recipient("Kenji Sato", "kenji.sato@example.jp", RecipientType::cc), 2},
    };
    appointment.body = "Agenda: status, risks, next steps.";
    return make_appointment(appointment);
}

const ZoneRules& sample_zone(std::size_t index) {
    switch (index % 3) {
        case 0:
            return new_york_zone();
        case 1:
            return berlin_zone();
        default:
            return kolkata_zone();
    }
}

std::vector<ExtraProperty> zone_properties(const ZoneRules& zone) {
    return {ExtraProperty::of_named(PropertyName{kPsetidAppointment, 0x825E, {}},
                                    pv_binary(time_zone_definition(zone, 0x0002)))};
}

}  // namespace pstbuild::sample
