// Every message of a store written as EML files and as one MBOX mailbox,
// parsed by Python's email and mailbox packages: no defects, bodies decode
// to the stored text, attachments to the stored bytes, the mailbox holds
// every message with its "From " lines quoted. The stores are the sample
// messages of a Unicode and an ANSI builder file and every real sample file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "formats/expected_from_pst.h"
#include "formats/python_check.h"
#include "formats/sample_messages.h"
#include "pstread/ndb/database.h"

namespace mailwright::formats {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kCodePage = 1252;

struct StoreCheck {
    explicit StoreCheck(pstread::pst& store)
        : eml(false, false, store.is_unicode(), kCodePage),
          mbox(true, true, store.is_unicode(), kCodePage) {
        const std::uint16_t contentType = ResolveContentTypePropId(store);
        eml.setContentTypePropId(contentType);
        mbox.setContentTypePropId(contentType);
    }

    void addFolder(const pstread::folder& folder) {
        for (auto it = folder.message_begin(); it != folder.message_end(); ++it) {
            try {
                pstread::message m = *it;
                std::ostringstream emlText;
                std::ostringstream mboxText;
                eml.writeMessage(emlText, &m);
                mbox.writeMessage(mboxText, &m);
                expected.push_back(mimetest::expect_from_pst(m, text::GetCodePageInfo(kCodePage)));
                emlCheck.addEml(emlText.str(), expected.back());
                mailbox += mboxText.str();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "message in folder " << folder.get_id() << ": " << e.what();
            }
        }
        for (const pstread::folder& child : folder.sub_folders()) {
            addFolder(child);
        }
    }

    // Runs Python over both forms; the number of messages it checked.
    std::size_t run() {
        if (expected.empty()) {
            return 0;
        }
        mimetest::PythonCheck mboxCheck;
        mboxCheck.addMbox(mailbox, expected);
        for (mimetest::PythonCheck* check : {&emlCheck, &mboxCheck}) {
            const mimetest::PythonResult result = check->run();
            EXPECT_EQ(result.exitCode, 0) << result.output;
            std::cout << result.output;
        }
        return expected.size();
    }

    MIMEMailWriter eml;
    MIMEMailWriter mbox;
    mimetest::PythonCheck emlCheck;
    std::string mailbox;
    std::vector<mimetest::ExpectedMessage> expected;
};

std::size_t check_store(pstread::pst store) {
    StoreCheck check(store);
    check.addFolder(store.open_root_folder());
    return check.run();
}

TEST(MimePython, SampleMessagesOfBothFileVariantsParseWithoutDefects) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 with the email package is not available";
    }
    for (const auto variant : {pstbuild::Variant::unicode, pstbuild::Variant::ansi}) {
        const auto built = mimetest::build_inbox(mimetest::all_samples(), {.variant = variant});
        EXPECT_EQ(check_store(pstread::pst(built.open())), mimetest::all_samples().size());
    }
}

TEST(MimePython, EveryMessageOfTheRealSampleFilesParsesWithoutDefects) {
    const fs::path corpus(MW_CORPUS_DIR);
    if (!fs::is_directory(corpus) || !python_oracle::Available()) {
        GTEST_SKIP() << "no sample files at " << corpus << " or no python3 email package";
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() == ".pst" || entry.path().extension() == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::size_t total = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::size_t messages = check_store(pstread::pst(pstread::open_database(path)));
        std::cout << path.filename().string() << ": " << messages << " messages\n";
        total += messages;
    }
    EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace mailwright::formats
