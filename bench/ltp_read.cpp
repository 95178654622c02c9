// Read throughput of the property and table layer on a large synthetic file:
// every property of every property context and every cell of every row of
// every table context, each read with the reader its type asks for. The file
// (about 480 MB, Unicode, permuted data) is built once by the synthetic
// builder and cached: 36 folders whose contents tables hold 1000 rows each
// (row matrices in multi-block subnodes), and 36000 messages with about 30
// properties, bodies in the heap or (every fifth message) in subnodes, and a
// three-row recipient table each.
//
// usage: bench_ltp_read [FILE]   (default /tmp/mailwright_bench_ltp.pst)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ltp_walk.h"
#include "pstread/ndb/database.h"
#include "support/named_property_map_builder.h"
#include "support/ndb_builder.h"
#include "support/property_context_builder.h"
#include "support/table_context_builder.h"
#include "text/code_page_table.h"

namespace {

using bench::clock_type;
using bench::peak_rss_kb;
using bench::seconds_since;
using namespace pstbuild;

constexpr int kFolders = 36;
constexpr int kMessagesPerFolder = 1000;

std::string words(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {"meeting", "report", "budget",   "quarter", "schedule",
                                         "review",  "draft",  "contract", "the",     "and",
                                         "of",      "to",     "please",   "attached"};
    std::string text;
    std::uint32_t x = seed * 2654435761u + 1;
    while (text.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        text += kWords[x % 14];
        text += (x >> 8) % 9 == 0 ? ".\r\n" : " ";
    }
    text.resize(size);
    return text;
}

NodeContent message(std::uint32_t n) {
    PropertyContextBuilder pc(Variant::unicode);
    pc.set(0x001A, pv_unicode("IPM.Note"))
        .set(0x0037, pv_unicode("Re: " + words(40, n)))
        .set(0x0039, pv_systime(0x01D0000000000000ull + n * 10000000ull))
        .set(0x0E06, pv_systime(0x01D0000000000000ull + n * 10000000ull + 5))
        .set(0x0E07, pv_long(1))
        .set(0x0E08, pv_long(static_cast<std::int32_t>(4000 + n % 3000)))
        .set(0x0017, pv_long(1))
        .set(0x0026, pv_long(0))
        .set(0x0042, pv_unicode("Sender " + std::to_string(n % 97)))
        .set(0x0065, pv_unicode("sender" + std::to_string(n % 97) + "@example.com"))
        .set(0x0C1A, pv_unicode("Sender " + std::to_string(n % 97)))
        .set(0x0C1F, pv_unicode("sender" + std::to_string(n % 97) + "@example.com"))
        .set(0x0E04, pv_unicode("Someone; Someone Else"))
        .set(0x1035, pv_unicode("<" + std::to_string(n) + "@mail.example.com>"))
        .set(0x3FDE, pv_long(65001))
        .set(0x0FFF, pv_binary(std::vector<std::uint8_t>(70, static_cast<std::uint8_t>(n))))
        .set(0x300B, pv_binary(std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(n >> 3))))
        .set(0x8005, pv_mv_unicode({"Work", "Project " + std::to_string(n % 7)}))
        .set(0x8010, pv_bool(n % 2 == 0))
        .set(0x8011, pv_double(n * 0.5))
        .set(0x1000, pv_unicode(words(n % 5 == 0 ? 12000 : 1200 + n % 700, n)));
    if (n % 5 == 0) {
        pc.set(0x1013, pv_binary(std::vector<std::uint8_t>(20000, 0x3C)));
    }
    for (std::uint16_t id = 0x6700; id < 0x6708; ++id) {
        pc.set(id, pv_long(static_cast<std::int32_t>(id * n)));
    }
    NodeContent node = pc.build();

    TableContextBuilder recipients(Variant::unicode);
    recipients.add_column(make_tag(0x3001, kPtUnicode))
        .add_column(make_tag(0x3003, kPtUnicode))
        .add_column(make_tag(0x0C15, kPtLong))
        .add_column(make_tag(0x39FE, kPtUnicode));
    for (std::uint32_t r = 0; r < 3; ++r) {
        recipients.add_row(r, {{0x3001, pv_unicode("Recipient " + std::to_string(r))},
                               {0x3003, pv_unicode("r" + std::to_string(r) + "@example.com")},
                               {0x0C15, pv_long(static_cast<std::int32_t>(r + 1))},
                               {0x39FE, pv_unicode("r" + std::to_string(r) + "@example.com")}});
    }
    const NodeContent table = recipients.build();
    node.subnodes.push_back({0x692, table.data, table.subnodes});
    return node;
}

NodeContent contents_table(std::uint32_t first_message) {
    TableContextBuilder tc(Variant::unicode);
    tc.add_column(make_tag(0x001A, kPtUnicode))
        .add_column(make_tag(0x0037, kPtUnicode))
        .add_column(make_tag(0x0042, kPtUnicode))
        .add_column(make_tag(0x0E06, kPtSysTime))
        .add_column(make_tag(0x0E07, kPtLong))
        .add_column(make_tag(0x0E08, kPtLong))
        .add_column(make_tag(0x0E17, kPtLong))
        .add_column(make_tag(0x0017, kPtLong))
        .add_column(make_tag(0x0E1B, kPtBoolean))
        .add_column(make_tag(0x3008, kPtSysTime));
    for (std::uint32_t m = 0; m < kMessagesPerFolder; ++m) {
        const std::uint32_t n = first_message + m;
        tc.add_row(make_nid(0x04, 0x400 + n),
                   {{0x001A, pv_unicode("IPM.Note")},
                    {0x0037, pv_unicode(words(40, n))},
                    {0x0042, pv_unicode("Sender " + std::to_string(n % 97))},
                    {0x0E06, pv_systime(0x01D0000000000000ull + n)},
                    {0x0E07, pv_long(1)},
                    {0x0E08, pv_long(static_cast<std::int32_t>(4000 + n % 3000))},
                    {0x0E17, pv_long(0)},
                    {0x0017, pv_long(1)},
                    {0x0E1B, pv_bool(n % 3 == 0)},
                    {0x3008, pv_systime(0x01D0000000000000ull + n + 9)}});
    }
    return tc.build();
}

void build(const std::string& path) {
    NdbBuilder builder(
        {.variant = Variant::unicode, .encoding = Encoding::permute, .record_layout = false}, path);
    NamedPropertyMapBuilder names(Variant::unicode);
    for (std::uint32_t id = 0x8200; id < 0x8280; ++id) {
        names.add(kPsetidAppointment, id);
    }
    names.add(kPsPublicStrings, "Keywords");
    const NodeContent map = names.build();
    builder.add_node(kNidNameToIdMap, map.data, map.subnodes);
    for (int f = 0; f < kFolders; ++f) {
        const std::uint32_t folder = make_nid(0x02, 0x400 + f);
        const NodeContent table = contents_table(f * kMessagesPerFolder);
        builder.add_node(make_nid(0x0E, 0x400 + f), table.data, table.subnodes, folder);
        for (int m = 0; m < kMessagesPerFolder; ++m) {
            const std::uint32_t n = f * kMessagesPerFolder + m;
            const NodeContent content = message(n);
            builder.add_node(make_nid(0x04, 0x400 + n), content.data, content.subnodes, folder);
        }
    }
    builder.finish();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/mailwright_bench_ltp.pst";
    try {
        bench::ensure_file(path, build);
        const double file_mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
        const auto start = clock_type::now();
        const auto db = pstread::open_database(path);
        ltptest::walker walk({}, mailwright::text::GetCodePageInfo(1252));
        walk.walk_database(db);
        const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
        const ltptest::walk_stats& s = walk.stats();
        std::printf("file: %s, %.1f MB\n", path.c_str(), file_mb);
        std::printf(
            "read %zu property contexts (%zu properties) and %zu table contexts (%zu rows, "
            "%zu cells), %.1f MB of values, in %.2f s\n",
            s.property_contexts, s.properties, s.table_contexts, s.rows, s.cells,
            static_cast<double>(s.value_bytes) / 1e6, seconds);
        std::printf("throughput: %.1f MB/s of file, %.0f properties+cells/s\n", file_mb / seconds,
                    static_cast<double>(s.properties + s.cells) / seconds);
        std::printf("peak RSS: %.1f MB\n", static_cast<double>(peak_rss_kb()) / 1024.0);
        if (!s.failures.empty()) {
            std::printf("%zu failures, the first: %s\n", s.failures.size(), s.failures[0].c_str());
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_ltp_read: %s\n", error.what());
        return 1;
    }
    return 0;
}
