// Replays saved fuzz inputs and a few seeds through the property and table
// layer's fuzz function: each must finish without a crash, a hang or a
// sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ltp_input.h"
#include "support/named_property_map_builder.h"
#include "support/ndb_builder.h"
#include "support/property_context_builder.h"
#include "support/table_context_builder.h"

namespace {

namespace fs = std::filesystem;
using namespace pstbuild;

void replay(const std::vector<std::uint8_t>& input) {
    fuzz_ltp(input.data(), input.size());
}

std::vector<std::uint8_t> read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// A small file of each variant: a property context with values in the heap
// and in a subnode, a table whose rows span two blocks of a subnode, and a
// named property map.
std::vector<std::uint8_t> small_file(Variant variant) {
    NdbBuilder ndb({.variant = variant, .pad_to_amap_section = false});
    PcOptions small_values;
    small_values.values.max_heap_value = 64;
    PropertyContextBuilder pc(variant, small_values);
    pc.set(0x3001, pv_unicode("Top of Personal Folders"))
        .set(0x0037, pv_string8("caf\xE9"))
        .set(0x0E06, pv_systime(0x01D0000000000000))
        .set(0x1000, pv_binary(std::vector<std::uint8_t>(300, 0x5A)))
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

TEST(LtpFuzzRegressions, Seeds) {
    replay({});
    replay(std::vector<std::uint8_t>(600, 0x41));
    replay(small_file(Variant::ansi));
    replay(small_file(Variant::unicode));
    for (const char* name : {"hughbe_Outlook98Backup_ansi.pst", "enron_edrm_sample_ansi.pst"}) {
        const fs::path path = fs::path(MW_CORPUS_DIR) / name;
        if (fs::exists(path)) {
            replay(read_file(path));
        }
    }
}

// Writes the builder seeds for a fuzzing run when MW_LTP_SEED_DIR names a
// folder; otherwise does nothing.
TEST(LtpFuzzRegressions, WriteSeedsOnRequest) {
    const char* folder = std::getenv("MW_LTP_SEED_DIR");
    if (!folder) {
        GTEST_SKIP() << "set MW_LTP_SEED_DIR to write the fuzz seeds";
    }
    for (const Variant variant : {Variant::ansi, Variant::unicode}) {
        const auto bytes = small_file(variant);
        std::ofstream(fs::path(folder) / (variant == Variant::ansi ? "ansi.pst" : "unicode.pst"),
                      std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
}

TEST(LtpFuzzRegressions, SavedInputs) {
    const fs::path folder = fs::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "ltp";
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "no saved ltp fuzz inputs in " << folder;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        replay(read_file(entry.path()));
    }
}

}  // namespace
