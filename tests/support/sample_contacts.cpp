#include "support/sample_contacts.h"

#include <span>

namespace pstbuild::sample {
namespace {

constexpr std::int64_t kDay = 86400;
constexpr const char* kCompanies[] = {"Example Ltd", "Contoso Trading", "Northwind GmbH"};
constexpr const char* kTitles[] = {"Manager", "Engineer", "Accountant", "Director"};
constexpr const char* kHobbies[] = {"Sailing, chess", "Photography", "Running; cycling"};

// The tiny pictures of the photos: a signature and seeded bytes.
std::vector<std::uint8_t> photo(std::size_t index, Prng& rng) {
    static const std::vector<std::uint8_t> kPng = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static const std::vector<std::uint8_t> kJpeg = {0xFF, 0xD8, 0xFF, 0xE0};
    std::vector<std::uint8_t> data = index % 2 == 0 ? kPng : kJpeg;
    const std::size_t size = 57 + rng.below(3000);
    while (data.size() < size) {
        data.push_back(static_cast<std::uint8_t>(rng.next()));
    }
    return data;
}

void split_name(const std::string& name, std::string& given, std::string& surname) {
    const std::size_t space = name.rfind(' ');
    given = space == std::string::npos ? name : name.substr(0, space);
    surname = space == std::string::npos ? std::string() : name.substr(space + 1);
}

}  // namespace

Contact sample_contact(const SampleContactPerson& p, std::size_t index, Prng& rng) {
    Contact c;
    c.file_as = p.name;
    c.display_name = p.name;
    split_name(p.name, c.given_name, c.surname);
    c.nickname = index % 2 == 0 ? "" : c.given_name;
    c.company = rng.pick(std::span<const char* const>(kCompanies));
    c.department = index % 2 == 0 ? "Sales" : "";
    c.title = rng.pick(std::span<const char* const>(kTitles));
    c.birthday = filetime_from_unix(static_cast<std::int64_t>(rng.between(0, 30 * 365)) * kDay);
    if (index % 2 == 1) {
        c.anniversary =
            filetime_from_unix(static_cast<std::int64_t>(rng.between(30 * 365, 40 * 365)) * kDay);
    }
    c.phones = {{0x3A08, "+1 555 01" + std::to_string(10 + rng.below(90))},
                {0x3A1C, "+1 555 02" + std::to_string(10 + rng.below(90))}};
    if (index % 3 == 0) {
        c.phones.push_back({0x3A09, "+44 20 7946 0" + std::to_string(100 + rng.below(900))});
    }
    c.emails.push_back({p.email});
    if (index % 2 == 0) {
        c.emails.push_back(
            {"/o=Example/ou=Exchange/cn=Recipients/cn=" + c.given_name, "EX", p.email});
    }
    if (!p.street.empty()) {
        c.work = {"", p.street, p.city, "", "12345", "Example Country", p.street + "\r\n" + p.city};
        c.postal_address = PostalAddress::work;
    }
    c.home = {
        "PO Box " + std::to_string(index + 1), "1 Home Lane", "Springfield", "IL", "62701", "USA",
        "1 Home Lane\r\nSpringfield, IL 62701"};
    c.categories = index % 2 == 0 ? std::vector<std::string>{"Business", "Friends, close"}
                                  : std::vector<std::string>{"Family"};
    c.personal_home_page = "https://example.com/~" + std::to_string(index);
    c.details = {{0x3A43, rng.pick(std::span<const char* const>(kHobbies))},
                 {0x3A30, "Pat Assistant"},
                 {0x3A48, index % 2 == 0 ? "Sam Spouse" : ""},
                 {0x3A4E, "Morgan Manager"},
                 {0x3A00, "ACC-" + std::to_string(index)},
                 {0x3A2E, "+1 555 0300"},
                 {0x3A1F, "+1 555 0400"}};
    if (index % 2 == 0) {
        c.children = {"Kim", "Lee"};
    }
    c.gender = static_cast<std::int16_t>(index % 3);
    c.billing = "Net 30";
    if (rng.chance(60)) {
        c.notes = "Met at the fair.\r\nLikes tea; not coffee, thanks.";
    }
    if (index % 3 != 2) {
        c.photo = photo(index, rng);
    }
    return c;
}

bool is_sample_group(std::size_t index, std::size_t count) {
    return count >= 3 && index + 1 == count;
}

Message sample_group(const std::vector<SampleContactPerson>& contacts, std::size_t index,
                     const ProviderUid& record_key) {
    std::vector<GroupMember> members;
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        members.push_back({contacts[i].name, contacts[i].email, i});
    }
    members.push_back({"Outside Friend", "friend@example.org", std::nullopt});
    return group_message("Sample Group", std::move(members), index, record_key);
}

ProviderUid sample_record_key(std::uint64_t seed) {
    ProviderUid key{};
    Prng rng(seed);
    for (std::uint8_t& b : key) {
        b = static_cast<std::uint8_t>(rng.next());
    }
    return key;
}

}  // namespace pstbuild::sample
