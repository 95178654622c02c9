// Read throughput of the node database on a large synthetic file: reads
// every node's data and every subnode's, and compares with reading the file
// itself with read(2) in 1 MB chunks. The file (about 530 MB, Unicode,
// permuted data, multi-level trees, XBLOCK and XXBLOCK data trees, subnode
// trees) is built once by the synthetic builder and cached.
//
// usage: bench_ndb_read [FILE]   (default /tmp/mailwright_bench_ndb.pst)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "pstread/ndb/database.h"
#include "support/ndb_builder.h"
#include "support/node_content.h"

namespace {

using bench::clock_type;
using bench::peak_rss_kb;
using bench::seconds_since;
constexpr std::size_t chunk_size = 1 << 20;

std::vector<std::uint8_t> filler(std::size_t size, std::uint64_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        bytes[i] = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

// 20 nodes of 10 MB (XXBLOCK), 1000 of 200 KB (XBLOCK), 20000 of 4 KB, of
// which every tenth has three 8 KB subnodes.
void build(const std::string& path) {
    pstbuild::NdbBuilder builder({.variant = pstbuild::Variant::unicode,
                                  .encoding = pstbuild::Encoding::permute,
                                  .record_layout = false},
                                 path);
    std::uint32_t index = 0x400;
    const auto next_nid = [&] { return pstbuild::make_nid(0x04, index++); };
    for (int i = 0; i < 20; ++i) {
        builder.add_node(next_nid(), filler(10u << 20, index), {}, 0x122);
    }
    for (int i = 0; i < 1000; ++i) {
        builder.add_node(next_nid(), filler(200u << 10, index), {}, 0x122);
    }
    for (int i = 0; i < 20000; ++i) {
        std::vector<pstbuild::Subnode> subnodes;
        if (i % 10 == 0) {
            for (std::uint32_t s = 0; s < 3; ++s) {
                subnodes.push_back({pstbuild::make_nid(0x1F, s + 1), filler(8192, index + s), {}});
            }
        }
        builder.add_node(next_nid(), filler(4096, index), subnodes, 0x122);
    }
    builder.finish();
}

double read_whole_file(const std::string& path, std::uint64_t& bytes) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + path);
    }
    std::vector<std::uint8_t> buffer(chunk_size);
    const auto start = clock_type::now();
    bytes = 0;
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got <= 0) {
            break;
        }
        bytes += static_cast<std::uint64_t>(got);
    }
    const double elapsed = seconds_since(start);
    close(fd);
    return elapsed;
}

struct totals {
    std::uint64_t nodes = 0;
    std::uint64_t subnodes = 0;
    std::uint64_t bytes = 0;
    std::uint64_t checksum = 0;
};

void read_node(const pstread::node& n, std::vector<std::uint8_t>& buffer, totals& t) {
    const std::uint64_t size = n.size();
    for (std::uint64_t offset = 0; offset < size;) {
        const std::size_t got = n.read(buffer, offset);
        t.checksum += buffer[0] + buffer[got - 1];
        offset += got;
        t.bytes += got;
    }
    for (const pstread::subnode_info& info : n.subnodes()) {
        ++t.subnodes;
        read_node(n.subnode(info), buffer, t);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/mailwright_bench_ndb.pst";
    try {
        bench::ensure_file(path, build);
        const long rss_before = peak_rss_kb();
        std::uint64_t file_bytes = 0;
        read_whole_file(path, file_bytes);  // warm the page cache
        const double cat_seconds = read_whole_file(path, file_bytes);

        const auto start = clock_type::now();
        const auto db = pstread::open_database(path);
        std::vector<std::uint8_t> buffer(chunk_size);
        totals t;
        for (const pstread::node_info& info : db->node_infos()) {
            ++t.nodes;
            read_node(pstread::node(db, info), buffer, t);
        }
        const double node_seconds = seconds_since(start);
        const double mb = 1024.0 * 1024.0;

        std::printf("file %s: %.1f MB, %llu nodes, %llu subnodes\n", path.c_str(), file_bytes / mb,
                    static_cast<unsigned long long>(t.nodes),
                    static_cast<unsigned long long>(t.subnodes));
        std::printf("read(2), 1 MB chunks: %8.1f MB/s  (%.3f s)\n", file_bytes / mb / cat_seconds,
                    cat_seconds);
        std::printf("every node's data:    %8.1f MB/s  (%.3f s, %.1f MB of data, checksum %llu)\n",
                    t.bytes / mb / node_seconds, node_seconds, t.bytes / mb,
                    static_cast<unsigned long long>(t.checksum));
        std::printf("peak RSS: %.1f MB (%.1f MB before reading)\n", peak_rss_kb() / 1024.0,
                    rss_before / 1024.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_ndb_read: %s\n", error.what());
        return 1;
    }
    return 0;
}
