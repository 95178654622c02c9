// mkpst: writes a deterministic sample mailbox as a PST file, for the
// README demonstration, manual testing and benchmarks.
//
//   mkpst [--ansi|--unicode] [--encoding none|permute|cyclic] [--folders N]
//         [--messages N] [--attachment-kb N] [--seed S] [--codepage N] [--quiet]
//         [--layout FILE.tsv] OUT.pst
//
// --layout writes where every page and block went (one line each: kind,
// offset, bid, size, node, subnode, data offset), so that scripts can damage
// exactly one structure of the file.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "support/mailbox_writer.h"
#include "support/sample_mailbox.h"

namespace {

using namespace pstbuild;

constexpr int kUsageError = 2;
// Limits that keep a mistyped number from running for hours: node ids give
// room for 2^27 folders and messages, and an attachment is held in memory.
constexpr std::uint64_t kMaxFolders = 100000;
constexpr std::uint64_t kMaxMessages = 100000000;
constexpr std::uint64_t kMaxAttachmentKb = 256 * 1024;

struct Arguments {
    sample::SampleOptions sample;
    Encoding encoding = Encoding::permute;
    std::string output;
    std::string layout;
    bool quiet = false;
};

void usage(std::ostream& out) {
    out << "usage: mkpst [--ansi|--unicode] [--encoding none|permute|cyclic] [--folders N]\n"
           "             [--messages N] [--attachment-kb N] [--seed S] [--codepage N] [--quiet]\n"
           "             [--layout FILE.tsv] OUT.pst\n"
           "Writes a deterministic sample mailbox: the same options give the same bytes.\n"
           "Defaults: --unicode --encoding permute --folders 5 --messages 40\n"
           "          --attachment-kb 32 --seed 1 --codepage 1252 (8-bit text of --ansi files)\n";
}

// Decimal digits only: no sign, no spaces, nothing past the number.
std::optional<std::uint64_t> parse_number(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// Returns the arguments, or an exit code when the program should stop.
std::variant<Arguments, int> parse(int argc, char** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        auto number = [&]() -> std::optional<std::uint64_t> {
            const auto text = value();
            return text ? parse_number(*text) : std::nullopt;
        };
        std::optional<std::uint64_t> n;
        if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else if (arg == "--ansi") {
            args.sample.variant = Variant::ansi;
        } else if (arg == "--unicode") {
            args.sample.variant = Variant::unicode;
        } else if (arg == "--quiet") {
            args.quiet = true;
        } else if (arg == "--layout") {
            const auto text = value();
            if (!text || text->empty()) {
                std::cerr << "mkpst: --layout needs a file name\n";
                return kUsageError;
            }
            args.layout = std::string(*text);
        } else if (arg == "--encoding") {
            const auto text = value();
            if (text == "none") {
                args.encoding = Encoding::none;
            } else if (text == "permute") {
                args.encoding = Encoding::permute;
            } else if (text == "cyclic") {
                args.encoding = Encoding::cyclic;
            } else {
                std::cerr << "mkpst: --encoding takes none, permute or cyclic\n";
                return kUsageError;
            }
        } else if (arg == "--folders" && (n = number()) && *n <= kMaxFolders) {
            args.sample.folders = *n;
        } else if (arg == "--messages" && (n = number()) && *n <= kMaxMessages) {
            args.sample.messages = *n;
        } else if (arg == "--attachment-kb" && (n = number()) && *n <= kMaxAttachmentKb) {
            args.sample.attachment_kb = *n;
        } else if (arg == "--seed" && (n = number())) {
            args.sample.seed = *n;
        } else if (arg == "--codepage" && (n = number()) && *n <= 0xFFFF) {
            args.sample.code_page = static_cast<unsigned>(*n);
        } else if (!arg.empty() && arg[0] != '-' && args.output.empty()) {
            args.output = arg;
        } else {
            std::cerr << "mkpst: bad argument '" << arg << "' (numbers: folders up to "
                      << kMaxFolders << ", messages up to " << kMaxMessages
                      << ", attachment-kb up to " << kMaxAttachmentKb << ")\n";
            usage(std::cerr);
            return kUsageError;
        }
    }
    if (args.output.empty()) {
        usage(std::cerr);
        return kUsageError;
    }
    return args;
}

// Layout file names of the kinds, in the order ItemKind declares them.
constexpr const char* kKindNames[] = {"amap_page",  "pmap_page", "nbt_page", "bbt_page",
                                      "data_block", "xblock",    "xxblock",  "slblock",
                                      "siblock",    "raw_block"};
static_assert(std::size(kKindNames) == static_cast<std::size_t>(ItemKind::raw_block) + 1);

void write_layout(const Layout& layout, const std::string& path) {
    std::ofstream out(path);
    out << "kind\toffset\tbid\tsize\tnode\tsubnode\tdata_offset\n";
    for (const Placement& item : layout.items) {
        out << kKindNames[static_cast<std::size_t>(item.kind)] << '\t' << item.offset << '\t'
            << item.bid << '\t' << item.size << '\t' << item.node << '\t' << item.subnode << '\t'
            << item.data_offset << '\n';
    }
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

int run(const Arguments& args) {
    const auto start = std::chrono::steady_clock::now();
    const Mailbox box = sample::sample_mailbox(args.sample);
    NdbOptions ndb;
    ndb.variant = args.sample.variant;
    ndb.encoding = args.encoding;
    ndb.record_layout = !args.layout.empty();
    const std::uint64_t every = std::max<std::uint64_t>(1000, args.sample.messages / 20);
    const MailboxProgress progress = [&](const MailboxReport& r) {
        if (!args.quiet && args.sample.messages >= 10000 && r.messages % every == 0) {
            std::cerr << "mkpst: " << r.messages << " of " << args.sample.messages << " messages\n";
        }
    };
    NdbBuilder builder(ndb, args.output);
    const MailboxReport report = write_mailbox(box, builder, progress);
    if (!args.layout.empty()) {
        write_layout(builder.layout(), args.layout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!args.quiet) {
        const double mb = static_cast<double>(report.file_size) / (1024.0 * 1024.0);
        std::printf(
            "%s: %s, %zu folders, %llu messages, %llu attachments (%llu embedded messages), "
            "%.1f MB in %.2f s (%.1f MB/s)\n",
            args.output.c_str(), args.sample.variant == Variant::ansi ? "ANSI" : "Unicode",
            report.folders.size(), static_cast<unsigned long long>(report.messages),
            static_cast<unsigned long long>(report.attachments),
            static_cast<unsigned long long>(report.embedded_messages), mb, seconds,
            seconds > 0 ? mb / seconds : 0.0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = parse(argc, argv);
    if (const int* code = std::get_if<int>(&parsed)) {
        return *code;
    }
    try {
        return run(std::get<Arguments>(parsed));
    } catch (const std::exception& e) {
        std::cerr << "mkpst: " << e.what() << "\n";
        return 1;
    }
}
