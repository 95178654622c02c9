// Listing and opening a large mailbox through the session model: opens a
// builder mailbox of several GB, lists its folder tree, opens every message
// of every folder (its list fields, recipient and attachment counts, and
// embedded messages), then reads every attachment's data through its stream.
// Each file is measured in a child process of its own, so its peak resident
// size is its own; comparing two sizes shows whether memory stays flat as the
// mailbox grows.
//
// usage: bench_list_messages [MESSAGES...]   (default 17000 70000, about 1 and 4 GB)
//
// The files (Unicode, permuted data, 20 extra folders, attachments of about
// 100 KB) are built once by the mailbox builder and kept in /tmp as
// mailwright_bench_list_<MESSAGES>.pst.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/pst/property_ids.h"
#include "support/mailbox_writer.h"
#include "support/sample_mailbox.h"

namespace {

using bench::clock_type;
using bench::peak_rss_kb;
using bench::seconds_since;
using mailwright::model::MAPIFolder;

pstbuild::sample::SampleOptions options_for(std::size_t messages) {
    pstbuild::sample::SampleOptions options;
    options.variant = pstbuild::Variant::unicode;
    options.folders = 20;
    options.messages = messages;
    options.attachment_kb = 100;
    options.seed = 1;
    return options;
}

std::string path_for(std::size_t messages) {
    return (std::filesystem::temp_directory_path() /
            ("mailwright_bench_list_" + std::to_string(messages) + ".pst"))
        .string();
}

struct totals {
    std::uint64_t folders = 0;
    std::uint64_t messages = 0;
    std::uint64_t embedded = 0;
    std::uint64_t recipients = 0;
    std::uint64_t attachments = 0;
    std::uint64_t attachment_bytes = 0;
    std::uint64_t text = 0;  // bytes of subjects, senders and dates, so nothing is optimised away
};

void list_tree(MAPIFolder& folder, std::vector<std::shared_ptr<MAPIFolder>>& all, totals& t) {
    ++t.folders;
    for (const auto& child : folder.getFolders()) {
        all.push_back(child);
        list_tree(*child, all, t);
    }
}

void open_parts(const pstread::message& m, bool read_data, totals& t) {
    t.recipients += m.get_recipient_count();
    t.attachments += m.get_attachment_count();
    std::array<char, 1 << 16> chunk{};
    for (const pstread::attachment& a : m.attachments()) {
        if (a.is_message()) {
            ++t.embedded;
            open_parts(a.open_as_message(), read_data, t);
        } else if (read_data &&
                   a.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
            pstread::hnid_stream_device data = a.open_byte_stream();
            for (std::streamsize got; (got = data.read(chunk.data(), chunk.size())) > 0;) {
                t.attachment_bytes += static_cast<std::uint64_t>(got);
            }
        }
    }
}

void open_messages(const std::vector<std::shared_ptr<MAPIFolder>>& folders, bool read_data,
                   totals& t) {
    for (const auto& folder : folders) {
        folder->ResetQuery();
        while (const auto m = folder->queryMessage()) {
            ++t.messages;
            t.text += m->subject().size() + m->senderName().size() + m->sentOn().size();
            open_parts(m->getMessage(), read_data, t);
        }
    }
}

// Runs in a child process and prints one result line.
void measure(std::size_t messages) {
    const std::string path = path_for(messages);
    mailwright::platform::InMemoryUserDefaults defaults(
        {{mailwright::model::kDefaultCodePageKey, std::int64_t{1252}}});
    totals t;

    auto start = clock_type::now();
    const auto session = mailwright::model::PSTSession::initWithFile(path, defaults);
    const auto root = session->getRootStore()->getSubTreeFolder();
    std::vector<std::shared_ptr<MAPIFolder>> folders{root};
    list_tree(*root, folders, t);
    const double list_seconds = seconds_since(start);
    const long list_rss = peak_rss_kb();

    start = clock_type::now();
    open_messages(folders, false, t);
    const double open_seconds = seconds_since(start);
    const long open_rss = peak_rss_kb();

    totals again;
    start = clock_type::now();
    open_messages(folders, true, again);
    const double read_seconds = seconds_since(start);
    const long read_rss = peak_rss_kb();

    const double gb = static_cast<double>(std::filesystem::file_size(path)) / 1e9;
    std::printf(
        "%8zu messages, %.2f GB: %llu folders listed in %.3f s (peak RSS %ld MB); %llu messages "
        "opened in %.2f s (%.0f/s; %llu recipients, %llu attachments, %llu embedded; peak RSS "
        "%ld MB); %.2f GB of attachment data read in %.2f s (%.0f MB/s; peak RSS %ld MB)\n",
        messages, gb, static_cast<unsigned long long>(t.folders), list_seconds, list_rss / 1024,
        static_cast<unsigned long long>(t.messages), open_seconds,
        static_cast<double>(t.messages) / open_seconds,
        static_cast<unsigned long long>(t.recipients),
        static_cast<unsigned long long>(t.attachments), static_cast<unsigned long long>(t.embedded),
        open_rss / 1024, static_cast<double>(again.attachment_bytes) / 1e9, read_seconds,
        static_cast<double>(again.attachment_bytes) / 1e6 / read_seconds, read_rss / 1024);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10)));
    }
    if (sizes.empty()) {
        sizes = {17000, 70000};
    }
    try {
        for (const std::size_t messages : sizes) {
            bench::ensure_file(path_for(messages), [messages](const std::string& partial) {
                pstbuild::write_mailbox_file(
                    pstbuild::sample::sample_mailbox(options_for(messages)),
                    {.variant = pstbuild::Variant::unicode,
                     .encoding = pstbuild::Encoding::permute,
                     .record_layout = false},
                    partial);
            });
        }
        for (const std::size_t messages : sizes) {
            if (!bench::run_in_child([messages] { measure(messages); }, "measuring")) {
                return 1;
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_list_messages: %s\n", error.what());
        return 1;
    }
    return 0;
}
