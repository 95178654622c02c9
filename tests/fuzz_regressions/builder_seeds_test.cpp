// Replays the seeds of the PST fuzz targets through the functions the fuzzer
// calls: files the builder writes (each variant, deep data and subnode trees,
// tables across blocks, a folder tree pointing back up, messages nested past
// the limit, the builder's calendar), garbage, and real sample files. Each
// must finish without a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ltp_input.h"
#include "ndb_input.h"
#include "pst_input.h"
#include "pstread/pst/mailbox_file.h"
#include "support/block_writer.h"
#include "support/calendar_mailbox.h"
#include "support/named_property_map_builder.h"
#include "support/ndb_builder.h"
#include "support/property_context_builder.h"
#include "support/sample_mailbox.h"
#include "support/table_context_builder.h"

namespace {

namespace fs = std::filesystem;
using namespace pstbuild;
using bytes = std::vector<std::uint8_t>;

// A node with a two-block data tree and a subnode tree.
bytes ndb_seed(Variant variant) {
    NdbBuilder ndb(
        {.variant = variant, .encoding = Encoding::permute, .pad_to_amap_section = false});
    ndb.add_node(0x21, bytes(traits(variant).max_block_data + 100, 0x5A),
                 {{0x1E1, bytes(100, 1), {}}});
    return ndb.build();
}

// A property context with values in the heap and in a subnode, a table whose
// rows span two blocks of a subnode, and a named property map.
bytes ltp_seed(Variant variant) {
    NdbBuilder ndb({.variant = variant, .pad_to_amap_section = false});
    PcOptions small_values;
    small_values.values.max_heap_value = 64;
    PropertyContextBuilder pc(variant, small_values);
    pc.set(0x3001, pv_unicode("Top of Personal Folders"))
        .set(0x0037, pv_string8("caf\xE9"))
        .set(0x1000, pv_binary(bytes(300, 0x5A)))
        .set(0x8001, pv_mv_unicode({"a", "bc"}));
    const NodeContent message = pc.build();
    ndb.add_node(0x200024, message.data, message.subnodes);
    TcOptions in_subnode;
    in_subnode.matrix = RowMatrixPlace::subnode;
    TableContextBuilder tc(variant, in_subnode);
    tc.add_column(make_tag(0x3001, kPtUnicode)).add_column(make_tag(0x0E06, kPtSysTime));
    for (std::uint32_t r = 0; r < 400; ++r) {
        tc.add_row(0x200024 + 32 * r, {{0x3001, pv_unicode("r")}, {0x0E06, pv_systime(r)}});
    }
    const NodeContent contents = tc.build();
    ndb.add_node(0x800E, contents.data, contents.subnodes);
    NamedPropertyMapBuilder names(variant);
    names.add(kPsetidAppointment, 0x8216);
    names.add(kPsPublicStrings, "Keywords");
    const NodeContent map = names.build();
    ndb.add_node(kNidNameToIdMap, map.data, map.subnodes);
    return ndb.build();
}

// A sample mailbox with every kind of folder and message part.
bytes sample_seed(Variant variant) {
    sample::SampleOptions options;
    options.variant = variant;
    options.folders = 3;
    options.messages = 12;
    options.attachment_kb = 2;
    return psttest::build_file(sample::sample_mailbox(options), variant).bytes;
}

// A folder tree that points back up, and a message nesting messages past the
// limit.
bytes looping_seed() {
    Mailbox box = standard_mailbox();
    Folder& loop = box.top().add_folder("Loop");
    loop.extra_hierarchy_rows = {0x122, 0x8022, 0x7FFFFFE2};
    std::shared_ptr<const Message> chain = std::make_shared<Message>(psttest::mail("deepest"));
    for (int level = 0; level < 70; ++level) {
        auto holder = std::make_shared<Message>(psttest::mail("level"));
        Attachment a;
        a.embedded = chain;
        holder->attachments = {a};
        chain = holder;
    }
    loop.messages = {*chain};
    return psttest::build_file(box).bytes;
}

bytes corpus_file(const char* name) {
    std::ifstream file(fs::path(MW_CORPUS_DIR) / name, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(file), {});
}

TEST(FuzzRegressions, BuilderSeedsGarbageAndSampleFiles) {
    const std::vector<bytes> common = {{},
                                       bytes(600, 0x41),
                                       corpus_file("hughbe_Outlook98Backup_ansi.pst"),
                                       corpus_file("enron_edrm_sample_ansi.pst")};
    struct target {
        const char* name;
        std::function<void(const std::uint8_t*, std::size_t)> replay;
        std::vector<bytes> seeds;
    };
    const target targets[] = {
        {"ndb", fuzz_ndb, {ndb_seed(Variant::ansi), ndb_seed(Variant::unicode)}},
        {"ltp", fuzz_ltp, {ltp_seed(Variant::ansi), ltp_seed(Variant::unicode)}},
        {"pst",
         fuzz_pst,
         {sample_seed(Variant::ansi), sample_seed(Variant::unicode), looping_seed(),
          psttest::fan_out_mailbox(24).bytes,
          // Appointments of every recurrence pattern and zone record.
          psttest::build_file(calendar_mailbox(calendar_appointments())).bytes,
          corpus_file("tghanem_user1_test.lab.pst")}},
    };
    for (const target& t : targets) {
        SCOPED_TRACE(t.name);
        for (const auto* list : {&common, &t.seeds}) {
            for (const bytes& seed : *list) {
                t.replay(seed.data(), seed.size());
            }
        }
    }
}

}  // namespace
