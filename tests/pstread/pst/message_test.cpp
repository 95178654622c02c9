// Messages, recipients and attachments from builder files: the subject
// prefix rule, names decoded with the message's charset, and embedded
// messages down to the nesting limit.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ndb/exceptions.h"
#include "pstread/pst/mailbox_file.h"
#include "pstread/pst/message.h"
#include "pstread/pst/node_ids.h"
#include "pstread/pst/property_ids.h"
#include "pstread/pst/pst.h"
#include "support/property_value.h"
#include "text/code_page_table.h"

namespace pstread {
namespace {

using psttest::build_file;
using psttest::BuiltMailbox;

// A file whose Inbox holds `messages`; the messages, in order.
class InboxFile {
public:
    explicit InboxFile(std::vector<pstbuild::Message> messages,
                       psttest::Variant variant = psttest::Variant::unicode) {
        pstbuild::Mailbox box = psttest::two_folder_mailbox();
        box.top().children[1].messages = std::move(messages);
        m_built = build_file(box, variant);
        m_file = std::make_unique<pst>(m_built.open());
        const folder top = *m_file->open_root_folder().sub_folder_begin();
        const folder inbox = *std::next(top.sub_folder_begin());
        for (message m : inbox.messages()) {
            m.get_property_bag().set_charset(mailwright::text::GetCodePageInfo(1252));
            m_messages.push_back(m);
        }
    }

    message& operator[](std::size_t i) { return m_messages.at(i); }

private:
    BuiltMailbox m_built;
    std::unique_ptr<pst> m_file;
    std::vector<message> m_messages;
};

// The reader applies the rule to every subject; a prefix the builder writes
// as the marker is read by the message list tests.
TEST(Message, SubjectPrefixMarkerRule) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"\u0001\u0005Re: x", u"Re: x"},
        {u"\u0001\u0001Hello", u"Hello"},
        {u"\u0001", u""},
        {u"", u""},
        {u"Plain \u0001 inside", u"Plain \u0001 inside"},
        {u"\u0002\u0005Re: x", u"\u0002\u0005Re: x"},
    };
    for (const auto& [stored, read] : cases) {
        EXPECT_EQ(remove_subject_prefix_marker(stored), read);
    }
}

TEST(Message, RecipientsAndAttachmentsDecodeWithTheMessageCharset) {
    pstbuild::Message m = psttest::mail("ansi");
    m.recipients = {
        pstbuild::make_recipient("Zoë", "zoe@example.com", pstbuild::RecipientType::to)};
    pstbuild::Attachment a;
    a.filename = "café.txt";
    a.data = {'x'};
    m.attachments = {a};
    InboxFile file({m}, psttest::Variant::ansi);
    EXPECT_EQ((*file[0].recipient_begin()).get_name(), u"Zoë");
    const attachment att = *file[0].attachment_begin();
    EXPECT_EQ(att.get_property_bag().read_utf8string(pid_tag_attach_long_filename), "café.txt");
}

TEST(Message, EmbeddedMessagesOpenDownToTheNestingLimitAndNoFurther) {
    std::shared_ptr<const pstbuild::Message> chain =
        std::make_shared<pstbuild::Message>(psttest::mail("deepest"));
    for (unsigned level = 0; level < max_embedded_message_depth; ++level) {
        auto holder = std::make_shared<pstbuild::Message>(psttest::mail("level"));
        pstbuild::Attachment a;
        a.embedded = chain;
        holder->attachments = {a};
        chain = holder;
    }
    // `chain` holds max_embedded_message_depth levels of embedding below it;
    // the Inbox message adds one more.
    pstbuild::Message top = psttest::mail("top");
    pstbuild::Attachment a;
    a.embedded = chain;
    top.attachments = {a};
    InboxFile file({top});

    message m = file[0];
    for (unsigned depth = 1; depth <= max_embedded_message_depth; ++depth) {
        m = (*m.attachment_begin()).open_as_message();
        ASSERT_EQ(m.get_embedding_depth(), depth);
    }
    EXPECT_EQ(m.get_subject(), u"level");
    const attachment too_deep = *m.attachment_begin();
    EXPECT_TRUE(too_deep.is_message());
    EXPECT_THROW(too_deep.open_as_message(), database_corrupt);
}

TEST(Message, AnEmbeddedMessageReferenceThatIsNoneFails) {
    pstbuild::Message m = psttest::mail("bad references");
    auto method_5 = [](std::optional<std::vector<std::uint8_t>> reference) {
        pstbuild::Attachment a;
        a.method = 5;
        if (reference) {
            a.extra.push_back(pstbuild::ExtraProperty::of(pid_tag_attach_data_object,
                                                          pstbuild::pv_binary(*reference)));
        }
        return a;
    };
    m.attachments = {method_5(std::vector<std::uint8_t>{0x01, 0x02}),
                     method_5(std::vector<std::uint8_t>{0xE4, 0xFF, 0, 0, 0, 0, 0, 0}),
                     method_5(std::nullopt)};
    InboxFile file({m});
    auto it = file[0].attachment_begin();
    EXPECT_THROW((*it).open_as_message(), database_corrupt);
    ++it;
    EXPECT_THROW((*it).open_as_message(), key_not_found<node_id>);
    ++it;
    EXPECT_THROW((*it).open_as_message(), key_not_found<prop_id>);
}

}  // namespace
}  // namespace pstread
