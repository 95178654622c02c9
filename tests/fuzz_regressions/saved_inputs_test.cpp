// Replays inputs through the functions the fuzz targets call: every saved
// input (fuzz/regressions/<target>/: inputs that once failed and hand-made
// seeds) and, for the PST layers, builder mailboxes of both variants with a
// folder tree pointing back up, messages nested past the limit, attachments
// sharing one embedded message and every recurrence pattern of the builder
// calendar, and garbage. Each must finish without a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codepage_input.h"
#include "ltp_input.h"
#include "mime_input.h"
#include "ndb_input.h"
#include "pst_input.h"
#include "pstread/pst/mailbox_file.h"
#include "recurrence_input.h"
#include "rtf_input.h"
#include "support/calendar_mailbox.h"
#include "support/sample_mailbox.h"

namespace {

namespace fs = std::filesystem;
using namespace pstbuild;
using bytes = std::vector<std::uint8_t>;
using replay_function = void (*)(const std::uint8_t*, std::size_t);

bytes sample_seed(Variant variant) {
    sample::SampleOptions options;
    options.variant = variant;
    options.folders = 3;
    options.messages = 12;
    options.attachment_kb = 20;  // data trees of several blocks
    return psttest::build_file(sample::sample_mailbox(options), variant).bytes;
}

bytes looping_seed() {
    Mailbox box = standard_mailbox();
    Folder& loop = box.top().add_folder("Loop");
    loop.extra_hierarchy_rows = {0x122, 0x8022, 0x7FFFFFE2};
    loop.messages = {psttest::embedding_chain(70)};
    return psttest::build_file(box).bytes;
}

std::vector<bytes> saved_inputs(const char* target) {
    const fs::path folder = fs::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / target;
    std::vector<bytes> inputs;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return inputs;
}

TEST(FuzzRegressions, SavedInputsAndBuilderMailboxesOfEveryTarget) {
    const std::vector<bytes> mailboxes = {
        {},
        bytes(600, 0x41),
        sample_seed(Variant::ansi),
        sample_seed(Variant::unicode),
        looping_seed(),
        psttest::fan_out_mailbox(24).bytes,
        psttest::build_file(calendar_mailbox(calendar_appointments())).bytes};
    struct target {
        const char* name;
        replay_function replay;
        bool saved;  // has a folder of saved inputs
        bool mailboxes;
    };
    const target targets[] = {
        {"ndb", fuzz_ndb, true, true},
        {"ltp", fuzz_ltp, false, true},
        {"pst", fuzz_pst, false, true},
        {"rtf", fuzz_rtf, true, false},
        {"mime", fuzz_mime, true, false},
        {"codepage", fuzz_codepage, true, false},
        {"recurrence", fuzz_recurrence, true, false},
    };
    for (const target& t : targets) {
        SCOPED_TRACE(t.name);
        std::vector<bytes> inputs = t.saved ? saved_inputs(t.name) : std::vector<bytes>{};
        EXPECT_EQ(inputs.empty(), !t.saved);
        if (t.mailboxes) {
            inputs.insert(inputs.end(), mailboxes.begin(), mailboxes.end());
        }
        for (const bytes& input : inputs) {
            t.replay(input.data(), input.size());
        }
    }
}

}  // namespace
