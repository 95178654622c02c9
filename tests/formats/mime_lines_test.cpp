// Lines a message's output must hold or must not: header values, the
// fallbacks for missing addresses and dates, the charsets of bodies and text
// attachments, the forms of encrypted messages and what is left of damaged
// attachments; the filter of stored Internet headers (which lines are kept,
// dropped or replaced, and when the block is usable at all), the choice of
// the plain body's code pages and the UTF-8 check of bodies. Whole outputs
// of the sample messages are compared in the golden files.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/body_code_pages.h"
#include "formats/sample_messages.h"
#include "formats/stored_headers.h"
#include "formats/text_charset.h"
#include "platform/system_log.h"
#include "support/property_value.h"
#include "text/code_page_table.h"

namespace mailwright::formats {
namespace {

using namespace mimetest;
using pstbuild::ExtraProperty;
using text::GetCodePageInfo;
using text::TextEncodingItem;

Message changed(Message m, const std::function<void(Message&)>& change) {
    change(m);
    return m;
}

Message with_priority(std::int32_t priority, std::int32_t importance) {
    return changed(mail("x"), [&](Message& m) {
        m.priority = priority;
        m.importance = importance;
    });
}

Message with_attachment(std::string type, std::string data) {
    return changed(mail("Attachment"), [&](Message& m) {
        m.body = "Body";
        m.attachments.push_back(
            file_attachment("a.txt", std::move(type), {data.begin(), data.end()}));
    });
}

Message with_body(std::uint32_t codePage, std::string body) {
    return changed(mail("Body"), [&](Message& m) {
        m.internet_code_page = codePage;
        m.body = std::move(body);
    });
}

Message with_html(std::uint32_t codePage, pstbuild::PropertyValue html) {
    return changed(mail("HTML"), [&](Message& m) {
        m.internet_code_page = codePage;
        m.extra.push_back(ExtraProperty::of(0x1013, std::move(html)));
    });
}

Message exchange_recipients() {
    Message m = mail("x");
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
    return m;
}

Message exchange_sender() {
    Message m = mail("x");
    m.sender = {"Ann Example", "/O=ORG/OU=SITE/CN=RECIPIENTS/CN=ANN", "EX"};
    m.extra = {ExtraProperty::of_text(0x5D02, "ann@example.com")};
    return m;
}

// An attachment whose data cannot be read (an integer, or too short to name
// the subnode of an embedded message) before a fine one.
Message damaged(std::string name, std::int32_t method, pstbuild::PropertyValue data) {
    pstbuild::Attachment broken;
    broken.filename = std::move(name);
    broken.method = method;
    broken.extra.push_back(ExtraProperty::of(0x3701, std::move(data)));
    return changed(mail("Damaged"), [&](Message& m) {
        m.attachments = {broken, file_attachment("fine.txt", "text/plain", bytes_of("fine"))};
    });
}

const char* const kUtf8Plain =
    "Content-Type: text/plain;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
const char* const kUtf8Html =
    "Content-Type: text/html;charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";

struct LineCase {
    const char* what;
    Message message;
    WriteOptions options;
    std::vector<std::string> present;
    std::vector<std::string> absent = {};
    std::string logged = {};  // a line of the system log that must hold this
};

TEST(MimeLines, OutputHoldsTheLinesOfItsItem) {
    const std::string u = kUtf8Plain;
    const std::string h = kUtf8Html;
    const LineCase cases[] = {
        {"low priority",
         with_priority(-1, 0),
         {},
         {"Priority: nourgent\r\nX-Priority: 5 (Low)\r\nImportance: Low\r\n"}},
        {"unknown priority values",
         with_priority(7, 9),
         {},
         {"Priority: normal\r\nX-Priority: 3 (Normal)\r\nImportance: Normal\r\n"}},
        {"recipients without an SMTP address",
         exchange_recipients(),
         {},
         {"To: \"Exchange User\" </O=ORG/CN=USER@x-ex.invalid>,\r\n \"With Fallback\" "
          "<fall@example.com>,\r\n \"With SMTP\" <smtp@example.com>\r\n"}},
        {"Exchange sender with its SMTP address",
         exchange_sender(),
         {},
         {"From: \"Ann Example\" <ann@example.com>\r\n"}},
        // The modification time moves whenever the item is touched: never a date.
        {"date from the delivery",
         changed(mail("x"),
                 [](Message& m) {
                     m.submit_time = 0;
                     m.modification_time = pstbuild::filetime_from_unix(kMonday + 3600);
                 }),
         {.zone = "America/New_York"},
         {"Date: Mon, 05 Jan 2009 10:05:05 -0500\r\n"}},
        {"date from stored headers that are no block",
         changed(mail("x"),
                 [](Message& m) {
                     m.submit_time = m.delivery_time = 0;
                     m.creation_time = pstbuild::filetime_from_unix(kMonday + 7200);
                     m.transport_headers = "To: b@c.d\r\nDate: Tue, 6 Jan 2009\r\n 10:00 +0000\r\n";
                 }),
         {},
         {"Date: Tue, 6 Jan 2009 10:00 +0000\r\n"}},
        {"date from the creation",
         changed(mail("x"),
                 [](Message& m) {
                     m.submit_time = m.delivery_time = 0;
                     m.creation_time = pstbuild::filetime_from_unix(kMonday + 7200);
                     m.modification_time = pstbuild::filetime_from_unix(kMonday + 3600);
                 }),
         {.zone = "America/New_York"},
         {"Date: Mon, 05 Jan 2009 12:04:05 -0500\r\n"}},
        {"no time at all",
         changed(mail("x"),
                 [](Message& m) {
                     m.submit_time = m.delivery_time = 0;
                     m.modification_time = pstbuild::filetime_from_unix(kMonday + 3600);
                     m.transport_headers = "Date: \xC3\xA9\r\n";
                 }),
         {},
         {},
         {"Date:"}},
        {"stored block without a date",
         stored_headers(false),
         {},
         {"From: \"Ann Example\" <ann@example.com>\r\n", "(Converted by Mailwright MIME Engine"},
         {"Received: from mx"}},
        {"text attachment with its own charset",
         with_attachment("text/plain; charset=koi8-r", "\xF0"),
         {},
         {"Content-Type: text/plain; charset=koi8-r; name=\"a.txt\"\r\n"}},
        {"UTF-16 code page", with_body(1200, "\xE2\x82\xAC uro"), {}, {u + "\xE2\x82\xAC uro\r\n"}},
        {"UTF-16 HTML",
         with_html(1200, pstbuild::pv_binary(pstbuild::utf16le("<p>\xC3\xA9t\xC3\xA9</p>"))),
         {},
         {h + "<p>\xC3\xA9t\xC3\xA9</p>\r\n"}},
        {"Unicode HTML property",
         with_html(1252, pstbuild::pv_unicode("<p>\xE2\x82\xAC</p>")),
         {},
         {h + "<p>\xE2\x82\xAC</p>\r\n"}},
        {"body that does not fit its code page",
         with_body(1252, "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"),
         {},
         {u + "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\r\n"}},
        {"ANSI body in its own code page",
         with_body(1251, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"),
         {.variant = pstbuild::Variant::ansi},
         {"charset=\"windows-1251\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
          "\xCF\xF0\xE8\xE2\xE5\xF2\r\n"}},
        {"unreadable RTF body",
         changed(mail("Bad RTF"),
                 [](Message& m) {
                     m.extra.push_back(ExtraProperty::of(0x1009, pstbuild::pv_binary({1, 2, 3})));
                 }),
         {},
         {u + "\r\n"},
         {"text/html"}},
        {"encrypted, its type without the content-type property",
         opaque_message(true),
         {},
         {"\r\nContent-Type:application/pkcs7-mime; name=\"smime.p7m\"\r\n"}},
        // A damaged attachment stops its part; the rest of the message is written.
        {"damaged attachment",
         damaged("broken.bin", pstbuild::kAttachByValue, pstbuild::pv_long(7)),
         {},
         {"filename=\"fine.txt\"\r\n\r\n\r\nZmluZQ==\r\n\r\n", "--\r\n\r\n\r\n"},
         {},
         "attachment \"broken.bin\" is incomplete"},
        {"damaged embedded message",
         damaged("broken", pstbuild::kAttachEmbeddedMessage, pstbuild::pv_binary({0x01, 0x02})),
         {},
         {"Content-Type: message/rfc822\r\nContent-Transfer-Encoding: 7bit\r\n"
          "Content-Disposition: attachment\r\n\r\n\r\n--",
          "ZmluZQ=="},
         {},
         "attached message \"broken\" is incomplete"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ScopedLogCapture log;
        const std::string text = write_message(c.message, c.options);
        std::string logged;
        for (const std::string& line : log.lines()) {
            logged += line + "\n";
        }
        EXPECT_NE(logged.find(c.logged), std::string::npos) << logged;
        for (const std::string& line : c.present) {
            EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        }
        for (const std::string& piece : c.absent) {
            EXPECT_EQ(text.find(piece), std::string::npos) << piece << "\n" << text;
        }
        EXPECT_EQ(text.find("Status:"), text.rfind("Status:"));
    }
}

TEST(MimeLines, Utf8ValidatorFollowsSequencesAcrossBlocks) {
    const struct {
        std::vector<std::string> blocks;
        bool ascii;
        bool valid;
    } cases[] = {
        {{"abc", ""}, true, true},
        {{"\xF0\x9F", "\x98\x80"}, false, true},  // U+1F600 split
        {{"\xC3"}, false, false},                 // cut short
        {{"\xC0\xAF"}, false, false},             // overlong
        {{"\xED\xA0\x80"}, false, false},         // surrogate
        {{"012345678\xC3\xA9"
          "0123456789abcdef"},
         false,
         true},                                    // past whole ASCII words
        {{"0123456789abcdef\x80"}, false, false},  // stray byte after them
        // The same rules for sequences with the rest of a block after them.
        {{"\xF0\x9F\x98\x80 and more"}, false, true},
        {{"\xED\xA0\x80 and more"}, false, false},      // surrogate
        {{"\xE0\x9F\xBF and more"}, false, false},      // overlong
        {{"\xF4\x90\x80\x80 and more"}, false, false},  // past U+10FFFF
    };
    for (const auto& c : cases) {
        Utf8Validator validator;
        for (const std::string& block : c.blocks) {
            validator.add(block);
        }
        EXPECT_EQ(validator.isAscii(), c.ascii) << c.blocks[0];
        EXPECT_EQ(validator.isValid(), c.valid) << c.blocks[0];
    }
}

TEST(StoredHeaders, KeepDropOrReplaceEachLine) {
    const std::string v = std::string(kProcessedMimeVersion) + "\n";
    const struct {
        const char* what;
        const char* stored;
        std::string expected;  // "unusable" when the block is not used
    } cases[] = {
        {"content headers go with their continuations, Received stays",
         "Received: from a\r\n\tby b\r\nFrom: Ann <ann@example.com>\r\nDate: Mon, 5 Jan 2009 "
         "15:04:05 +0000\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"x\"\r\nSubject: "
         "hi\r\n\tthere\r\nMIME-Version: 1.0\r\nCONTENT-TRANSFER-ENCODING: 7bit\r\n\r\n",
         "Received: from a\n\tby b\nFrom: Ann <ann@example.com>\nDate: Mon, 5 Jan 2009 "
         "15:04:05 +0000\nSubject: hi\n\tthere\n" +
             v},
        {"no Date line", "From: a@b.c\r\nSubject: x\r\n", "unusable"},
        {"no From line", "Date: Mon, 5 Jan 2009 15:04:05 +0000\r\n", "unusable"},
        {"Delivery-Date is no Date line", "From: a@b.c\nDelivery-Date: x\n", "unusable"},
        {"field names in any case", "from: a@b.c\ndate: x\n", "from: a@b.c\ndate: x\n" + v},
        {"lines that are no headers, and a boundary line ends the block",
         "From foo@bar Mon Jan  5 15:04:05 2009\nFrom: a@b.c\nnot a header\nDate: x\n"
         "--boundary\nX-After: dropped\n",
         "From: a@b.c\nDate: x\n" + v},
        {"blanks before the colon", "From : a@b.c\nDate\t: x\nX-Y:z\n",
         "From: a@b.c\nDate: x\nX-Y:z\n" + v},
        {"a stray continuation or line end never starts the block",
         "\tstray continuation\nFrom: a@b.c\rx\nDate: d\n", "From: a@b.c x\nDate: d\n" + v},
        // The writer adds Status from the item's read flag.
        {"mailbox flags", "From: a\nStatus: RO\nX-Status: D\n\tF\nstatus:N\nDate: d\n",
         "From: a\nDate: d\n" + v},
        {"only the flag field names themselves",
         "From: a\nStatus-Report: x\nX-Status-Y: z\nDate: d\n",
         "From: a\nStatus-Report: x\nX-Status-Y: z\nDate: d\n" + v},
        {"one MIME-Version, without the stored one's comment lines",
         "From: a\nMIME-Version: 1.0\n\t(comment)\nDate: d\nMime-Version: 1.0\nX: y\n",
         "From: a\n" + v + "Date: d\nX: y\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilterStoredHeaders(c.stored, "\n").value_or("unusable"), c.expected) << c.what;
    }
    // The line end is the caller's.
    EXPECT_EQ(FilterStoredHeaders("From: a\nDate: d\n", "\r\n").value_or(""),
              "From: a\r\nDate: d\r\n" + std::string(kProcessedMimeVersion) + "\r\n");
}

// A row that stands for a code page without a converter.
const TextEncodingItem kUnavailable{29001, "x-Europa", "Europa", false};

TEST(PlainBodyRows, FollowTheChoiceTable) {
    const TextEncodingItem* p1251 = GetCodePageInfo(1251);
    const TextEncodingItem* h1252 = GetCodePageInfo(1252);
    const TextEncodingItem& d = *GetCodePageInfo(1250);
    const TextEncodingItem* utf8 = &text::Utf8Row();
    const TextEncodingItem* utf16 = &text::Utf16LeRow();
    const TextEncodingItem* wide = GetCodePageInfo(12001);
    struct Case {
        const char* what;
        const TextEncodingItem* plain;
        const TextEncodingItem* html;
        bool unicodeStore;
        bool unicodeBody;
        const TextEncodingItem* source;
        const TextEncodingItem* target;
    };
    const Case cases[] = {
        {"no H, P available, ANSI", p1251, nullptr, false, false, p1251, p1251},
        {"no H, P available, Unicode", p1251, nullptr, true, true, utf16, p1251},
        {"no H, P unavailable, ANSI", &kUnavailable, nullptr, false, false, &kUnavailable,
         &kUnavailable},
        {"no H, P unavailable, Unicode", &kUnavailable, nullptr, true, true, utf16, utf8},
        {"no H, no P, ANSI", nullptr, nullptr, false, false, &d, &d},
        {"H, P available, Unicode", p1251, h1252, true, true, utf16, h1252},
        {"H, P unavailable, Unicode", &kUnavailable, h1252, true, true, utf16, utf8},
        {"H, no P, ANSI", nullptr, h1252, false, false, &d, h1252},
        {"P and H wide, Unicode", wide, wide, true, true, utf16, utf8},
        // 8-bit text is never in a wide code page: it is read in the PST's.
        {"P and H wide, ANSI", wide, wide, false, false, &d, utf8},
        {"P available, 8-bit body of a Unicode store", p1251, nullptr, true, false, p1251, p1251},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BodyRows rows =
            ChoosePlainBodyRows(c.plain, c.html, d, c.unicodeStore, c.unicodeBody);
        EXPECT_EQ(rows.source, c.source);
        EXPECT_EQ(rows.target, c.target);
    }
}

}  // namespace
}  // namespace mailwright::formats
