// Throughput of the MIME writer in MBOX mode on a large synthetic mailbox:
// every message of every folder is written to a stream that discards its
// bytes (as /dev/null would) and counts them. Reports the PST bytes read
// per second (the file's size over the time of the whole pass), the MIME
// bytes written per second, and the peak resident memory of the pass.
//
// The mailbox (about 300 MB, Unicode) is built once by the synthetic builder
// in a child process and cached: 6 folders of 800 messages each with plain
// bodies of 2 to 12 KB, every second message with an HTML body, every fifth
// with an RTF body instead, every third with a by-value attachment of 20 to
// 250 KB, every tenth with two inline images, and every twenty-fifth with an
// embedded message that has its own attachment.
//
// usage: bench_mime_write [FILE]   (default /tmp/mailwright_bench_mime.pst)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "formats/mime_mail_writer.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/pst.h"
#include "support/mailbox.h"
#include "support/mailbox_writer.h"
#include "text/code_page_table.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr int kFolders = 6;
constexpr std::size_t kMessagesPerFolder = 800;

std::string words(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {"meeting", "report", "budget",      "quarter", "From",
                                         "review",  "draft",  "caf\xC3\xA9", "the",     "and",
                                         "of",      "to",     "please",      "attached"};
    std::string text;
    std::uint32_t x = seed * 2654435761u + 1;
    while (text.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        text += kWords[x % 14];
        text += (x >> 8) % 9 == 0 ? ".\r\n" : " ";
    }
    return text;
}

std::vector<std::uint8_t> bytes(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t x = seed * 2246822519u + 7;
    for (auto& b : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return data;
}

pstbuild::Message message(std::uint32_t n) {
    pstbuild::Message m;
    m.subject = "Re: " + words(40, n);
    m.sender = {"Sender " + std::to_string(n % 97),
                "sender" + std::to_string(n % 97) + "@example.com"};
    m.submit_time = pstbuild::filetime_from_unix(1231167845 + n * 60);
    m.delivery_time = m.submit_time + 50000000;
    m.internet_code_page = 65001;
    m.internet_message_id = "<" + std::to_string(n) + "@mail.example.com>";
    m.recipients = {
        pstbuild::make_recipient("Bob", "bob@example.com"),
        pstbuild::make_recipient("Carol", "carol@example.com", pstbuild::RecipientType::cc)};
    m.body = words(2000 + (n * 37) % 10000, n);
    if (n % 5 == 0) {
        m.rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0 " + words(3000, n + 1) +
                "\\par}";
    } else if (n % 2 == 0) {
        m.html = "<html><body><p>" + words(6000, n + 2) + "</p></body></html>";
    }
    if (n % 3 == 0) {
        pstbuild::Attachment a;
        a.filename = "file" + std::to_string(n) + ".bin";
        a.mime_type = "application/octet-stream";
        a.data = bytes(20000 + (n * 7919) % 230000, n);
        m.attachments.push_back(std::move(a));
    }
    if (n % 10 == 0) {
        for (int i = 0; i < 2; ++i) {
            pstbuild::Attachment image;
            image.filename = "image" + std::to_string(i) + ".png";
            image.mime_type = "image/png";
            image.content_id = "image" + std::to_string(i) + "@" + std::to_string(n);
            image.data = bytes(8000, n + i);
            m.attachments.push_back(std::move(image));
        }
    }
    if (n % 25 == 0) {
        auto inner = std::make_shared<pstbuild::Message>();
        inner->subject = "Forwarded " + std::to_string(n);
        inner->sender = m.sender;
        inner->body = words(3000, n + 3);
        pstbuild::Attachment a;
        a.filename = "inner.bin";
        a.data = bytes(30000, n + 4);
        inner->attachments.push_back(std::move(a));
        pstbuild::Attachment embedded;
        embedded.filename = "Forwarded";
        embedded.embedded = inner;
        m.attachments.push_back(std::move(embedded));
    }
    return m;
}

void buildMailbox(const std::string& path) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Benchmark");
    for (int f = 0; f < kFolders; ++f) {
        pstbuild::Folder& folder = box.top().add_folder("Folder " + std::to_string(f));
        folder.generated_count = kMessagesPerFolder;
        folder.generate = [f](std::size_t i) {
            return message(static_cast<std::uint32_t>(f * kMessagesPerFolder + i));
        };
    }
    pstbuild::write_mailbox_file(box, {.variant = pstbuild::Variant::unicode}, path);
}

// A stream buffer that counts and discards what is written.
class CountingBuffer : public std::streambuf {
public:
    std::uint64_t count() const { return m_count; }

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        m_count += static_cast<std::uint64_t>(n);
        return n;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            ++m_count;
        }
        return traits_type::not_eof(c);
    }

private:
    std::uint64_t m_count = 0;
};

struct Totals {
    std::uint64_t messages = 0;
    std::uint64_t failures = 0;
};

void writeFolder(const pstread::folder& folder, mailwright::formats::MIMEMailWriter& writer,
                 std::ostream& out, Totals& totals) {
    for (pstread::message m : folder.messages()) {
        try {
            writer.writeMessage(out, &m);
            ++totals.messages;
        } catch (const std::exception&) {
            ++totals.failures;
        }
    }
    for (const pstread::folder& child : folder.sub_folders()) {
        writeFolder(child, writer, out, totals);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/mailwright_bench_mime.pst";
    if (!std::filesystem::exists(path)) {
        std::printf("building %s ...\n", path.c_str());
        const pid_t child = fork();
        if (child == 0) {
            buildMailbox(path);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "building the mailbox failed\n");
            return 1;
        }
    }
    const double fileMB = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    const auto start = clock_type::now();
    pstread::pst store(pstread::open_database(path));
    mailwright::formats::MIMEMailWriter writer(true, true, store.is_unicode(), 1252);
    CountingBuffer sink;
    std::ostream out(&sink);
    Totals totals;
    writeFolder(store.open_root_folder(), writer, out, totals);
    const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double mimeMB = static_cast<double>(sink.count()) / 1e6;
    std::printf("messages written      %llu (%llu failed)\n",
                static_cast<unsigned long long>(totals.messages),
                static_cast<unsigned long long>(totals.failures));
    std::printf("PST file              %.1f MB\n", fileMB);
    std::printf("MIME written          %.1f MB\n", mimeMB);
    std::printf("time                  %.2f s\n", seconds);
    std::printf("PST read              %.1f MB/s\n", fileMB / seconds);
    std::printf("MIME written          %.1f MB/s\n", mimeMB / seconds);
    std::printf("messages              %.0f /s\n", static_cast<double>(totals.messages) / seconds);
    // On a busy machine the wall time includes waiting for a core; the
    // processor time shows what the pass itself costs.
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("processor time        %.2f s (PST %.1f MB/s, MIME %.1f MB/s)\n", cpu, fileMB / cpu,
                mimeMB / cpu);
    std::printf("peak RSS              %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return totals.failures == 0 ? 0 : 1;
}
