// The store, the folder depth limit, and messages with their recipients,
// attachments and embedded messages. Row order, rows pointing back up,
// search folders and ANSI names are checked where the folder tree is built.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/pst/folder.h"
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

// The Inbox messages of a file that holds `messages` there, read as code
// page 1252.
std::vector<message> inbox_of(std::vector<pstbuild::Message> messages,
                              psttest::Variant variant = psttest::Variant::unicode) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.top().children[1].messages = std::move(messages);
    pst file(build_file(box, variant).open());
    const folder top = *file.open_root_folder().sub_folder_begin();
    std::vector<message> out;
    for (message m : (*std::next(top.sub_folder_begin())).messages()) {
        m.get_property_bag().set_charset(mailwright::text::GetCodePageInfo(1252));
        out.push_back(m);
    }
    return out;
}

TEST(Store, NameAndNamedPropertiesTheFileUses) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox("Ann's mail");
    pstbuild::Message m = psttest::mail("tagged");
    m.extra.push_back(
        pstbuild::ExtraProperty::of_named_text({pstbuild::kPsPublicStrings, 0, "Keywords"}, "red"));
    box.top().children[0].messages.push_back(m);
    pst file(build_file(box).open());
    EXPECT_EQ(file.get_name(), U"Ann's mail");
    EXPECT_GE(file.lookup_prop_id(ps_public_strings, U"Keywords"), 0x8000);
    EXPECT_THROW(file.lookup_prop_id(ps_public_strings, U"Unused"), key_not_found<named_prop>);

    pstbuild::NdbBuilder ndb({.pad_to_amap_section = false});
    ndb.add_node(0x122, {});
    pst bare(open_database(std::make_shared<database_file>(ndb.build(), "bare.pst")));
    try {
        bare.get_property_bag();
        FAIL() << "no store node";
    } catch (const key_not_found<node_id>& missing) {
        EXPECT_EQ(missing.which(), nid_message_store);
    }
}

TEST(Folder, OpensExactlyMaxFolderDepthLevels) {
    pstbuild::Mailbox box;
    pstbuild::Folder* f = &box.root;
    for (std::size_t depth = 1; depth <= max_folder_depth + 1; ++depth) {
        f = &f->add_folder("L" + std::to_string(depth));
    }
    pst file(build_file(box).open());
    folder deepest = file.open_root_folder();
    for (std::size_t depth = 1; depth <= max_folder_depth; ++depth) {
        deepest = *deepest.sub_folder_begin();
    }
    EXPECT_EQ(deepest.get_depth(), max_folder_depth);
    EXPECT_EQ(deepest.get_name(), U"L" + std::u32string(U"300"));
    EXPECT_THROW((void)*deepest.sub_folder_begin(), database_corrupt);
}

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
    const message read = inbox_of({m}, psttest::Variant::ansi).at(0);
    EXPECT_EQ((*read.recipient_begin()).get_name(), u"Zoë");
    const attachment att = *read.attachment_begin();
    EXPECT_EQ(att.get_property_bag().read_utf8string(pid_tag_attach_long_filename), "café.txt");
}

TEST(Message, EmbeddedMessagesOpenDownToTheNestingLimitAndNoFurther) {
    // The Inbox message and max_embedded_message_depth levels below it can
    // be opened; the level below those cannot.
    message m = inbox_of({psttest::embedding_chain(max_embedded_message_depth + 1)}).at(0);
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
    auto it = inbox_of({m}).at(0).attachment_begin();
    EXPECT_THROW((*it).open_as_message(), database_corrupt);
    ++it;
    EXPECT_THROW((*it).open_as_message(), key_not_found<node_id>);
    ++it;
    EXPECT_THROW((*it).open_as_message(), key_not_found<prop_id>);
}

}  // namespace
}  // namespace pstread
