#include "support/sample_mailbox.h"
#include "support/sample_calendar.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "support/code_page_text.h"
#include "support/prng.h"
#include "support/sample_contacts.h"
#include "support/sample_text.h"

namespace pstbuild::sample {
namespace {

constexpr std::int64_t kFirstDay = 1677628800;  // 2023-03-01 00:00 UTC
constexpr std::int64_t kDay = 86400;
// The mailbox's owner: the sender of sent mail, a recipient of received mail.
const Person& owner() {
    static const Person kOwner{"Alex Morgan", "alex.morgan@example.com", "SMTP"};
    return kOwner;
}

// Named properties of appointments ([MS-OXPROPS] via the MAPI
// canonical property pages).
constexpr std::uint32_t kLidAppointmentSequence = 0x8201;
constexpr std::uint32_t kLidBusyStatus = 0x8205;
constexpr std::uint32_t kLidLocation = 0x8208;
constexpr std::uint32_t kLidAppointmentStartWhole = 0x820D;
constexpr std::uint32_t kLidAppointmentEndWhole = 0x820E;
constexpr std::uint32_t kLidAppointmentSubType = 0x8215;
constexpr std::uint32_t kLidRecurring = 0x8223;

// Addresses that are not language specific.
constexpr const char* kStreets[] = {"12 High Street", "Hauptstraße 5", "Rue de la Paix 8"};
constexpr const char* kCities[] = {"London", "München", "Paris", "Athens", "Tokyo"};

// The languages of a file, worked out once per code page: checking every
// phrase against a code page is far slower than making a message.
const std::vector<const Language*>& allowed_languages(const SampleOptions& options) {
    static std::mutex mutex;
    static std::map<unsigned, std::vector<const Language*>> cache;
    const unsigned code_page = options.variant == Variant::unicode ? 0 : options.code_page;
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = cache.find(code_page);
    if (found == cache.end()) {
        found = cache.emplace(code_page, languages_for(code_page)).first;
    }
    return found->second;
}

const Language& pick_language(const std::vector<const Language*>& langs, Prng& rng) {
    // English in about a third of the mail, the others evenly.
    if (rng.chance(35)) {
        return *langs.front();
    }
    return *langs[rng.below(langs.size())];
}

Person person_of(const SamplePerson& p) {
    return Person{p.name, p.email, "SMTP"};
}

std::string hex_id(std::uint64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%016llX", static_cast<unsigned long long>(value));
    return buffer;
}

FileTime at(std::int64_t unix_seconds) {
    return filetime_from_unix(unix_seconds);
}

// --- attachments -----------------------------------------------------------

struct BinaryKind {
    const char* extension;
    const char* mime_type;
    const char* magic;
    std::size_t magic_size;
};

constexpr BinaryKind kBinaryKinds[] = {
    {".pdf", "application/pdf", "%PDF-1.4\n", 9},
    {".png", "image/png", "\x89PNG\r\n\x1A\n", 8},
    {".zip", "application/zip", "PK\x03\x04", 4},
    {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
     "PK\x03\x04", 4},
    {".jpg", "image/jpeg", "\xFF\xD8\xFF\xE0", 4},
};

std::vector<std::uint8_t> binary_data(const BinaryKind& kind, std::size_t size, Prng& rng) {
    std::vector<std::uint8_t> data(std::max(size, kind.magic_size));
    rng.fill(data);
    std::copy(kind.magic, kind.magic + kind.magic_size, data.begin());
    return data;
}

std::size_t attachment_size(const SampleOptions& options, Prng& rng) {
    const std::size_t target = options.attachment_kb * 1024;
    return std::max<std::size_t>(1, target * rng.between(50, 150) / 100);
}

Attachment text_attachment(const Language& language, std::size_t size, Prng& rng) {
    Attachment a;
    const bool csv = rng.chance(30);
    if (csv) {
        std::string text = "id,name,amount\r\n";
        for (std::size_t row = 1; text.size() < size; ++row) {
            const SamplePerson& p = rng.pick(language.people);
            text += std::to_string(row) + ",\"" + p.name + "\"," +
                    std::to_string(rng.below(100000)) + "." + std::to_string(rng.below(90) + 10) +
                    "\r\n";
        }
        a.filename = std::string(language.folder_names[0]) + ".csv";
        a.mime_type = "text/csv";
        a.data.assign(text.begin(), text.end());
    } else {
        const std::string text = paragraphs(language, rng, size);
        a.filename = "notes-" + std::string(language.code) + ".txt";
        a.mime_type = "text/plain";
        a.data.assign(text.begin(), text.end());
    }
    return a;
}

Attachment binary_attachment(const Language& language, std::size_t size, std::size_t number,
                             Prng& rng) {
    const BinaryKind& kind = rng.pick(std::span<const BinaryKind>(kBinaryKinds));
    Attachment a;
    // Now and then a file name in the message's language.
    const std::string stem = rng.chance(25) ? std::string(rng.pick(language.folder_names))
                                            : "document-" + std::to_string(number + 1);
    a.filename = stem + kind.extension;
    a.mime_type = kind.mime_type;
    a.data = binary_data(kind, size, rng);
    return a;
}

Attachment inline_image(std::size_t number, Prng& rng) {
    Attachment a;
    a.filename = "image00" + std::to_string(number + 1) + ".png";
    a.mime_type = "image/png";
    a.content_id = a.filename + "@01DA" + hex_id(rng.next()).substr(0, 4) + "." +
                   hex_id(rng.next()).substr(0, 8);
    a.data = binary_data(kBinaryKinds[1], 1024 + rng.below(6 * 1024), rng);
    return a;
}

// --- mail ------------------------------------------------------------------

std::string transport_headers(const Message& m, std::int64_t sent, const std::string& charset) {
    std::string h =
        "Received: from mail.example.org (mail.example.org [192.0.2.25])\r\n"
        "\tby mx.example.com with ESMTPS id " +
        hex_id(static_cast<std::uint64_t>(sent)) + ";\r\n\t" + rfc822_date(sent + 7) + "\r\n";
    h += "From: " + header_word(m.sender.name) + " <" + m.sender.email + ">\r\n";
    std::string to;
    for (const Recipient& r : m.recipients) {
        if (r.type == RecipientType::to) {
            to += (to.empty() ? "" : ",\r\n ") + header_word(r.name) + " <" + r.email + ">";
        }
    }
    if (!to.empty()) {
        h += "To: " + to + "\r\n";
    }
    h += "Subject: " + header_word(m.subject_prefix + m.subject) + "\r\n";
    h += "Date: " + rfc822_date(sent) + "\r\n";
    if (!m.internet_message_id.empty()) {
        h += "Message-ID: " + m.internet_message_id + "\r\n";
    }
    h += "MIME-Version: 1.0\r\n";
    h += "Content-Type: text/plain; charset=\"" + charset + "\"\r\n";
    h += "Content-Transfer-Encoding: 8bit\r\n\r\n";
    return h;
}

void add_recipients(Message& m, const Language& language, bool sent, Prng& rng) {
    const std::size_t others = sent ? 1 + rng.below(4) : rng.below(4);
    if (!sent) {
        m.recipients.push_back(make_recipient(owner().name, owner().email));
    }
    for (std::size_t i = 0; i < others; ++i) {
        const SamplePerson& p = rng.pick(language.people);
        Recipient r = make_recipient(p.name, p.email);
        if (i > 0 || !sent) {
            const std::uint64_t kind = rng.below(10);
            r.type = kind < 5   ? RecipientType::to
                     : kind < 9 ? RecipientType::cc
                                : RecipientType::bcc;
        }
        if (rng.chance(5)) {
            // An Exchange recipient: X.500 address, and sometimes no SMTP cell.
            r.address_type = "EX";
            r.write_smtp_address = rng.chance(50);
            std::string upper;
            const std::string email = p.email;
            for (const char c : email.substr(0, email.find('@'))) {
                upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            r.email = "/O=EXAMPLE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=" + upper;
        }
        m.recipients.push_back(std::move(r));
    }
}

// A short message that another message carries as an attachment.
std::shared_ptr<const Message> embedded_message(const SampleOptions& options,
                                                const Language& language, std::int64_t before,
                                                int depth, Prng& rng) {
    auto m = std::make_shared<Message>();
    m->subject = rng.pick(language.subjects);
    m->sender = person_of(rng.pick(language.people));
    m->recipients.push_back(make_recipient(owner().name, owner().email));
    const std::int64_t sent = before - static_cast<std::int64_t>(rng.between(3600, 30 * kDay));
    m->submit_time = at(sent);
    m->delivery_time = at(sent + 60);
    m->body = plain_body(language, rng, 150 + rng.below(400), m->sender.name);
    m->internet_message_id = "<" + hex_id(rng.next()) + "@example.org>";
    if (rng.chance(30)) {
        m->attachments.push_back(text_attachment(language, 200 + rng.below(2000), rng));
    }
    if (depth < 2 && rng.chance(15)) {
        Attachment nested;
        nested.embedded = embedded_message(options, language, sent, depth + 1, rng);
        nested.display_name = nested.embedded->subject;
        m->attachments.push_back(std::move(nested));
    }
    return m;
}

void add_bodies(Message& m, const Language& language, const SampleOptions& options, Prng& rng,
                const std::vector<std::string>& inline_images) {
    const std::size_t length = rng.chance(5) ? 6000 + rng.below(14000) : 200 + rng.below(1500);
    const std::string plain = plain_body(language, rng, length, m.sender.name);
    const unsigned internet_cp = m.internet_code_page.value_or(kCodePageUtf8);
    const unsigned rtf_cp = options.variant == Variant::ansi ? options.code_page : 1252;
    const std::uint64_t kind = rng.below(100);
    const bool html = !inline_images.empty() || (kind >= 30 && kind < 65);
    if (kind < 55 || kind >= 65) {
        m.body = plain;
    }
    if (html) {
        m.html = html_body(plain, charset_label(internet_cp), inline_images);
        if (kind >= 55 && kind < 65) {
            m.body.reset();  // HTML only
        }
    } else if (kind >= 65 && kind < 78) {
        m.rtf = rtf_body(plain, rtf_cp);
    } else if (kind >= 78 && kind < 86) {
        m.rtf = rtf_body(plain, rtf_cp);
        m.rtf_form = RtfForm::uncompressed;
        m.body.reset();
    } else if (kind >= 86) {
        m.rtf = rtf_encapsulated_html(plain, rtf_cp);
    }
}

void add_attachments(Message& m, const Language& language, const SampleOptions& options,
                     std::int64_t sent, Prng& rng) {
    if (rng.chance(35)) {
        const std::uint64_t roll = rng.below(100);
        const std::size_t count = roll < 70 ? 1 : roll < 95 ? 2 : 3;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t size = attachment_size(options, rng);
            m.attachments.push_back(rng.chance(35) ? text_attachment(language, size, rng)
                                                   : binary_attachment(language, size, i, rng));
        }
    }
    if (m.subject_prefix == language.forward_prefix || rng.chance(3)) {
        Attachment forwarded;
        forwarded.embedded = embedded_message(options, language, sent, 1, rng);
        forwarded.display_name = forwarded.embedded->subject;
        m.attachments.push_back(std::move(forwarded));
    }
}

Message mail_message(const SampleOptions& options, const FolderPlan& folder, std::size_t ordinal,
                     std::size_t index, Prng& rng) {
    const std::vector<const Language*>& langs = allowed_languages(options);
    const Language& language = pick_language(langs, rng);
    const bool sent = folder.kind == FolderKind::sent;
    Message m;
    m.sender = sent ? owner() : person_of(rng.pick(language.people));
    add_recipients(m, language, sent, rng);
    m.subject = rng.pick(language.subjects);
    const std::uint64_t prefix = rng.below(100);
    if (prefix < 20) {
        m.subject_prefix = language.reply_prefix;
    } else if (prefix < 27) {
        m.subject_prefix = language.forward_prefix;
    }
    const std::int64_t time = kFirstDay + static_cast<std::int64_t>(ordinal) * 7 * kDay +
                              static_cast<std::int64_t>(index) * 5400 +
                              static_cast<std::int64_t>(rng.below(3600));
    m.submit_time = at(time);
    m.delivery_time =
        sent ? m.submit_time : at(time + 30 + static_cast<std::int64_t>(rng.below(600)));
    m.delivery_time_as_apptime = rng.chance(1);
    m.read = sent || rng.chance(75);
    if (const std::uint64_t roll = rng.below(100); roll < 8) {
        m.importance = 2;
    } else if (roll < 12) {
        m.importance = 0;
    }
    if (rng.chance(5)) {
        m.priority = rng.chance(50) ? 1 : -1;
    }
    m.internet_code_page =
        options.variant == Variant::ansi ? options.code_page : rng.pick(language.code_pages);
    if (rng.chance(85)) {
        m.internet_message_id = "<" + hex_id(rng.next()) + "." + std::to_string(index) + "@" +
                                m.sender.email.substr(m.sender.email.find('@') + 1) + ">";
    }
    if (m.subject_prefix == language.reply_prefix) {
        m.in_reply_to = "<" + hex_id(rng.next()) + "@example.org>";
        m.references = m.in_reply_to;
    }
    std::vector<std::string> images;
    std::vector<Attachment> inline_attachments;
    if (rng.chance(8)) {
        inline_attachments.push_back(inline_image(0, rng));
        images.push_back(inline_attachments.back().content_id);
    }
    add_bodies(m, language, options, rng, images);
    add_attachments(m, language, options, time, rng);
    m.attachments.insert(m.attachments.end(), inline_attachments.begin(), inline_attachments.end());
    if (!sent && rng.chance(60)) {
        m.transport_headers = transport_headers(m, time, charset_label(*m.internet_code_page));
    }
    return m;
}

// --- other items -----------------------------------------------------------

ExtraProperty named_text(const Guid& set, std::uint32_t lid, std::string text) {
    return ExtraProperty::of_named_text(PropertyName{set, lid, {}}, std::move(text));
}

ExtraProperty named_value(const Guid& set, std::uint32_t lid, PropertyValue value) {
    return ExtraProperty::of_named(PropertyName{set, lid, {}}, std::move(value));
}

// The sample person of contact `index`, with an address when the file's
// code page holds it.
SampleContactPerson contact_person(const SampleOptions& options, std::size_t index, Prng& rng) {
    const std::vector<const Language*>& langs = allowed_languages(options);
    const Language& language = *langs[index % langs.size()];
    const SamplePerson& p = language.people[(index / langs.size()) % language.people.size()];
    SampleContactPerson person{p.name, p.email, rng.pick(std::span<const char* const>(kStreets)),
                               rng.pick(std::span<const char* const>(kCities))};
    if (!representable(person.street + person.city,
                       options.variant == Variant::ansi ? options.code_page : kCodePageUtf8)) {
        person.street.clear();
        person.city.clear();
    }
    return person;
}

Message contact(const SampleOptions& options, std::size_t ordinal, std::size_t index,
                std::size_t count, Prng& rng) {
    if (is_sample_group(index, count)) {
        std::vector<SampleContactPerson> people;
        for (std::size_t i = 0; i < index; ++i) {
            Prng item_rng = Prng::for_item(options.seed, ordinal + 1, i);
            people.push_back(contact_person(options, i, item_rng));
        }
        return sample_group(people, index, sample_record_key(options.seed));
    }
    const SampleContactPerson person = contact_person(options, index, rng);
    Message m = contact_message(sample_contact(person, index, rng));
    const std::int64_t created = kFirstDay - static_cast<std::int64_t>(rng.below(400)) * kDay;
    m.creation_time = at(created);
    m.modification_time = at(created + kDay);
    return m;
}

Message appointment(const SampleOptions& options, std::size_t ordinal, std::size_t index,
                    std::size_t count, Prng& rng) {
    const std::vector<const Language*>& langs = allowed_languages(options);
    const Language& language = *langs[index % langs.size()];
    Message m;
    m.message_class = "IPM.Appointment";
    m.subject = rng.pick(language.meetings);
    m.sender = owner();
    const bool recurring = index == 0 && count >= 2;
    if (recurring) {
        return recurring_sample_meeting(m.subject);
    }
    const bool all_day = rng.chance(15);
    // Times are wall-clock times of the item's zone; an all-day event runs
    // from one local midnight to the next.
    const ZoneRules& zone = sample_zone(index);
    const std::int64_t local = kFirstDay + static_cast<std::int64_t>(ordinal + index * 3) * kDay +
                               (all_day ? 0 : (8 + static_cast<std::int64_t>(rng.below(9))) * 3600);
    const std::int64_t start = local_to_utc(zone, local);
    const std::int64_t end = local_to_utc(
        zone, local + (all_day ? kDay : (1 + static_cast<std::int64_t>(rng.below(3))) * 1800));
    m.creation_time = at(start - 7 * kDay);
    m.delivery_time = m.creation_time;
    m.extra = {
        named_value(kPsetidAppointment, kLidAppointmentStartWhole, pv_systime(at(start))),
        named_value(kPsetidAppointment, kLidAppointmentEndWhole, pv_systime(at(end))),
        named_text(kPsetidAppointment, kLidLocation, rng.pick(language.places)),
        named_value(kPsetidAppointment, kLidBusyStatus, pv_long(all_day ? 0 : 2)),
        named_value(kPsetidAppointment, kLidAppointmentSubType, pv_bool(all_day)),
        named_value(kPsetidAppointment, kLidAppointmentSequence, pv_long(0)),
        named_value(kPsetidAppointment, kLidRecurring, pv_bool(false)),
    };
    for (ExtraProperty& definition : zone_properties(zone)) {
        m.extra.push_back(std::move(definition));
    }
    if (rng.chance(60)) {
        m.body = paragraphs(language, rng, 60 + rng.below(300));
    }
    if (rng.chance(40)) {
        const SamplePerson& p = rng.pick(language.people);
        m.recipients.push_back(make_recipient(p.name, p.email));
    }
    if (rng.chance(20)) {
        m.attachments.push_back(text_attachment(language, 300 + rng.below(3000), rng));
    }
    return m;
}

Message simple_item(const SampleOptions& options, const char* message_class, std::size_t index,
                    Prng& rng) {
    const std::vector<const Language*>& langs = allowed_languages(options);
    const Language& language = *langs[index % langs.size()];
    Message m;
    m.message_class = message_class;
    m.subject = rng.pick(language.sentences);
    m.body = paragraphs(language, rng, 80 + rng.below(400));
    m.sender = owner();
    const std::int64_t created = kFirstDay + static_cast<std::int64_t>(index) * kDay;
    m.creation_time = at(created);
    m.delivery_time = m.creation_time;
    return m;
}

// --- folders ---------------------------------------------------------------

struct FixedFolder {
    const char* path;
    FolderKind kind;
    const char* container_class;
};

constexpr FixedFolder kFixedFolders[] = {
    {"Inbox", FolderKind::inbox, "IPF.Note"},
    {"Calendar", FolderKind::calendar, "IPF.Appointment"},
    {"Contacts", FolderKind::contacts, "IPF.Contact"},
    {"Sent Items", FolderKind::sent, "IPF.Note"},
    {nullptr, FolderKind::mail, "IPF.Note"},  // below the Inbox, named in a language
    {"Notes", FolderKind::notes, "IPF.StickyNote"},
    {"Tasks", FolderKind::tasks, "IPF.Task"},
    {"Journal", FolderKind::journal, "IPF.Journal"},
};

bool is_mail(FolderKind kind) {
    return kind == FolderKind::inbox || kind == FolderKind::sent || kind == FolderKind::mail;
}

std::string unique_path(const std::string& parent, std::string name,
                        const std::set<std::string>& taken) {
    const std::string base = parent.empty() ? name : parent + "/" + name;
    std::string path = base;
    for (int n = 2; taken.contains(path); ++n) {
        path = base + " " + std::to_string(n);
    }
    return path;
}

void distribute(std::vector<FolderPlan>& plan, std::size_t messages) {
    std::size_t left = messages;
    auto take = [&left](std::size_t wanted) {
        const std::size_t n = std::min(left, wanted);
        left -= n;
        return n;
    };
    for (FolderPlan& f : plan) {
        if (f.kind == FolderKind::calendar || f.kind == FolderKind::contacts) {
            f.messages = take(std::clamp<std::size_t>(messages / 10, 1, 5));
        } else if (!is_mail(f.kind)) {
            f.messages = take(std::clamp<std::size_t>(messages / 20, 1, 3));
        }
    }
    std::vector<FolderPlan*> mail;
    for (FolderPlan& f : plan) {
        if (is_mail(f.kind)) {
            mail.push_back(&f);
        }
    }
    if (mail.empty()) {
        return;
    }
    // The Inbox takes half, the other mail folders share the rest.
    const std::size_t inbox = mail.size() == 1 ? left : (left + 1) / 2;
    mail.front()->messages = inbox;
    left -= inbox;
    const std::size_t others = mail.size() - 1;
    for (std::size_t i = 0; i < others; ++i) {
        mail[i + 1]->messages = left / others + (i < left % others ? 1 : 0);
    }
}

}  // namespace

std::vector<FolderPlan> plan_folders(const SampleOptions& options) {
    const std::vector<const Language*>& langs = allowed_languages(options);
    std::vector<FolderPlan> plan;
    std::set<std::string> taken;
    std::string last_mail = "Inbox";
    for (std::size_t i = 0; i < options.folders; ++i) {
        FolderPlan f;
        if (i < std::size(kFixedFolders)) {
            const FixedFolder& fixed = kFixedFolders[i];
            f.kind = fixed.kind;
            f.container_class = fixed.container_class;
            f.path = fixed.path != nullptr
                         ? fixed.path
                         : unique_path("Inbox", langs.back()->folder_names[0], taken);
        } else {
            // Further mail folders: under the Inbox, under the previous one
            // (nesting deeper), or at the top, named in turn in each language.
            const std::size_t k = i - std::size(kFixedFolders);
            const Language& language = *langs[k % langs.size()];
            const std::string name =
                language.folder_names[(k / langs.size()) % language.folder_names.size()];
            const std::string parent = k % 3 == 0 ? "Inbox" : k % 3 == 1 ? last_mail : "";
            f.kind = FolderKind::mail;
            f.container_class = "IPF.Note";
            f.path = unique_path(parent, name, taken);
        }
        if (f.kind == FolderKind::mail) {
            last_mail = f.path;
        }
        taken.insert(f.path);
        plan.push_back(std::move(f));
    }
    distribute(plan, options.messages);
    return plan;
}

Message sample_message(const SampleOptions& options, const FolderPlan& folder, std::size_t ordinal,
                       std::size_t index) {
    Prng rng = Prng::for_item(options.seed, ordinal + 1, index);
    switch (folder.kind) {
        case FolderKind::inbox:
        case FolderKind::sent:
        case FolderKind::mail:
            return mail_message(options, folder, ordinal, index, rng);
        case FolderKind::calendar:
            return appointment(options, ordinal, index, folder.messages, rng);
        case FolderKind::contacts:
            return contact(options, ordinal, index, folder.messages, rng);
        case FolderKind::notes:
            return simple_item(options, "IPM.StickyNote", index, rng);
        case FolderKind::tasks:
            return simple_item(options, "IPM.Task", index, rng);
        case FolderKind::journal:
            return simple_item(options, "IPM.Activity", index, rng);
    }
    throw std::logic_error("unknown folder kind");
}

Mailbox sample_mailbox(const SampleOptions& options) {
    if (options.variant == Variant::ansi && options.code_page == kCodePageUtf16le) {
        throw std::invalid_argument("8-bit strings cannot be in code page 1200 (UTF-16)");
    }
    if (options.variant == Variant::ansi && allowed_languages(options).empty()) {
        throw std::invalid_argument("code page " + std::to_string(options.code_page) +
                                    " holds none of the sample languages");
    }
    Mailbox box = standard_mailbox("Personal Folders");
    box.code_page = options.code_page;
    box.record_key = sample_record_key(options.seed);
    const std::vector<FolderPlan> plan = plan_folders(options);
    for (std::size_t ordinal = 0; ordinal < plan.size(); ++ordinal) {
        const FolderPlan& f = plan[ordinal];
        // Walk down from the IPM subtree to the parent (parents come first).
        Folder* parent = &box.top();
        std::string name = f.path;
        for (std::size_t slash = name.find('/'); slash != std::string::npos;
             slash = name.find('/')) {
            const std::string part = name.substr(0, slash);
            const auto child = std::find_if(parent->children.begin(), parent->children.end(),
                                            [&](const Folder& c) { return c.name == part; });
            if (child == parent->children.end()) {
                throw std::logic_error("folder plan lists a child before its parent");
            }
            parent = &*child;
            name = name.substr(slash + 1);
        }
        Folder& folder = parent->add_folder(name, f.container_class);
        folder.generated_count = f.messages;
        folder.generate = [options, f, ordinal](std::size_t i) {
            return sample_message(options, f, ordinal, i);
        };
    }
    return box;
}

}  // namespace pstbuild::sample
