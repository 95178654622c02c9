// Golden files of the MIME writers: representative sample messages and the
// exact text the mail writer makes of them (NAME.eml or NAME.mbox, the input
// described in NAME.txt), and the events the calendar writer makes of the
// builder's appointments (dates and zones, all-day dates, people, flags,
// categories, description, alarm, recurrence with its moved occurrences),
// with the reference mail it writes only for content of an item's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "formats/golden_file.h"
#include "formats/mime_calendar_writer.h"
#include "formats/sample_messages.h"
#include "support/calendar_mailbox.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;

struct GoldenCase {
    const char* name;
    std::function<pstbuild::Message()> message;
    WriteOptions options;
};

const GoldenCase kCases[] = {
    {"plain_only", plain_only, {}},
    {"plain_html_attachment", plain_html_and_attachment, {}},
    {"related_in_mixed", inline_images_and_attachment, {}},
    {"embedded_message", embedded_message, {.mbox = true}},
    {"rtf_picture", [] { return rtf_only(true); }, {.variant = pstbuild::Variant::ansi}},
    {"signed", signed_message, {.mbox = true}},
    {"opaque", [] { return opaque_message(true); }, {.resolveContentType = true}},
    {"html_only", html_only, {}},
    {"plain_and_html", plain_and_html, {}},
    {"inline_images", inline_images, {}},
    {"hidden_inline_image", hidden_inline_image, {}},
    {"by_reference", by_reference_attachments, {}},
    {"non_ascii_names", non_ascii_names, {}},
    {"bare_ansi", bare_message, {.variant = pstbuild::Variant::ansi, .defaultCodePage = 1251}},
    {"every_header", every_header, {}},
    {"stored_headers", [] { return stored_headers(true); }, {}},
};

void PrintTo(const GoldenCase& c, std::ostream* out) {
    *out << c.name;
}

class MimeGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(MimeGolden, OutputMatchesTheGoldenFile) {
    const GoldenCase& c = GetParam();
    goldentest::ExpectGolden(std::string(c.name) + (c.options.mbox ? ".mbox" : ".eml"),
                             write_message(c.message(), c.options));
}

INSTANTIATE_TEST_SUITE_P(Samples, MimeGolden, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The builder's calendar and the same dentist's appointment without a zone,
// written from one file with a reference mail for each item with content.
TEST(MIMECalendarWriter, EventsMatchTheGoldenFileAndOnlyContentHasAReferenceMail) {
    std::vector<pstbuild::Appointment> appointments = pstbuild::calendar_appointments();
    pstbuild::Appointment floating =
        *std::find_if(appointments.begin(), appointments.end(),
                      [](const auto& a) { return a.subject == "Dentist"; });
    floating.subject = "Dentist without a zone";
    floating.zone = nullptr;
    appointments.push_back(floating);
    std::vector<pstbuild::Message> items;
    for (const pstbuild::Appointment& appointment : appointments) {
        items.push_back(pstbuild::make_appointment(appointment));
    }
    const auto built = build_inbox(items);
    pstread::pst file(built.open());
    MIMECalendarWriter writer(false, true, 1252);
    writer.resolveNamedPropIds(file);
    writer.setSystemTimeZone(*text::DateTimeZone::from_id("Europe/Berlin"));
    std::string events;
    std::map<std::string, std::string> references;  // subject: reference mail
    std::size_t i = 0;
    for (pstread::message m : file.open_folder(built.folder_nid(kInboxPath)).messages()) {
        std::ostringstream reference;
        const CalendarItemOutput output =
            writer.writeItem(&reference, m, u"Ref - ", u"\r\n NOTE: see Ref", true, true);
        for (const std::string& event : output.events) {
            events += event;
        }
        EXPECT_EQ(output.referenceWritten, !reference.str().empty());
        references[appointments.at(i++).subject] = reference.str();
    }
    goldentest::ExpectGolden("calendar_events.ics", events);
    EXPECT_NE(references["Budget review"].find("Subject: Ref - Budget review"), std::string::npos);
    // A series' exception attachments are not content of its own.
    EXPECT_EQ(references["Anniversary"], "");
    EXPECT_EQ(references["Fortnightly sync"], "");
}

}  // namespace
}  // namespace mailwright::formats
