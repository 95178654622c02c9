// `mailwright info` and `mailwright inspect`: run the built program on a
// builder file, intact and damaged, and on a real sample file.
#include <sstream>

#include "cli/command_test.h"
#include "support/named_property_map_builder.h"
#include "support/ndb_builder.h"
#include "support/property_context_builder.h"
#include "support/table_context_builder.h"

namespace {

using namespace pstbuild;

class InspectCommandTest : public clitest::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        m_command = "inspect";
    }

    // An ANSI file with cyclic encoding: a message store with values of
    // several types and one time value too short to read, a hierarchy table,
    // a named property map and a node that is not a heap.
    std::string sample_file() {
        NdbBuilder ndb(
            {.variant = Variant::ansi, .encoding = Encoding::cyclic, .pad_to_amap_section = false});
        PropertyContextBuilder store(Variant::ansi);
        store.set(0x3001, pv_string8("Caf\xE9 folders"))
            .set(0x3602, pv_long(-12))
            .set(0x360A, pv_bool(true))
            .set(0x0E06, pv_systime(0x01D0A1B2C3D4E5F0))
            .set(0x1000, pv_binary({1, 2, 3}))
            .set(0x8001, pv_mv_string8({"a", "b"}));
        m_short_value = store.layout().records.at(0x1000);
        store.set_raw(0x0E07, kPtSysTime, m_short_value);
        const NodeContent pc = store.build();
        ndb.add_node(0x21, pc.data, pc.subnodes);

        TableContextBuilder hierarchy(Variant::ansi);
        hierarchy.add_column(make_tag(0x3001, kPtString8)).add_column(make_tag(0x3602, kPtLong));
        hierarchy.add_row(0x8022, {{0x3001, pv_string8("Inbox")}, {0x3602, pv_long(3)}});
        hierarchy.add_row(0x8042, {{0x3001, pv_string8("Sent")}});
        const NodeContent tc = hierarchy.build();
        ndb.add_node(0x12D, tc.data, tc.subnodes);

        NamedPropertyMapBuilder names(Variant::ansi);
        names.add(kPsetidAppointment, 0x8216);
        names.add(kPsPublicStrings, "Keywords");
        const NodeContent map = names.build();
        ndb.add_node(kNidNameToIdMap, map.data, map.subnodes);

        ndb.add_node(0x2F, {1, 2, 3, 4, 5});
        const fs::path path = m_dir / "sample.pst";
        ndb.write_file(path.string());
        return "'" + path.string() + "'";
    }

    std::uint32_t m_short_value = 0;  // HID of the 3-byte value read as a time
};

// Each form of the command: what it prints on success, or its status and
// the reason on standard error.
TEST_F(InspectCommandTest, NodesTablesAndNamesAndNodesThatCannotBeShown) {
    const std::string file = sample_file();
    std::ostringstream short_value;
    short_value << std::hex << m_short_value;
    const struct {
        std::string arguments;
        int status;
        std::vector<std::string> printed;  // on standard output, or error when failed
    } cases[] = {
        {" 0x21",
         0,
         {"node 0x21: property context, 7 properties\n"
          "  0x0E06  PT_SYSTIME     2015-06-08T06:17:15Z\n"
          "  0x0E07  PT_SYSTIME     error: 8-byte value 0x" +
          short_value.str() +
          " of node 0x21 holds fewer than 8 bytes\n"
          "  0x1000  PT_BINARY      (3 bytes) 01 02 03\n"
          "  0x3001  PT_STRING8     \"Café folders\"\n"
          "  0x3602  PT_LONG        -12 (0xFFFFFFF4)\n"
          "  0x360A  PT_BOOLEAN     true\n"
          "  0x8001  PT_MV_STRING8  2 values [\"a\", \"b\"]\n"}},
        {" 12d --codepage 1251",
         0,
         {"node 0x12d: table context, 4 columns, 2 rows\n",
          "  row 1, row id 0x8042:\n    0x3001  PT_STRING8     \"Sent\"\n",
          "  0x3602  PT_LONG        cell "}},
        {" --named",
         0,
         {"named property map: 2 entries, 251 buckets\n",
          "0x8000  {00062002-0000-0000-C000-000000000046} 0x8216  PSETID_Appointment\n",
          "0x8001  {00020329-0000-0000-C000-000000000046} \"Keywords\"  PS_PUBLIC_STRINGS\n"}},
        {" 0x99", 1, {"node 0x99 not found"}},
        {" 0x2F", 1, {"node 0x2f: "}},
        {" 0x21/0x7F", 1, {"not found"}},
    };
    for (const auto& c : cases) {
        const run_result result = run(file + c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << result.err;
        for (const std::string& piece : c.printed) {
            EXPECT_THAT((c.status == 0 ? result.out : result.err), HasSubstr(piece)) << c.arguments;
        }
    }
}

TEST_F(InspectCommandTest, InfoPrintsTheHeaderFactsAndCountsAndNamesEachFailingFile) {
    const std::string file = sample_file();
    m_command = "info";
    const run_result good = run(file);
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, (m_dir / "sample.pst").string() +
                            "\n  variant:      ANSI\n  wVer:         14\n"
                            "  encoding:     cyclic\n  ibFileEof:    " +
                            std::to_string(fs::file_size(m_dir / "sample.pst")) +
                            "\n  nodes (NBT):  4\n  blocks (BBT): 4\n");
    EXPECT_EQ(good.err, "");

    const fs::path bad =
        testfiles::write_bytes(m_dir / "bad.pst", std::vector<std::uint8_t>(600, 0x41));
    const run_result mixed = run(quoted(bad) + " " + quoted(m_dir / "missing.pst") + " " + file);
    EXPECT_EQ(mixed.status, 1);
    EXPECT_THAT(mixed.err,
                StartsWith("mailwright: " + bad.string() + ": not a PST file (bad signature)\n" +
                           "mailwright: " + (m_dir / "missing.pst").string() +
                           ": No such file or directory"));
    EXPECT_EQ(mixed.out, good.out);

    // The header's end of file beside the file's size when they differ.
    const fs::path sample = fs::path(MW_CORPUS_DIR) / "aspose_c_Backup_out.pst";
    if (!fs::exists(sample)) {
        GTEST_SKIP() << "sample corpus not found at " << MW_CORPUS_DIR;
    }
    const run_result real = run(quoted(sample));
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_THAT(real.out, HasSubstr("ibFileEof:    271360 (file size 713984)"));
}

}  // namespace
