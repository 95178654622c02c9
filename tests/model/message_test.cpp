// The list fields of a Message: kind from the message class, the date of
// mail and appointments (submit time, else delivery time, also as an OLE
// automation date), subject, sender, read state and size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/item_kinds.h"
#include "model/message.h"
#include "model/model_file.h"
#include "model/sent_on_format.h"
#include "pstread/pst/property_ids.h"
#include "support/property_value.h"

namespace mailwright::model {
namespace {

using modeltest::child;
using modeltest::open_session;
using modeltest::top_folder;
using psttest::build_file;

// 2009-01-05 15:04:05 UTC, a Monday.
constexpr std::int64_t kMonday = 1231167845;
constexpr std::int64_t kTuesday = kMonday + 86400 + 3600;

// The Inbox messages, made in GMT.
std::vector<std::shared_ptr<Message>> read_inbox(
    std::vector<pstbuild::Message> messages, psttest::Variant variant = psttest::Variant::unicode) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.top().children[1].messages = std::move(messages);
    const auto session = open_session(build_file(box, variant));
    const auto inbox = child(top_folder(session), "Inbox");
    std::vector<std::shared_ptr<Message>> out;
    for (pstread::message m : inbox->getFolder().messages()) {
        out.push_back(Message::initWithMessage(m, session, text::DateTimeZone::gmt()));
    }
    return out;
}

TEST(MessageFields, KindIsTheFirstMatchingPrefixOfTheClass) {
    const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
        {"IPM.Note.SMIME.MultipartSigned", kMessageNote},
        {"IPM.Contact", kMessageContact},
        {"IPM.DistList", kMessageDistList},
        {"IPM.TaskRequest", kMessageTask},
        {"IPM.StickyNote", kMessageStickyNote},
        {"IPM.Schedule.Meeting.Request", kMessageNote},
        {"IPM.Microsoft.ScheduleData.FreeBusy", kMessageFreeBusy},
        {"ipm.contact", kMessageNote},
        {std::nullopt, kMessageNote},
    };
    std::vector<pstbuild::Message> messages;
    for (const auto& [message_class, kind] : cases) {
        pstbuild::Message m = psttest::mail("m");
        if (message_class) {
            m.message_class = *message_class;
        } else {
            m.omit.push_back(pstread::pid_tag_message_class);
        }
        messages.push_back(m);
    }
    const auto read = read_inbox(messages);
    ASSERT_EQ(read.size(), std::size(cases));
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i]->messageClass(), cases[i].second) << i;
    }
}

TEST(MessageFields, SentOnIsTheSubmitElseTheDeliveryTimeOfMailAndAppointments) {
    struct Case {
        const char* message_class;
        std::int64_t submit;    // 0: none
        std::int64_t delivery;  // 0: none
        bool delivery_as_apptime;
        std::string sent_on;
    };
    const Case cases[] = {
        {"IPM.Note", kMonday, kTuesday, false, "Monday, 05 Jan 2009 03:04:05 PM"},
        {"IPM.Note", 0, kTuesday, true, "Tuesday, 06 Jan 2009 04:04:05 PM"},
        {"IPM.Schedule.Meeting.Request", kMonday, 0, false, "Monday, 05 Jan 2009 03:04:05 PM"},
        {"IPM.Note", 0, 0, false, ""},
        {"IPM.Contact", kMonday, kTuesday, false, ""},
        {"IPM.Task", 0, kTuesday, false, ""},
    };
    std::vector<pstbuild::Message> messages;
    for (const Case& c : cases) {
        pstbuild::Message m = psttest::mail("dated");
        m.message_class = c.message_class;
        m.submit_time = c.submit ? pstbuild::filetime_from_unix(c.submit) : 0;
        m.delivery_time = c.delivery ? pstbuild::filetime_from_unix(c.delivery) : 0;
        m.delivery_time_as_apptime = c.delivery_as_apptime;
        messages.push_back(m);
    }
    // An OLE date that is no time leaves the date empty.
    pstbuild::Message odd = psttest::mail("odd date");
    odd.extra.push_back(pstbuild::ExtraProperty::of(pstread::pid_tag_message_delivery_time,
                                                    pstbuild::pv_apptime(1e300)));
    messages.push_back(odd);
    const auto read = read_inbox(messages);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(read[i]->sentOn(), cases[i].sent_on) << i;
    }
    EXPECT_EQ(read.back()->sentOn(), "");
    const auto new_york = text::DateTimeZone::from_id("America/New_York");
    EXPECT_EQ(formatSentOn(kMonday, *new_york), "Monday, 05 Jan 2009 10:04:05 AM");
    EXPECT_EQ(formatSentOn(kMonday - 15 * 3600, text::DateTimeZone::gmt()),
              "Monday, 05 Jan 2009 12:04:05 AM");
}

TEST(MessageFields, SubjectSenderReadStateAndSize) {
    pstbuild::Message plain = psttest::mail("Hello");
    plain.read = false;
    plain.subject_prefix = "Re: ";
    plain.extra.push_back(
        pstbuild::ExtraProperty::of(pstread::pid_tag_message_size, pstbuild::pv_long(-1)));
    pstbuild::Message bare;
    bare.sender = {};
    bare.omit = {pstread::pid_tag_subject, pstread::pid_tag_sender_name,
                 pstread::pid_tag_message_flags, pstread::pid_tag_message_size};
    const auto read = read_inbox({plain, bare}, psttest::Variant::ansi);
    EXPECT_EQ(read[0]->subject(), "Re: Hello");
    EXPECT_EQ(read[0]->senderName(), "Ann Example");
    EXPECT_FALSE(read[0]->isRead());
    EXPECT_EQ(read[0]->messageSize(), 0xFFFFFFFFu);
    // Nothing to read: the starting values, and a size of 0.
    EXPECT_EQ(read[1]->subject(), "");
    EXPECT_EQ(read[1]->senderName(), "");
    EXPECT_TRUE(read[1]->isRead());
    EXPECT_EQ(read[1]->messageSize(), 0u);
}

}  // namespace
}  // namespace mailwright::model
