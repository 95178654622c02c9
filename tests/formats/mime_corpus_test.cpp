// Every message of every real sample file, written in EML mode (one file per
// message) and in MBOX mode (one mailbox per sample file), parsed by Python's
// email and mailbox packages: no defects, bodies decode to the stored text,
// attachment payloads to the stored bytes, mailboxes hold every message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "formats/expected_from_pst.h"
#include "formats/mime_mail_writer.h"
#include "formats/python_check.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/pst.h"
#include "text/code_page_table.h"

namespace mailwright::formats {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kCorpusCodePage = 1252;

struct CorpusRun {
    mimetest::PythonCheck emlCheck;
    mimetest::PythonCheck mboxCheck;
    std::string mbox;
    std::vector<mimetest::ExpectedMessage> mboxExpected;
    std::size_t messages = 0;
    std::size_t failures = 0;
};

// With MW_MIME_DUMP_DIR set, each EML text is also kept there for review.
void dumpForReview(const std::string& file, std::size_t index, const std::string& text) {
    const char* dir = std::getenv("MW_MIME_DUMP_DIR");
    if (dir == nullptr) {
        return;
    }
    const fs::path folder = fs::path(dir) / file;
    fs::create_directories(folder);
    std::ofstream(folder / (std::to_string(index) + ".eml"), std::ios::binary) << text;
}

void writeFolder(const pstread::folder& folder, MIMEMailWriter& eml, MIMEMailWriter& mbox,
                 CorpusRun& run, const std::string& file) {
    const text::TextEncodingItem* charset = text::GetCodePageInfo(kCorpusCodePage);
    for (auto it = folder.message_begin(); it != folder.message_end(); ++it) {
        try {
            pstread::message m = *it;
            std::ostringstream emlText;
            std::ostringstream mboxText;
            eml.writeMessage(emlText, &m);
            mbox.writeMessage(mboxText, &m);
            const mimetest::ExpectedMessage expected = mimetest::expect_from_pst(m, charset);
            run.emlCheck.addEml(emlText.str(), expected);
            dumpForReview(file, run.messages, emlText.str());
            run.mbox += mboxText.str();
            run.mboxExpected.push_back(expected);
            ++run.messages;
        } catch (const std::exception& e) {
            ++run.failures;
            ADD_FAILURE() << file << ": message in folder " << folder.get_id() << ": " << e.what();
        }
    }
    for (const pstread::folder& child : folder.sub_folders()) {
        writeFolder(child, eml, mbox, run, file);
    }
}

TEST(MimeCorpus, EveryMessageParsesWithPythonInBothModes) {
    const fs::path corpus(MW_CORPUS_DIR);
    if (!fs::is_directory(corpus)) {
        GTEST_SKIP() << "no sample files at " << corpus;
    }
    if (!mimetest::PythonAvailable()) {
        GTEST_SKIP() << "python3 with the email package is not available";
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        const auto ext = entry.path().extension();
        if (ext == ".pst" || ext == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::size_t total = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        pstread::pst store(pstread::open_database(path.string()));
        MIMEMailWriter eml(false, false, store.is_unicode(), kCorpusCodePage);
        MIMEMailWriter mbox(true, true, store.is_unicode(), kCorpusCodePage);
        const std::uint16_t contentType = ResolveContentTypePropId(store);
        eml.setContentTypePropId(contentType);
        mbox.setContentTypePropId(contentType);
        CorpusRun run;
        writeFolder(store.open_root_folder(), eml, mbox, run, path.filename().string());
        run.mboxCheck.addMbox(run.mbox, run.mboxExpected);
        for (mimetest::PythonCheck* check : {&run.emlCheck, &run.mboxCheck}) {
            if (check->fileCount() == 0) {
                continue;
            }
            const mimetest::PythonResult result = check->run();
            EXPECT_EQ(result.exitCode, 0) << result.output;
            std::cout << result.output;
        }
        std::cout << path.filename().string() << ": " << run.messages << " messages written, "
                  << run.failures << " failed, " << run.mbox.size() << " MBOX bytes\n";
        total += run.messages;
    }
    EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace mailwright::formats
