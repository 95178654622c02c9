// The header block: the synthesized one in its order with its exact texts,
// and the stored one when it is usable.
#include <gtest/gtest.h>

#include "formats/sample_messages.h"
#include "pstread/pst/property_ids.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;
using pstbuild::ExtraProperty;

TEST(MimeHeaders, SynthesizedBlockHasItsHeadersInOrder) {
    pstbuild::Message m = mail("Hello");
    m.subject_prefix = "RE: ";
    m.sender = {"Sam Sender", "sam@example.com"};
    m.sent_representing = pstbuild::Person{"Ann Example", "ann@example.com"};
    m.read = false;
    m.recipients = {
        pstbuild::make_recipient("Bob", "bob@example.com"),
        pstbuild::make_recipient("Carl", "carl@example.com"),
        pstbuild::make_recipient("Dora", "dora@example.com", pstbuild::RecipientType::cc),
        pstbuild::make_recipient("Eve", "eve@example.com", pstbuild::RecipientType::bcc)};
    m.priority = 1;
    m.importance = 2;
    m.internet_message_id = "<id@example.com>";
    m.in_reply_to = "<parent@example.com>";
    m.references = "<root@example.com> <parent@example.com>";
    m.extra = {ExtraProperty::of_text(0x1046, "bounce@example.com"),
               ExtraProperty::of_text(pstread::pid_tag_reply_recipient_names, "Fay; Gus"),
               ExtraProperty::of_text(0x3FFC, "fay@example.com, gus@example.com")};
    const std::string text = write_message(m);
    EXPECT_EQ(headers_of(text),
              "Return-Path: <bounce@example.com>\r\n"
              "Status: N\r\n"
              "From: \"Ann Example\" <ann@example.com>\r\n"
              "Sender: \"Sam Sender\" <sam@example.com>\r\n"
              "To: \"Bob\" <bob@example.com>,\r\n \"Carl\" <carl@example.com>\r\n"
              "Cc: \"Dora\" <dora@example.com>\r\n"
              "Bcc: \"Eve\" <eve@example.com>\r\n"
              "Reply-To: \"Fay\" <fay@example.com>,\r\n \"Gus\" <gus@example.com>\r\n"
              "Date: Mon, 05 Jan 2009 16:04:05 +0100\r\n"
              "Delivery-Date: Mon, 05 Jan 2009 16:04:05 +0100\r\n"
              "Received: by localhost (Synthesized by Mailwright Same as Date); Mon, 05 Jan 2009 "
              "16:04:05 +0100\r\n"
              "Subject: RE: Hello\r\n"
              "Message-ID: <id@example.com>\r\n"
              "Priority: urgent\r\n"
              "X-Priority: 1 (High)\r\n"
              "Importance: High\r\n"
              "In-Reply-To: <parent@example.com>\r\n"
              "References: <root@example.com> <parent@example.com>\r\n"
              "MIME-Version: 1.0 (Converted by Mailwright MIME Engine V 2.0)\r\n"
              "Content-Type: text/plain;charset=\"UTF-8\"\r\n"
              "Content-Transfer-Encoding: 8bit\r\n");
}

TEST(MimeHeaders, PriorityAndImportanceValues) {
    struct Case {
        std::int32_t priority;
        std::int32_t importance;
        const char* lines;
    };
    const Case cases[] = {
        {1, 2, "Priority: urgent\r\nX-Priority: 1 (High)\r\nImportance: High\r\n"},
        {0, 1, "Priority: normal\r\nX-Priority: 3 (Normal)\r\nImportance: Normal\r\n"},
        {-1, 0, "Priority: nourgent\r\nX-Priority: 5 (Low)\r\nImportance: Low\r\n"},
        {7, 9, "Priority: normal\r\nX-Priority: 3 (Normal)\r\nImportance: Normal\r\n"},
    };
    std::vector<pstbuild::Message> messages;
    for (const Case& c : cases) {
        pstbuild::Message m = mail("x");
        m.priority = c.priority;
        m.importance = c.importance;
        messages.push_back(m);
    }
    const auto texts = write_messages(messages);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_NE(texts[i].find(cases[i].lines), std::string::npos) << texts[i];
    }
}

TEST(MimeHeaders, RecipientsWithoutAUsableAddress) {
    pstbuild::Message m = mail("x");
    pstbuild::Recipient exchange = pstbuild::make_recipient("Exchange User", "/O=ORG/CN=USER");
    exchange.address_type = "EX";
    exchange.write_smtp_address = false;
    pstbuild::Recipient fallback = exchange;
    fallback.name = "With Fallback";
    fallback.extra.push_back(ExtraProperty::of_text(0x403E, "fall@example.com"));
    pstbuild::Recipient smtp = exchange;
    smtp.name = "With SMTP";
    smtp.write_smtp_address = true;
    smtp.extra.push_back(ExtraProperty::of_text(pstread::pid_tag_smtp_address, "smtp@example.com"));
    m.recipients = {exchange, fallback, smtp};
    const std::string text = write_message(m);
    EXPECT_NE(text.find("To: \"Exchange User\" </O=ORG/CN=USER@x-ex.invalid>,\r\n \"With "
                        "Fallback\" <fall@example.com>,\r\n "
                        "\"With SMTP\" <smtp@example.com>\r\n"),
              std::string::npos)
        << text;
}

TEST(MimeHeaders, AnExchangeSenderIsWrittenWithItsSmtpAddress) {
    pstbuild::Message m = mail("x");
    m.sender = {"Ann Example", "/O=ORG/OU=SITE/CN=RECIPIENTS/CN=ANN", "EX"};
    m.extra = {ExtraProperty::of_text(0x5D02, "ann@example.com")};
    const std::string text = write_message(m);
    EXPECT_NE(text.find("From: \"Ann Example\" <ann@example.com>\r\n"), std::string::npos) << text;
    // Without it the Exchange address is written as an address of its own
    // kind, which readers accept and no one can send to.
    m.extra.clear();
    EXPECT_NE(write_message(m).find(
                  "From: \"Ann Example\" </O=ORG/OU=SITE/CN=RECIPIENTS/CN=ANN@x-ex.invalid>\r\n"),
              std::string::npos);
}

TEST(MimeHeaders, TheDateFallsBackToTheLastModificationTime) {
    pstbuild::Message m = mail("x");
    m.submit_time = 0;
    m.modification_time = pstbuild::filetime_from_unix(kMonday + 3600);
    const std::string text = write_message(m, {.zone = "America/New_York"});
    EXPECT_NE(text.find("Date: Mon, 05 Jan 2009 11:04:05 -0500\r\n"), std::string::npos) << text;
    m.modification_time = 0;
    m.delivery_time = 0;
    EXPECT_EQ(write_message(m).find("Date:"), std::string::npos);
}

TEST(MimeHeaders, AStoredBlockWithoutADateGivesWayToTheSynthesizedOne) {
    const std::string text = write_message(stored_headers(false));
    EXPECT_EQ(text.find("Received: from mx"), std::string::npos);
    EXPECT_NE(text.find("From: \"Ann Example\" <ann@example.com>\r\n"), std::string::npos);
    EXPECT_NE(text.find("MIME-Version: 1.0 (Converted by Mailwright MIME Engine V 2.0)"),
              std::string::npos);
}

TEST(MimeHeaders, ASubjectPrefixAlwaysTakesTheSynthesizedBlock) {
    const psttest::BuiltMailbox built = build_inbox({stored_headers(true)});
    pstread::pst file(built.open());
    pstread::message m = *file.open_folder(built.folder_nid(kInboxPath)).message_begin();
    MIMEMailWriter writer(false, false, true, 1252);
    make_deterministic(writer, {});
    std::ostringstream out;
    EXPECT_EQ(writer.writeMessage(out, &m, u"[Calendar] "), 0);
    EXPECT_NE(out.str().find("Subject: [Calendar] Stored headers\r\n"), std::string::npos);
    EXPECT_EQ(out.str().find("Received: from mx"), std::string::npos);
    EXPECT_EQ(writer.writeMessage(out, nullptr), -1);
}

}  // namespace
}  // namespace mailwright::formats
