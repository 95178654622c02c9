// Runs of the export agent over builder mailboxes, for the export tests:
// sessions over files held in memory, the selection of a whole tree, a
// presenter that records what it is shown (and can cancel the run), a
// writer that fails for chosen subjects, and a scratch output folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/export_settings.h"
#include "export/message_text_writer.h"
#include "export/outlook_assets_export_agent.h"
#include "export/string_logger.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/pst/mailbox_file.h"
#include "test_files.h"

namespace exporttest {

namespace fs = std::filesystem;
using namespace mailwright::exporting;
using mailwright::model::MAPIFolder;
using mailwright::model::PSTSession;

using testfiles::slurp;

// A session over a builder file held in memory, recorded under `path`.
inline std::shared_ptr<PSTSession> open_session(const psttest::BuiltMailbox& built,
                                                const std::string& path = "/home/ann/mail.pst") {
    return PSTSession::initWithDatabase(
        built.open(), path,
        mailwright::platform::InMemoryUserDefaults({{"defaultCodePage", 1252}}));
}

// Every folder from the store's root down, a folder before its subfolders.
inline std::vector<std::shared_ptr<MAPIFolder>> all_folders(
    const std::shared_ptr<PSTSession>& session) {
    std::vector<std::shared_ptr<MAPIFolder>> out;
    const auto collect = [&out](const auto& self,
                                const std::shared_ptr<MAPIFolder>& folder) -> void {
        out.push_back(folder);
        for (const auto& child : folder->getFolders()) {
            self(self, child);
        }
    };
    collect(collect, session->getRootStore()->getSubTreeFolder());
    return out;
}

// The folder whose full path is `path`; fails the test when there is none.
inline std::shared_ptr<MAPIFolder> folder_at(const std::shared_ptr<PSTSession>& session,
                                             const std::string& path) {
    for (const auto& folder : all_folders(session)) {
        if (folder->fullFolderPath() == path) {
            return folder;
        }
    }
    ADD_FAILURE() << "no folder " << path;
    return nullptr;
}

// The folders at `paths` below the top folder of the store "Ann".
inline std::vector<std::shared_ptr<MAPIFolder>> pick(const std::shared_ptr<PSTSession>& session,
                                                     const std::vector<std::string>& paths) {
    std::vector<std::shared_ptr<MAPIFolder>> out;
    for (const auto& path : paths) {
        out.push_back(folder_at(session, "Ann/Top of Personal Folders/" + path));
    }
    return out;
}

// A mail from Ann with a body, submitted 2010-01-01.
inline pstbuild::Message mail(const std::string& subject, bool read = true) {
    pstbuild::Message m = psttest::mail(subject);
    m.body = "Body of " + subject + "\r\n";
    m.read = read;
    m.submit_time = pstbuild::filetime_from_unix(1262304000);
    return m;
}

// Records what the run shows; can ask the agent to cancel after a number of
// converted items.
class RecordingPresenter : public IProgressPresenter {
public:
    void updateProgressMessage(const std::string& text) override { messages.push_back(text); }
    void updateCurrentProgressLabel(const std::string& text) override { labels.push_back(text); }
    void updateOverallFoldersLabel(const std::string& text) override {
        folderLabels.push_back(text);
    }
    void updateOverallItemsLabel(const std::string& text) override { itemLabels.push_back(text); }
    void updateCurrentProgressValue(float percent) override { currentValues.push_back(percent); }
    void updateOverallProgressValue(float percent) override { overallValues.push_back(percent); }
    void setFilePath(const std::string& path) override { filePaths.push_back(path); }
    void updateOverallItemCounts(std::uint32_t done, std::uint32_t) override {
        if (cancelAfter && agent && done >= cancelAfter) {
            agent->Cancel();
        }
    }

    std::vector<std::string> messages, labels, folderLabels, itemLabels, filePaths;
    std::vector<float> currentValues, overallValues;
    std::uint32_t cancelAfter = 0;
    bool cancelBefore = false;  // cancels the run before it starts
    OutlookAssetsExportAgent* agent = nullptr;
};

// The product's writer, except that a message whose subject is in
// `failing` makes it throw, after it has written part of the message.
class FailingWriter : public MessageTextWriter {
public:
    FailingWriter(std::unique_ptr<MessageTextWriter> real, std::set<std::string> failing)
        : m_real(std::move(real)), m_failing(std::move(failing)) {}
    void writeMessage(std::ostream& out, mailwright::model::Message& message) override {
        if (m_failing.contains(message.subject())) {
            out << "From - half written\n";
            throw std::runtime_error("cannot convert " + message.subject());
        }
        m_real->writeMessage(out, message);
    }

private:
    std::unique_ptr<MessageTextWriter> m_real;
    std::set<std::string> m_failing;
};

inline MessageTextWriterFactory failing_for(std::set<std::string> subjects) {
    return [subjects](PSTSession& session, MessageFraming framing) {
        return std::make_unique<FailingWriter>(MakeMIMEMessageTextWriter(session, framing),
                                               subjects);
    };
}

// A scratch folder per test, removed afterwards.
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("mw_export_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "out");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    fs::path out() const { return m_dir / "out"; }

    // Separate files into out(), with the report file "report.txt" there.
    _ExportSettings settings(std::vector<std::shared_ptr<MAPIFolder>> folders,
                             std::int32_t mailFormat = kMailFormatMBOX) {
        _ExportSettings s;
        s.OutputFolderPath = s.MailsOutputFolderPath = s.ContactsOutputFolderPath =
            s.CalendarOutputFolderPath = out().string();
        s.ExtendedLogReportPath = (out() / "report.txt").string();
        s.MailFormat = mailFormat;
        s.ExportPacking = kPackingSeparateFiles;
        s.ExportItems = std::move(folders);
        return s;
    }

    struct Run {
        ExportResult result;
        std::string log;
        std::string report;
    };

    Run run(const _ExportSettings& s, MessageTextWriterFactory factory = {},
            RecordingPresenter* presenter = nullptr) {
        if (!factory) {
            factory = MakeMIMEMessageTextWriter;
        }
        OutlookAssetsExportAgent agent(&s, factory);
        RecordingPresenter own;
        RecordingPresenter& shown = presenter ? *presenter : own;
        shown.agent = &agent;
        if (shown.cancelBefore) {
            agent.Cancel();
        }
        StringLogger log;
        Run r;
        r.result = agent.DoExportWithProgressPresenter(shown, log);
        r.log = log.getLogString();
        r.report = s.ExtendedLogReportPath.empty() ? "" : slurp(s.ExtendedLogReportPath);
        return r;
    }

    fs::path m_dir;
};

// Messages in an MBOX file: lines that begin with "From ".
inline std::size_t mbox_messages(const fs::path& path) {
    std::istringstream in(slurp(path));
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.rfind("From ", 0) == 0 ? 1 : 0;
    }
    return count;
}

// Every regular file below `dir` (and with `folders` every folder, ending in
// "/"), relative to it, sorted.
inline std::vector<std::string> files_below(const fs::path& dir, bool folders = false) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file() || (folders && entry.is_directory())) {
            out.push_back(fs::relative(entry.path(), dir).string() +
                          (entry.is_directory() ? "/" : ""));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace exporttest
