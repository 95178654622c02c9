// Every message of a store written as EML files and as one MBOX mailbox,
// parsed by Python's email and mailbox packages (tests/formats/check_mime.py,
// an independent MIME parser): no defects, bodies decode to the stored text,
// attachments to the stored bytes, the mailbox holds every message with its
// "From " lines quoted. What each message must hold is read from the PST
// itself: the plain body as text, the stored HTML body's bytes, the number
// of HTML bodies made from RTF, and the payload of every attachment (RTF
// pictures and the attachments of embedded messages included). The stores
// are the sample messages of a Unicode and an ANSI builder file and every
// real sample file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "formats/body_code_pages.h"
#include "formats/sample_messages.h"
#include "formats/secure_kind.h"
#include "formats/stored_headers.h"
#include "formats/vcard_consumers.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/message.h"
#include "pstread/pst/property_ids.h"
#include "test_files.h"
#include "text/code_page_table.h"
#include "text/rtf_decompress.h"
#include "text/rtf_picture_extract.h"
#include "text/rtf_to_html.h"
#include "text/whole_value_conversion.h"

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

// The expectations of every output file, handed to check_mime.py as JSON
// with the expected contents in hexadecimal; the outputs go to temporary files.
class PythonCheck {
public:
    void add(const char* mode, std::string_view text,
             const std::vector<ExpectedMessage>& expected) {
        std::string messages;
        for (const ExpectedMessage& m : expected) {
            messages += std::string(messages.empty() ? "" : ", ") + "{\"plain\": " + hex(m.plain) +
                        ", \"html\": " + hex(m.html) +
                        ", \"html_any\": " + std::to_string(m.htmlFromRtf) +
                        ", \"attachments\": " + hex(m.attachments) + ", \"kind\": \"" + m.kind +
                        "\", \"synthesized\": " + (m.synthesized ? "true" : "false") + "}";
        }
        outputs_.push_back(std::make_unique<python_oracle::TempFile>(text));
        files_ += std::string(files_.empty() ? "" : ", ") + "{\"path\": \"" +
                  outputs_.back()->path() + "\", \"mode\": \"" + mode + "\", \"messages\": [" +
                  messages + "]}";
    }

    python_oracle::Result run() const {
        const python_oracle::TempFile json("{\"files\": [" + files_ + "]}");
        return python_oracle::RunCommand(
            "python3 '" MW_SOURCE_DIR "/tests/formats/check_mime.py' '" + json.path() + "'");
    }

private:
    static std::string hex(const std::vector<std::string>& contents) {
        std::string out;
        for (const std::string& content : contents) {
            out += out.empty() ? "\"" : ", \"";
            for (const char c : content) {
                out += "0123456789abcdef"[static_cast<unsigned char>(c) >> 4];
                out += "0123456789abcdef"[c & 15];
            }
            out += "\"";
        }
        return "[" + out + "]";
    }

    std::vector<std::unique_ptr<python_oracle::TempFile>> outputs_;
    std::string files_;
};

inline std::string read_value(const pstread::const_property_object& object, pstread::prop_id id) {
    pstread::hnid_istream in(object.open_value_stream(id));
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The row 8-bit bodies of the message are stored in: its Internet code page
// when that has a converter (and is not UTF-16/32), else the PST's.
inline const mailwright::text::TextEncodingItem* body_row(
    const pstread::property_bag& bag, const mailwright::text::TextEncodingItem* fallback) {
    if (bag.has_property(pstread::pid_tag_internet_codepage) &&
        bag.property_type(pstread::pid_tag_internet_codepage) == pstread::prop_type_long) {
        const std::uint32_t cp = bag.inline_value_4(pstread::pid_tag_internet_codepage);
        const auto* row = cp == 0 ? nullptr : mailwright::text::GetCodePageInfo(cp);
        if (row != nullptr && !mailwright::formats::IsWideUnicodeCodePage(cp)) {
            return row;
        }
    }
    return fallback;
}

inline ExpectedMessage expect_from_pst(pstread::message& m,
                                       const mailwright::text::TextEncodingItem* charset) {
    using namespace mailwright;
    ExpectedMessage expected;
    pstread::property_bag& bag = m.get_property_bag();
    bag.set_charset(charset);
    if (bag.has_property(pstread::pid_tag_transport_message_headers)) {
        expected.synthesized = !formats::FilterStoredHeaders(
            bag.read_utf8string(pstread::pid_tag_transport_message_headers), "\r\n");
    }
    const int kind = formats::SecureKind(m);
    if (kind == formats::kSecureKindSigned) {
        expected.kind = "signed";
        return expected;
    }
    if (kind == formats::kSecureKindOpaque) {
        expected.kind = "opaque";
        const pstread::attachment a = *m.attachment_begin();
        if (a.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
            expected.attachments.push_back(read_value(a.get_property_bag(), 0x3701));
        }
        return expected;
    }
    if (bag.has_property(pstread::pid_tag_body)) {
        const std::string raw = read_value(bag, pstread::pid_tag_body);
        const bool unicode = bag.property_type(pstread::pid_tag_body) == pstread::prop_type_unicode;
        expected.plain.push_back(
            text::bytes_to_utf8string(raw, unicode ? &text::Utf16LeRow() : body_row(bag, charset)));
    }
    if (bag.has_property(pstread::pid_tag_body_html)) {
        std::string html = read_value(bag, pstread::pid_tag_body_html);
        if (bag.property_type(pstread::pid_tag_body_html) == pstread::prop_type_unicode) {
            html = text::bytes_to_utf8string(html, &text::Utf16LeRow());
        }
        expected.html.push_back(html);
    } else if (bag.has_property(pstread::pid_tag_rtf_compressed)) {
        try {
            const auto rtf = text::DecompressRtf(bag.read_bytes(pstread::pid_tag_rtf_compressed));
            std::vector<text::RtfPicture> pictures;
            const auto marked = text::ExtractRtfPictures(rtf.rtf, rtf.pictures, pictures);
            const auto html = text::RtfToHtml(marked);
            if (html && !html->empty()) {
                ++expected.htmlFromRtf;
                for (const auto& p : pictures) {
                    expected.attachments.emplace_back(p.data.begin(), p.data.end());
                }
            }
        } catch (const std::exception&) {
        }
    }
    for (pstread::attachment a : m.attachments()) {
        const pstread::property_bag& ab = a.get_property_bag();
        if (ab.has_property(pstread::pid_tag_attachment_flags) &&
            (ab.inline_value_4(pstread::pid_tag_attachment_flags) & 0x2) != 0) {
            continue;
        }
        if (!ab.has_property(pstread::pid_tag_attach_method) ||
            !ab.has_property(pstread::pid_tag_attach_data_binary)) {
            continue;
        }
        const std::uint32_t method = ab.inline_value_4(pstread::pid_tag_attach_method);
        if (method == pstread::attach_method_storage) {
            pstread::hnid_istream in(a.open_object_stream());
            expected.attachments.emplace_back(std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>());
        } else if (method == pstread::attach_method_by_value) {
            expected.attachments.push_back(read_value(ab, pstread::pid_tag_attach_data_binary));
        } else if (method == pstread::attach_method_embedded_message) {
            pstread::message inner = a.open_as_message();
            expected.add(expect_from_pst(inner, charset));
        }
    }
    return expected;
}

}  // namespace mimetest

namespace mailwright::formats {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kCodePage = 1252;

// Writes every message of the store in both forms and runs Python over them;
// the number of messages it checked.
std::size_t check_store(pstread::pst store) {
    MIMEMailWriter eml(false, false, store.is_unicode(), kCodePage);
    MIMEMailWriter mbox(true, true, store.is_unicode(), kCodePage);
    eml.setContentTypePropId(ResolveContentTypePropId(store));
    mbox.setContentTypePropId(ResolveContentTypePropId(store));
    mimetest::PythonCheck emlCheck;
    mimetest::PythonCheck mboxCheck;
    std::string mailbox;
    std::vector<mimetest::ExpectedMessage> expected;
    const std::function<void(const pstread::folder&)> addFolder = [&](const pstread::folder& f) {
        for (auto it = f.message_begin(); it != f.message_end(); ++it) {
            try {
                pstread::message m = *it;
                std::ostringstream emlText;
                std::ostringstream mboxText;
                eml.writeMessage(emlText, &m);
                mbox.writeMessage(mboxText, &m);
                expected.push_back(mimetest::expect_from_pst(m, text::GetCodePageInfo(kCodePage)));
                emlCheck.add("eml", emlText.str(), {expected.back()});
                mailbox += mboxText.str();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "message in folder " << f.get_id() << ": " << e.what();
            }
        }
        for (const pstread::folder& child : f.sub_folders()) {
            addFolder(child);
        }
    };
    addFolder(store.open_root_folder());
    if (expected.empty()) {
        return 0;
    }
    mboxCheck.add("mbox", mailbox, expected);
    for (const mimetest::PythonCheck* check : {&emlCheck, &mboxCheck}) {
        const python_oracle::Result result = check->run();
        EXPECT_EQ(result.exitCode, 0) << result.output;
        std::cout << result.output;
    }
    return expected.size();
}

TEST(MimePython, SampleMessagesOfBothFileVariantsParseWithoutDefects) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 with the email package is not available";
    }
    for (const auto variant : {pstbuild::Variant::unicode, pstbuild::Variant::ansi}) {
        const auto built = mimetest::build_inbox(mimetest::all_samples(), variant);
        EXPECT_EQ(check_store(pstread::pst(built.open())), mimetest::all_samples().size());
    }
}

TEST(MimePython, EveryMessageOfTheRealSampleFilesParsesWithoutDefects) {
    const fs::path corpus(MW_CORPUS_DIR);
    if (!fs::is_directory(corpus) || !python_oracle::Available()) {
        GTEST_SKIP() << "no sample files at " << corpus << " or no python3 email package";
    }
    std::size_t total = 0;
    for (const fs::path& path : testfiles::corpus_files()) {
        SCOPED_TRACE(path.filename().string());
        const std::size_t messages = check_store(pstread::pst(pstread::open_database(path)));
        std::cout << path.filename().string() << ": " << messages << " messages\n";
        total += messages;
    }
    EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace mailwright::formats
