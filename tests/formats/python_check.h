// Hands the writer's output to tests/formats/check_mime.py, which parses it
// with Python's email and mailbox packages (an independent MIME parser) and
// compares bodies and attachment payloads with what the PST holds. Files go
// to temporary files that are removed afterwards.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/vcard_consumers.h"

namespace mimetest {

// What one written message must hold; bodies and attachments of embedded
// messages count with their top-level message.
struct ExpectedMessage {
    std::vector<std::string> plain;        // UTF-8 text
    std::vector<std::string> html;         // raw bytes of stored HTML
    int htmlFromRtf = 0;                   // HTML bodies made from RTF
    std::vector<std::string> attachments;  // payload bytes
    std::string kind = "ordinary";         // or "signed", "opaque"
    bool synthesized = true;               // the header block is made from properties

    void add(const ExpectedMessage& embedded) {
        plain.insert(plain.end(), embedded.plain.begin(), embedded.plain.end());
        html.insert(html.end(), embedded.html.begin(), embedded.html.end());
        htmlFromRtf += embedded.htmlFromRtf;
        attachments.insert(attachments.end(), embedded.attachments.begin(),
                           embedded.attachments.end());
    }
};

using PythonResult = vcardtest::Result;

class PythonCheck {
public:
    void addEml(std::string_view text, const ExpectedMessage& expected) {
        addFile("eml", text, {expected});
    }
    void addMbox(std::string_view text, const std::vector<ExpectedMessage>& expected) {
        addFile("mbox", text, expected);
    }

    PythonResult run() {
        const std::string json = save("{\"files\": [" + join(m_files) + "]}");
        return vcardtest::RunCommand("python3 '" MW_SOURCE_DIR "/tests/formats/check_mime.py' '" +
                                     json + "'");
    }

private:
    std::string save(std::string_view bytes) {
        m_saved.push_back(std::make_unique<python_oracle::TempFile>(bytes));
        return m_saved.back()->path();
    }
    std::string paths(const std::vector<std::string>& contents) {
        std::vector<std::string> quoted;
        for (const std::string& content : contents) {
            quoted.push_back("\"" + save(content) + "\"");
        }
        return "[" + join(quoted) + "]";
    }
    void addFile(const char* mode, std::string_view text,
                 const std::vector<ExpectedMessage>& expected) {
        std::vector<std::string> messages;
        for (const ExpectedMessage& m : expected) {
            messages.push_back("{\"plain\": " + paths(m.plain) + ", \"html\": " + paths(m.html) +
                               ", \"html_any\": " + std::to_string(m.htmlFromRtf) +
                               ", \"attachments\": " + paths(m.attachments) + ", \"kind\": \"" +
                               m.kind +
                               "\", \"synthesized\": " + (m.synthesized ? "true" : "false") + "}");
        }
        m_files.push_back("{\"path\": \"" + save(text) + "\", \"mode\": \"" + mode +
                          "\", \"messages\": [" + join(messages) + "]}");
    }
    static std::string join(const std::vector<std::string>& items) {
        std::string joined;
        for (const std::string& item : items) {
            joined += (joined.empty() ? "" : ", ") + item;
        }
        return joined;
    }

    std::vector<std::unique_ptr<python_oracle::TempFile>> m_saved;
    std::vector<std::string> m_files;
};

}  // namespace mimetest
