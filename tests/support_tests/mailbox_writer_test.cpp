// The mailbox writer checked through the test-side walker: the nodes every
// PST has, the folder tree with its tables and counts, and messages with
// their properties, recipients, attachments and bodies.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hex_bytes.h"
#include "mailbox_walk.h"
#include "rtf_decoder.h"
#include "support/entry_ids.h"
#include "support/le_bytes.h"
#include "support/mailbox_writer.h"
#include "support/message_builder.h"
#include "support/table_schemas.h"

namespace {

using namespace pstbuild;
using walk::MailboxWalk;
using walk::PropertyMap;
using walk::text_of;

struct Built {
    std::vector<std::uint8_t> file;
    MailboxReport report;
};

Built build(const Mailbox& box, Variant variant = Variant::unicode,
            Encoding encoding = Encoding::none) {
    NdbOptions options;
    options.variant = variant;
    options.encoding = encoding;
    NdbBuilder ndb(options);
    MailboxReport report = write_mailbox(box, ndb);
    return {ndb.build(), std::move(report)};
}

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::int32_t long_of(const PropertyMap& map, std::uint16_t id) {
    return static_cast<std::int32_t>(get_u32(map.at(id).bytes, 0));
}

Message simple_message(std::string subject, bool read = true) {
    Message m;
    m.subject = std::move(subject);
    m.sender = Person{"Ann Example", "ann@example.com"};
    m.recipients.push_back(make_recipient("Bob Example", "bob@example.com"));
    m.submit_time = filetime_from_unix(1700000000);
    m.delivery_time = filetime_from_unix(1700000060);
    m.read = read;
    m.body = "Hello " + m.subject;
    return m;
}

// A small tree: mail folders three deep, one empty, names in several
// scripts, unread mail, an FAI message, and folders of each kind.
Mailbox tree_mailbox() {
    Mailbox box = standard_mailbox("Test Store");
    Folder& top = box.top();
    Folder& inbox = top.add_folder("Inbox");
    inbox.messages = {simple_message("one"), simple_message("two", false),
                      simple_message("three", false)};
    inbox.associated.push_back(Message{});
    inbox.associated.back().message_class = "IPM.Microsoft.FolderDesign.NamedView";
    Folder& projects = inbox.add_folder("Projects");
    projects.messages = {simple_message("p")};
    Folder& deep = projects.add_folder("Deep");
    deep.generated_count = 4;
    deep.generate = [](std::size_t i) {
        return simple_message("gen " + std::to_string(i), i % 2 == 0);
    };
    top.add_folder("Empty");
    for (const auto& [name, kind] : {std::pair{"Calendar", "IPF.Appointment"},
                                     {"Contacts", "IPF.Contact"},
                                     {"Journal", "IPF.Journal"},
                                     {"Notes", "IPF.StickyNote"},
                                     {"Tasks", "IPF.Task"}}) {
        top.add_folder(name, kind);
    }
    return box;
}

// --- nodes every file has ----------------------------------------------------

TEST(MailboxWriter, WritesTheNodesAndTemplatesEveryPstHas) {
    for (const Variant variant : {Variant::unicode, Variant::ansi}) {
        SCOPED_TRACE(variant == Variant::ansi ? "ANSI" : "Unicode");
        const Built built = build(standard_mailbox(), variant);
        const MailboxWalk walk(built.file);
        for (const std::uint32_t nid :
             {0x21u, 0x61u, 0x122u, 0x12Du, 0x12Eu, 0x12Fu, 0x1E1u, 0x201u, 0x261u, 0x60Du, 0x60Eu,
              0x60Fu, 0x610u, 0x671u, 0x692u}) {
            EXPECT_EQ(walk.ndb().nodes().count(nid), 1u) << std::hex << nid;
        }
        const std::uint16_t string = variant == Variant::ansi ? kPtString8 : kPtUnicode;
        // Templates have no rows and at least the columns [MS-PST] requires.
        const struct {
            std::uint32_t nid;
            std::vector<std::uint32_t> required;
        } templates[] = {
            {0x60D,
             {make_tag(0x3001, string), make_tag(0x3602, kPtLong), make_tag(0x3603, kPtLong),
              make_tag(0x360A, kPtBoolean), make_tag(0x3613, string)}},
            {0x60E,
             {make_tag(0x0017, kPtLong), make_tag(0x001A, string), make_tag(0x0037, string),
              make_tag(0x0E06, kPtSysTime), make_tag(0x0E07, kPtLong), make_tag(0x0E08, kPtLong),
              make_tag(0x3008, kPtSysTime)}},
            {0x60F,
             {make_tag(0x001A, string), make_tag(0x0E07, kPtLong), make_tag(0x3001, string),
              make_tag(0x6805, kPtLong | kPtMultiValued)}},
            {0x671,
             {make_tag(0x0E20, kPtLong), make_tag(0x3704, string), make_tag(0x3705, kPtLong),
              make_tag(0x370B, kPtLong)}},
            {0x692,
             {make_tag(0x0C15, kPtLong), make_tag(0x0E0F, kPtBoolean), make_tag(0x0FF9, kPtBinary),
              make_tag(0x0FFE, kPtLong), make_tag(0x0FFF, kPtBinary), make_tag(0x3001, string),
              make_tag(0x3002, string), make_tag(0x3003, string), make_tag(0x300B, kPtBinary),
              make_tag(0x3900, kPtLong), make_tag(0x39FF, string), make_tag(0x3A40, kPtBoolean)}},
        };
        for (const auto& t : templates) {
            const walk::Table table = walk.table(t.nid);
            EXPECT_TRUE(table.rows.empty());
            std::set<std::uint32_t> tags;
            for (const walk::Column& c : table.columns) {
                tags.insert(c.tag);
            }
            for (const std::uint32_t tag : t.required) {
                EXPECT_EQ(tags.count(tag), 1u)
                    << "template " << std::hex << t.nid << " tag " << tag;
            }
            EXPECT_EQ(tags.count(0x67F20003), 1u);
            EXPECT_EQ(tags.count(0x67F30003), 1u);
        }
    }
}

TEST(MailboxWriter, StorePointsAtItsSpecialFolders) {
    Mailbox box = standard_mailbox("Archive 2024");
    box.password_crc = 0x12345678;
    const Built built = build(box);
    const MailboxWalk walk(built.file);
    const PropertyMap store = walk.properties(0x21);
    EXPECT_EQ(text_of(store.at(0x3001)), "Archive 2024");
    EXPECT_EQ(store.at(0x0FF9).bytes,
              std::vector<std::uint8_t>(box.record_key.begin(), box.record_key.end()));
    EXPECT_EQ(long_of(store, 0x35DF), 0x89);
    EXPECT_EQ(static_cast<std::uint32_t>(long_of(store, 0x67FF)), 0x12345678u);
    const struct {
        std::uint16_t id;
        const char* path;
    } roles[] = {{0x35E0, "Top of Personal Folders"},
                 {0x35E3, "Top of Personal Folders/Deleted Items"},
                 {0x35E7, "Search Root"}};
    for (const auto& role : roles) {
        SCOPED_TRACE(role.path);
        EXPECT_EQ(store.at(role.id).bytes,
                  store_entry_id(box.record_key, walk.folder(role.path).nid));
    }
}

// --- folders -----------------------------------------------------------------

TEST(MailboxWriter, FolderTreeAndCountsFollowTheDescriptionInEveryVariant) {
    const Mailbox box = tree_mailbox();
    for (const Variant variant : {Variant::unicode, Variant::ansi}) {
        for (const Encoding encoding : {Encoding::none, Encoding::permute, Encoding::cyclic}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(variant)) + "/" +
                         std::to_string(static_cast<int>(encoding)));
            const Built built = build(box, variant, encoding);
            const MailboxWalk walk(built.file);  // throws on any inconsistency
            std::vector<std::string> paths;
            for (const walk::FolderVisit& f : walk.folders()) {
                paths.push_back(f.path);
            }
            const std::string top = "Top of Personal Folders";
            EXPECT_EQ(paths, (std::vector<std::string>{
                                 "", top, top + "/Deleted Items", top + "/Inbox",
                                 top + "/Inbox/Projects", top + "/Inbox/Projects/Deep",
                                 top + "/Empty", top + "/Calendar", top + "/Contacts",
                                 top + "/Journal", top + "/Notes", top + "/Tasks", "Search Root"}));
            const walk::FolderVisit& inbox = walk.folder(top + "/Inbox");
            EXPECT_EQ(long_of(inbox.properties, 0x3602), 3);
            EXPECT_EQ(long_of(inbox.properties, 0x3603), 2);
            EXPECT_EQ(long_of(inbox.properties, 0x6635), 1);  // the FAI message
            EXPECT_EQ(text_of(walk.folder(top + "/Calendar").properties.at(0x3613)),
                      "IPF.Appointment");
            EXPECT_EQ(long_of(walk.folder(top + "/Inbox/Projects/Deep").properties, 0x3603), 2);
            EXPECT_EQ(walk.stats().messages, 8u);
            EXPECT_EQ(walk.stats().associated, 1u);

            // The report names the same folders and message nids.
            ASSERT_EQ(built.report.folders.size(), walk.folders().size());
            EXPECT_EQ(built.report.messages, 8u);
            for (const walk::FolderVisit& f : walk.folders()) {
                const WrittenFolder& w = built.report.folder(f.path);
                EXPECT_EQ(w.nid, f.nid);
                ASSERT_EQ(w.messages, f.messages.size());
                for (std::size_t i = 0; i < f.messages.size(); ++i) {
                    EXPECT_EQ(w.message_nid(i), f.messages[i]);
                }
            }
        }
    }
}

TEST(MailboxWriter, SearchFoldersAndForeignHierarchyRows) {
    Mailbox box = standard_mailbox();
    Folder& spam = box.root.add_folder("SPAM Search Folder 2", "");
    spam.search_folder = true;
    Folder& loop = box.top().add_folder("Loop");
    loop.extra_hierarchy_rows = {kNidRootFolder};  // points back to an ancestor
    const Built built = build(box);
    const MailboxWalk walk(built.file);
    const walk::Table root = walk.table(0x12D);
    ASSERT_EQ(root.row_ids.size(), 3u);
    const std::uint32_t search = root.row_ids[2];
    EXPECT_EQ(search & 0x1F, 0x03u);
    EXPECT_EQ(walk.ndb().nodes().count(folder_part(search, 0x10)), 1u);
    EXPECT_EQ(walk.ndb().nodes().count(folder_part(search, 0x06)), 1u);
    EXPECT_EQ(walk.ndb().nodes().count(folder_part(search, 0x0D)), 0u);
    EXPECT_EQ(walk.stats().search_folders, 1u);
    const walk::FolderVisit& visit = walk.folder("Top of Personal Folders/Loop");
    EXPECT_EQ(walk.table(folder_part(visit.nid, 0x0D)).row_ids,
              std::vector<std::uint32_t>{kNidRootFolder});

    Mailbox bad = standard_mailbox();
    Folder& full = bad.root.add_folder("Full search", "");
    full.search_folder = true;
    full.messages.push_back(simple_message("x"));
    EXPECT_THROW(build(bad), std::invalid_argument);
}

TEST(MailboxWriter, OmittedAndExtraPropertiesChangeWhatIsDerived) {
    Mailbox box = standard_mailbox();
    Folder& inbox = box.top().add_folder("Inbox");
    inbox.omit = {0x3602};
    inbox.extra = {ExtraProperty::of_text(0x3004, "a comment")};
    Message m = simple_message("sized");
    m.omit = {0x0E08};
    m.extra = {ExtraProperty::of(0x0E06, pv_apptime(45000.5)),
               ExtraProperty::of_text(0x0037, "replaced")};
    inbox.messages.push_back(m);
    const Built built = build(box);
    const WrittenFolder& written = built.report.folder("Top of Personal Folders/Inbox");
    const walk::NdbWalker ndb(built.file);
    const PropertyMap folder = walk::read_property_context(ndb, walk::load_node(ndb, written.nid));
    EXPECT_EQ(folder.count(0x3602), 0u);
    EXPECT_EQ(text_of(folder.at(0x3004)), "a comment");
    const PropertyMap message =
        walk::read_property_context(ndb, walk::load_node(ndb, written.message_nid(0)));
    EXPECT_EQ(message.count(0x0E08), 0u);
    EXPECT_EQ(message.at(0x0E06).type, kPtAppTime);
    EXPECT_EQ(text_of(message.at(0x0037)), "replaced");
}

// --- messages ----------------------------------------------------------------

struct OneMessage {
    Built built;
    std::unique_ptr<MailboxWalk> walk;
    walk::NodeData node;
    PropertyMap pc;
};

OneMessage write_one(const Message& m, Variant variant = Variant::unicode,
                     unsigned code_page = 1252) {
    Mailbox box = standard_mailbox();
    box.code_page = code_page;
    box.top().add_folder("Inbox").messages.push_back(m);
    OneMessage one;
    one.built = build(box, variant);
    one.walk = std::make_unique<MailboxWalk>(one.built.file);
    const std::uint32_t nid =
        one.built.report.folder("Top of Personal Folders/Inbox").message_nid(0);
    one.node = walk::load_node(one.walk->ndb(), nid);
    one.pc = walk::read_property_context(one.walk->ndb(), one.node);
    return one;
}

TEST(MailboxWriter, MessageHeaderPropertiesAreStoredAsDescribed) {
    Message m = simple_message("Quarterly numbers", false);
    m.sent_representing = Person{"Boss", "boss@example.com"};
    m.importance = 2;
    m.priority = -1;
    m.internet_code_page = 1251;
    m.transport_headers = "Received: by x\r\nFrom: a@b\r\nDate: Mon, 1 Jan 2024 00:00:00 +0000\r\n";
    m.internet_message_id = "<id@example.com>";
    m.in_reply_to = "<parent@example.com>";
    m.references = "<root@example.com> <parent@example.com>";
    const OneMessage one = write_one(m);
    const PropertyMap& pc = one.pc;
    EXPECT_EQ(text_of(pc.at(0x001A)), "IPM.Note");
    EXPECT_EQ(text_of(pc.at(0x0037)), "Quarterly numbers");
    EXPECT_EQ(text_of(pc.at(0x0042)), "Boss");
    EXPECT_EQ(text_of(pc.at(0x0065)), "boss@example.com");
    EXPECT_EQ(text_of(pc.at(0x0C1A)), "Ann Example");
    EXPECT_EQ(text_of(pc.at(0x0C1F)), "ann@example.com");
    EXPECT_EQ(text_of(pc.at(0x0C1E)), "SMTP");
    EXPECT_EQ(text_of(pc.at(0x0E04)), "Bob Example");
    EXPECT_EQ(get_u64(pc.at(0x0039).bytes, 0), filetime_from_unix(1700000000));
    EXPECT_EQ(pc.at(0x0E06).type, kPtSysTime);
    EXPECT_EQ(get_u64(pc.at(0x0E06).bytes, 0), filetime_from_unix(1700000060));
    EXPECT_EQ(long_of(pc, 0x0E07), 0);  // unread, no attachments
    EXPECT_GT(long_of(pc, 0x0E08), 0);
    EXPECT_EQ(long_of(pc, 0x0017), 2);
    EXPECT_EQ(long_of(pc, 0x0026), -1);
    EXPECT_EQ(long_of(pc, 0x3FDE), 1251);
    EXPECT_EQ(text_of(pc.at(0x007D)), m.transport_headers);
    EXPECT_EQ(text_of(pc.at(0x1035)), "<id@example.com>");
    EXPECT_EQ(text_of(pc.at(0x1042)), "<parent@example.com>");
    EXPECT_EQ(text_of(pc.at(0x1039)), m.references);
    EXPECT_EQ(pc.at(0x300B).bytes.size(), 16u);
    for (const std::uint16_t required : {0x0E17, 0x3007, 0x3008}) {
        EXPECT_EQ(pc.count(required), 1u) << std::hex << required;
    }
}

TEST(MailboxWriter, SubjectsCarryThePrefixMarker) {
    const struct {
        const char* name;
        Variant variant;
        unsigned code_page;
        const char* prefix;
        bool marker;
        const char* subject;
        const char* stored_hex;
    } cases[] = {
        {"plain", Variant::unicode, 1252, "", false, "Hi", "48 00 69 00"},
        {"reply", Variant::unicode, 1252, "Re: ", false, "x",
         "01 00 05 00 52 00 65 00 3A 00 20 00 78 00"},
        {"marker without prefix", Variant::unicode, 1252, "", true, "x", "01 00 01 00 78 00"},
        {"ANSI reply", Variant::ansi, 1252, "AW: ", false, "x", "01 05 41 57 3A 20 78"},
        // The length counts bytes of the 8-bit prefix: two Greek letters.
        {"ANSI Greek", Variant::ansi, 1253, "ΑΠ: ", false, "x", "01 05 C1 D0 3A 20 78"},
        {"ANSI Shift-JIS", Variant::ansi, 932, "返信: ", false, "x", "01 07 95 D4 90 4D 3A 20 78"},
        {"Unicode non-BMP", Variant::unicode, 1252, "😀 ", false, "x",
         "01 00 04 00 3D D8 00 DE 20 00 78 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Message m = simple_message(c.subject);
        m.subject_prefix = c.prefix;
        m.subject_marker = c.marker;
        const OneMessage one = write_one(m, c.variant, c.code_page);
        EXPECT_EQ(one.pc.at(0x0037).bytes, testbytes::from_hex(c.stored_hex));
    }
}

TEST(MailboxWriter, DeliveryTimeCanBeAnOleAutomationDate) {
    Message m = simple_message("old");
    m.delivery_time = filetime_from_unix(0) + 36000000000ull;  // 1970-01-01 01:00
    m.delivery_time_as_apptime = true;
    const OneMessage one = write_one(m);
    ASSERT_EQ(one.pc.at(0x0E06).type, kPtAppTime);
    double days = 0;
    const std::uint64_t raw = get_u64(one.pc.at(0x0E06).bytes, 0);
    std::memcpy(&days, &raw, sizeof days);
    EXPECT_DOUBLE_EQ(days, 25569.0 + 1.0 / 24.0);
}

TEST(MailboxWriter, RecipientTableHoldsEveryRecipientWithItsType) {
    Message m = simple_message("to many");
    m.recipients = {make_recipient("To One", "to@example.com"),
                    make_recipient("Cc Two", "cc@example.com", RecipientType::cc),
                    make_recipient("Bcc Three", "bcc@example.com", RecipientType::bcc)};
    m.recipients[1].write_smtp_address = false;
    m.recipients[2].extra = {ExtraProperty::of_text(0x403E, "fallback@example.com")};
    const OneMessage one = write_one(m);
    const walk::Table table = walk::read_table_context(
        one.walk->ndb(), walk::load_subnode(one.walk->ndb(), one.node, 0x692));
    ASSERT_EQ(table.rows.size(), 3u);
    const std::int32_t types[] = {1, 2, 3};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(long_of(table.rows[i], 0x0C15), types[i]);
        EXPECT_EQ(text_of(table.rows[i].at(0x3001)), m.recipients[i].name);
        EXPECT_EQ(text_of(table.rows[i].at(0x3003)), m.recipients[i].email);
        EXPECT_EQ(text_of(table.rows[i].at(0x3002)), "SMTP");
    }
    EXPECT_EQ(table.rows[1].count(0x39FE), 0u);  // no SMTP address cell
    EXPECT_EQ(text_of(table.rows[0].at(0x39FE)), "to@example.com");
    EXPECT_EQ(text_of(table.rows[2].at(0x403E)), "fallback@example.com");
    // A one-off entry id: flags, the one-off provider, then the strings.
    const std::vector<std::uint8_t>& entry = table.rows[0].at(0x0FFF).bytes;
    EXPECT_EQ(std::vector<std::uint8_t>(entry.begin() + 4, entry.begin() + 20),
              testbytes::from_hex("81 2B 1F A4 BE A3 10 19 9D 6E 00 DD 01 0F 54 02"));
    EXPECT_EQ(text_of(one.pc.at(0x0E03)), "Cc Two");
    EXPECT_EQ(text_of(one.pc.at(0x0E02)), "Bcc Three");
}

TEST(MailboxWriter, AttachmentsByValueAndEmbeddedMessages) {
    auto inner = std::make_shared<Message>(simple_message("innermost"));
    auto middle = std::make_shared<Message>(simple_message("middle"));
    Attachment inner_attachment;
    inner_attachment.embedded = inner;
    middle->attachments.push_back(inner_attachment);

    Message m = simple_message("with attachments");
    Attachment file;
    file.filename = "Отчёт.pdf";
    file.mime_type = "application/pdf";
    file.data.assign(300000, 0);
    for (std::size_t i = 0; i < file.data.size(); ++i) {
        file.data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    Attachment image;
    image.filename = "image001.png";
    image.mime_type = "image/png";
    image.content_id = "image001.png@01D9";
    image.data = bytes("\x89PNG");
    Attachment forwarded;
    forwarded.embedded = middle;
    forwarded.display_name = "middle";
    Attachment by_reference;
    by_reference.filename = "link.url";
    by_reference.method = kAttachByReference;
    m.attachments = {file, image, forwarded, by_reference};

    const OneMessage one = write_one(m);
    const walk::NdbWalker& ndb = one.walk->ndb();
    EXPECT_EQ(long_of(one.pc, 0x0E07) & kMessageFlagHasAttach, kMessageFlagHasAttach);
    const walk::Table table =
        walk::read_table_context(ndb, walk::load_subnode(ndb, one.node, 0x671));
    ASSERT_EQ(table.row_ids.size(), 4u);
    std::vector<PropertyMap> pcs;
    for (const std::uint32_t row : table.row_ids) {
        EXPECT_EQ(row & 0x1F, 0x05u);
        pcs.push_back(walk::read_property_context(ndb, walk::load_subnode(ndb, one.node, row)));
    }
    EXPECT_EQ(pcs[0].at(0x3701).bytes, file.data);
    EXPECT_EQ(text_of(pcs[0].at(0x3707)), "Отчёт.pdf");
    EXPECT_EQ(text_of(pcs[0].at(0x3703)), ".pdf");
    EXPECT_EQ(text_of(pcs[0].at(0x370E)), "application/pdf");
    EXPECT_EQ(long_of(pcs[0], 0x3705), kAttachByValue);
    EXPECT_EQ(text_of(pcs[1].at(0x3712)), "image001.png@01D9");
    EXPECT_EQ(text_of(table.rows[1].at(0x3712)), "image001.png@01D9");
    EXPECT_EQ(long_of(pcs[2], 0x3705), kAttachEmbeddedMessage);
    EXPECT_EQ(pcs[2].at(0x3701).type, kPtObject);
    EXPECT_EQ(long_of(pcs[3], 0x3705), kAttachByReference);
    EXPECT_EQ(pcs[3].count(0x3701), 0u);

    // The embedded message is a subnode of the attachment, and carries its
    // own embedded message in turn.
    const walk::NodeData attachment = walk::load_subnode(ndb, one.node, table.row_ids[2]);
    const walk::NodeData embedded =
        walk::load_subnode(ndb, attachment, get_u32(pcs[2].at(0x3701).bytes, 0));
    EXPECT_EQ(text_of(walk::read_property_context(ndb, embedded).at(0x0037)), "middle");
    EXPECT_EQ(one.walk->stats().embedded, 2u);
    EXPECT_EQ(one.walk->stats().attachments, 5u);
    EXPECT_EQ(one.built.report.attachments, 5u);
    EXPECT_EQ(one.built.report.embedded_messages, 2u);
}

TEST(MailboxWriter, BodiesInEveryForm) {
    const std::string long_text(20000, 'z');
    const struct {
        const char* name;
        std::optional<std::string> body;
        std::optional<std::string> html;
        std::optional<std::string> rtf;
        RtfForm form;
        std::optional<std::uint32_t> code_page;
    } cases[] = {
        {"plain", "Grüße, Привет", {}, {}, RtfForm::compressed, {}},
        {"long plain in a subnode", long_text, {}, {}, RtfForm::compressed, {}},
        {"HTML in its code page", {}, "<p>Привет</p>", {}, RtfForm::compressed, 1251},
        {"HTML in UTF-8", "x", "<p>日本</p>", {}, RtfForm::compressed, {}},
        {"compressed RTF", {}, {}, "{\\rtf1\\ansi hello\\par hello\\par}", RtfForm::compressed, {}},
        {"uncompressed RTF", {}, {}, "{\\rtf1 plain}", RtfForm::uncompressed, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Message m = simple_message("bodies");
        m.body = c.body;
        m.html = c.html;
        m.rtf = c.rtf;
        m.rtf_form = c.form;
        m.internet_code_page = c.code_page;
        const OneMessage one = write_one(m);
        EXPECT_EQ(one.pc.count(0x1000), c.body ? 1u : 0u);
        if (c.body) {
            EXPECT_EQ(text_of(one.pc.at(0x1000)), *c.body);
        }
        if (c.html) {
            const std::vector<std::uint8_t> expected =
                c.code_page ? testbytes::from_hex("3C 70 3E CF F0 E8 E2 E5 F2 3C 2F 70 3E")
                            : bytes(*c.html);
            EXPECT_EQ(one.pc.at(0x1013).type, kPtBinary);
            EXPECT_EQ(one.pc.at(0x1013).bytes, expected);
        }
        if (c.rtf) {
            EXPECT_EQ(rtftest::decompress(one.pc.at(0x1009).bytes), *c.rtf);
            EXPECT_EQ(get_u32(one.pc.at(0x1009).bytes, 8),
                      c.form == RtfForm::compressed ? kRtfCompressed : kRtfUncompressed);
        }
    }
}

TEST(MailboxWriter, AnsiFilesStoreStringsInTheMailboxCodePage) {
    const struct {
        unsigned code_page;
        const char* folder;
        const char* folder_hex;
    } cases[] = {
        {1251, "Входящие", "C2 F5 EE E4 FF F9 E8 E5"},
        {932, "受信トレイ", "8E F3 90 4D 83 67 83 8C 83 43"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code_page);
        Mailbox box = standard_mailbox();
        box.code_page = c.code_page;
        Folder& folder = box.top().add_folder(c.folder);
        Message m = simple_message("x");
        m.body = c.folder;
        folder.messages.push_back(m);
        const Built built = build(box, Variant::ansi);
        const MailboxWalk walk(built.file);
        const walk::FolderVisit& visit = walk.folder(
            "Top of Personal Folders/" +
            std::string(walk::text_of({kPtString8, testbytes::from_hex(c.folder_hex)})));
        EXPECT_EQ(visit.properties.at(0x3001).type, kPtString8);
        EXPECT_EQ(visit.properties.at(0x3001).bytes, testbytes::from_hex(c.folder_hex));
        const PropertyMap message = walk.properties(visit.messages.at(0));
        EXPECT_EQ(message.at(0x1000).bytes, testbytes::from_hex(c.folder_hex));
        EXPECT_EQ(long_of(message, 0x3FFD), static_cast<std::int32_t>(c.code_page));
    }
    // A body in another internet code page is stored in that code page.
    Message m = simple_message("koi8");
    m.body = "Привет";
    m.internet_code_page = 20866;
    const OneMessage one = write_one(m, Variant::ansi, 1251);
    EXPECT_EQ(one.pc.at(0x1000).bytes, testbytes::from_hex("F0 D2 C9 D7 C5 D4"));
}

TEST(MailboxWriter, NamedPropertiesAreRegisteredInTheMap) {
    Message m = simple_message("contact");
    m.message_class = "IPM.Contact";
    m.extra = {
        ExtraProperty::of_named_text(PropertyName{kPsetidAddress, 0x8083, {}}, "c@example.com"),
        ExtraProperty::of_named(PropertyName{kPsetidAppointment, 0x820D, {}},
                                pv_systime(filetime_from_unix(1700000000))),
        ExtraProperty::of_named_text(PropertyName{kPsPublicStrings, 0, "Keywords"}, "blue"),
        ExtraProperty::of_named_text(PropertyName{kPsetidAddress, 0x8083, {}}, "again@example.com"),
    };
    const OneMessage one = write_one(m);
    EXPECT_EQ(text_of(one.pc.at(0x8000)), "again@example.com");
    EXPECT_EQ(one.pc.at(0x8001).type, kPtSysTime);
    EXPECT_EQ(text_of(one.pc.at(0x8002)), "blue");
    EXPECT_EQ(one.pc.count(0x8003), 0u);
    const PropertyMap map = one.walk->properties(0x61);
    // NAMEID records: dwPropertyID, then N and wGuid, then wPropIdx.
    EXPECT_EQ(map.at(0x0003).bytes.size(), 24u);
    EXPECT_EQ(map.at(0x0003).bytes,
              testbytes::from_hex("83 80 00 00 06 00 00 00 "    // PSETID_Address (guid 3)
                                  "0D 82 00 00 08 00 01 00 "    // PSETID_Appointment (guid 4)
                                  "00 00 00 00 05 00 02 00"));  // string in PS_PUBLIC_STRINGS
    EXPECT_EQ(map.at(0x0002).bytes.size(), 32u);
    EXPECT_EQ(one.walk->stats().named_properties, 3u);
}

// --- files -------------------------------------------------------------------

TEST(MailboxWriter, StreamedFileEqualsTheInMemoryFile) {
    const Mailbox box = tree_mailbox();
    NdbOptions options;
    options.encoding = Encoding::cyclic;
    const std::vector<std::uint8_t> memory = build_mailbox(box, options);
    const std::string path = testing::TempDir() + "/mailbox_writer_streamed.pst";
    options.record_layout = false;
    const MailboxReport report = write_mailbox_file(box, options, path);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> streamed((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
    EXPECT_EQ(streamed, memory);
    EXPECT_EQ(report.file_size, memory.size());
    std::remove(path.c_str());
}

}  // namespace
