// `mailwright info FILE...`: the header facts and B-tree sizes of PST files.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/argument_reader.h"
#include "cli/commands.h"
#include "pstread/ndb/database.h"

namespace mailwright::cli {
namespace {

constexpr const char* kUsage =
    "usage: mailwright info FILE...\n"
    "Shows each PST file's variant (ANSI or Unicode), format version, encoding, end of\n"
    "file and the number of nodes and blocks in its B-trees.\n";

struct file_facts {
    bool unicode = false;
    unsigned version = 0;
    pstread::crypt_method encoding = pstread::crypt_method::none;
    unsigned long long file_eof = 0;
    unsigned long long file_size = 0;
    unsigned long long nodes = 0;
    unsigned long long blocks = 0;
};

const char* encoding_name(pstread::crypt_method method) {
    switch (method) {
        case pstread::crypt_method::permute:
            return "permute";
        case pstread::crypt_method::cyclic:
            return "cyclic";
        case pstread::crypt_method::none:
            break;
    }
    return "none";
}

// Everything is gathered before anything is printed, so a file that fails
// half-way prints only its error line.
file_facts gather(const std::string& path) {
    const auto db = pstread::open_database(path);
    file_facts facts;
    facts.unicode = db->is_unicode();
    facts.version = db->get_format_version();
    facts.encoding = db->get_crypt_method();
    facts.file_eof = db->get_file_eof();
    facts.file_size = db->get_file().size();
    for (const auto& info : db->node_infos()) {
        (void)info;
        ++facts.nodes;
    }
    for (const auto& info : db->block_infos()) {
        (void)info;
        ++facts.blocks;
    }
    return facts;
}

void print(const std::string& path, const file_facts& facts) {
    std::printf("%s\n", path.c_str());
    std::printf("  variant:      %s\n", facts.unicode ? "Unicode" : "ANSI");
    std::printf("  wVer:         %u\n", facts.version);
    std::printf("  encoding:     %s\n", encoding_name(facts.encoding));
    std::printf("  ibFileEof:    %llu", facts.file_eof);
    if (facts.file_eof != facts.file_size) {
        std::printf(" (file size %llu)", facts.file_size);
    }
    std::printf("\n  nodes (NBT):  %llu\n", facts.nodes);
    std::printf("  blocks (BBT): %llu\n", facts.blocks);
}

}  // namespace

int run_info(const Arguments& args) {
    std::vector<std::string> files;
    bool help = false;
    argument_reader reader(args);
    while (reader.error().empty() && reader.next()) {
        if (reader.is_operand()) {
            files.push_back(reader.word());
        } else if (reader.is_help()) {
            help = true;
        } else {
            reader.fail("unknown option " + reader.word());
        }
    }
    if (!reader.error().empty() || (files.empty() && !help)) {
        if (!reader.error().empty()) {
            std::fprintf(stderr, "mailwright info: %s\n", reader.error().c_str());
        }
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    int status = 0;
    for (const std::string& path : files) {
        try {
            print(path, gather(path));
        } catch (const std::exception& error) {
            std::fflush(stdout);
            std::fprintf(stderr, "mailwright: %s: %s\n", path.c_str(), error.what());
            status = 1;
        }
    }
    return status;
}

}  // namespace mailwright::cli
