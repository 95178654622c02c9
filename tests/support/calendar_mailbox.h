// The builder's calendar: appointments and meetings of every recurrence
// pattern, end type and zone record, all-day events, deleted and moved
// occurrences, attendees of every type and response, reminders, a
// description and an attachment, each with the occurrences it means.
#pragma once

#include <vector>

#include "support/appointment_builder.h"

namespace pstbuild {

std::vector<Appointment> calendar_appointments();

// A mailbox whose "Calendar" folder holds `appointments`.
Mailbox calendar_mailbox(const std::vector<Appointment>& appointments);

}  // namespace pstbuild
