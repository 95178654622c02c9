// Replays saved fuzz inputs and a few seeds through the messaging layer and
// session model fuzz function: each must finish without a crash, a hang or a
// sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pst_input.h"
#include "pstread/pst/mailbox_file.h"
#include "support/calendar_mailbox.h"
#include "support/sample_mailbox.h"

namespace {

namespace fs = std::filesystem;

void replay(const std::vector<std::uint8_t>& input) {
    fuzz_pst(input.data(), input.size());
}

std::vector<std::uint8_t> read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// A sample mailbox with every kind of folder and message part, a file
// whose folder tree points back up and whose message embeds messages deeply,
// and the builder's calendar.
std::vector<std::vector<std::uint8_t>> builder_seeds() {
    std::vector<std::vector<std::uint8_t>> seeds;
    for (const auto variant : {pstbuild::Variant::ansi, pstbuild::Variant::unicode}) {
        pstbuild::sample::SampleOptions options;
        options.variant = variant;
        options.folders = 3;
        options.messages = 12;
        options.attachment_kb = 2;
        seeds.push_back(
            psttest::build_file(pstbuild::sample::sample_mailbox(options), variant).bytes);
    }
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    pstbuild::Folder& loop = box.top().add_folder("Loop");
    loop.extra_hierarchy_rows = {0x122, 0x8022, 0x7FFFFFE2};
    std::shared_ptr<const pstbuild::Message> chain =
        std::make_shared<pstbuild::Message>(psttest::mail("deepest"));
    for (int level = 0; level < 70; ++level) {
        auto holder = std::make_shared<pstbuild::Message>(psttest::mail("level"));
        pstbuild::Attachment a;
        a.embedded = chain;
        holder->attachments = {a};
        chain = holder;
    }
    loop.messages = {*chain};
    seeds.push_back(psttest::build_file(box).bytes);
    // Appointments of every recurrence pattern and zone record.
    seeds.push_back(
        psttest::build_file(pstbuild::calendar_mailbox(pstbuild::calendar_appointments())).bytes);
    return seeds;
}

TEST(PstFuzzRegressions, Seeds) {
    replay({});
    replay(std::vector<std::uint8_t>(600, 0x41));
    for (const auto& seed : builder_seeds()) {
        replay(seed);
    }
    for (const char* name : {"hughbe_Outlook98Backup_ansi.pst", "enron_edrm_sample_ansi.pst",
                             "tghanem_user1_test.lab.pst"}) {
        const fs::path path = fs::path(MW_CORPUS_DIR) / name;
        if (fs::exists(path)) {
            replay(read_file(path));
        }
    }
}

TEST(PstFuzzRegressions, SavedInputs) {
    const fs::path folder = fs::path(MW_SOURCE_DIR) / "fuzz" / "regressions" / "pst";
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "no saved pst fuzz inputs in " << folder;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        replay(read_file(entry.path()));
    }
}

}  // namespace
