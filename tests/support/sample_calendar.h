// The calendar items of the sample mailbox that are made from appointment
// descriptions: the recurring meeting and the zone each item records.
#pragma once

#include <cstddef>
#include <string>

#include "support/appointment_builder.h"

namespace pstbuild::sample {

// The folder's recurring meeting: weekly on Monday and Thursday in Berlin
// time, with a deleted and a moved occurrence.
Message recurring_sample_meeting(const std::string& subject);

// The zone a single sample appointment records: New York, Berlin and
// Kolkata in turn.
const ZoneRules& sample_zone(std::size_t index);

// The start and recurrence definitions of `zone`, for a single item.
std::vector<ExtraProperty> zone_properties(const ZoneRules& zone);

}  // namespace pstbuild::sample
