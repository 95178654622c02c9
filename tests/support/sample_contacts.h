// The contacts of the sample mailbox: people of the sample languages with
// names, addresses, telephone numbers, e-mail addresses, birthday,
// categories, extended details, notes and photos, and a contact group of
// the folder's other contacts.
#pragma once

#include <cstddef>
#include <string>

#include "support/contact_builder.h"
#include "support/prng.h"

namespace pstbuild::sample {

// The contact of a person; `representable` tells whether a text survives
// the file's code page.
struct SampleContactPerson {
    std::string name;
    std::string email;
    std::string street;  // empty when not representable
    std::string city;
};

Contact sample_contact(const SampleContactPerson& person, std::size_t index, Prng& rng);

// Whether item `index` of a contacts folder of `count` items is its group:
// the last item of a folder with three items or more.
bool is_sample_group(std::size_t index, std::size_t count);

// The group: every earlier contact of the folder and one plain address.
Message sample_group(const std::vector<SampleContactPerson>& contacts, std::size_t index,
                     const ProviderUid& record_key);

// The record key of the sample store of a seed.
ProviderUid sample_record_key(std::uint64_t seed);

}  // namespace pstbuild::sample
