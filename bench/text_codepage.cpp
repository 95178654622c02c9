// Throughput of the code page conversions on the paths every body and
// property takes: 8-bit code page text to UTF-8 and UTF-16LE to UTF-8.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/date_format.h"
#include "text/streaming_converter.h"
#include "text/whole_value_conversion.h"

namespace {

using namespace mailwright::text;

constexpr std::size_t kBodySize = 1 << 20;

std::string repeat_to_size(const std::string& unit, std::size_t size) {
    std::string out;
    while (out.size() + unit.size() <= size) {
        out += unit;
    }
    return out;
}

// Western European mail: mostly ASCII with some accented letters.
const std::string& western_body() {
    static const std::string body = repeat_to_size(
        "Gr\xFC\xDF"
        "e aus M\xFCnchen, caf\xE9 cr\xE8me. The quick brown fox.\r\n",
        kBodySize);
    return body;
}

// Japanese mail in Shift-JIS: double-byte text with some ASCII.
const std::string& japanese_body() {
    static const std::string body = [] {
        const std::string utf8 = "日本語のメールです。会議は明日の午後三時からです。OK\r\n";
        return repeat_to_size(utf8_to_code_page(utf8, *GetCodePageInfo(932)), kBodySize);
    }();
    return body;
}

// A UTF-16LE body as Unicode stores keep it, with some non-ASCII text.
const std::string& utf16le_body() {
    static const std::string body = [] {
        const std::string utf8 = "Hello, Привет, こんにちは 😀 — regards\r\n";
        return repeat_to_size(utf8_to_code_page(utf8, Utf16LeRow()), kBodySize);
    }();
    return body;
}

void BM_bytes_to_utf8string_1252(benchmark::State& state) {
    const std::string& body = western_body();
    const TextEncodingItem* row = GetCodePageInfo(1252);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes_to_utf8string(body, row));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_bytes_to_utf8string_1252);

void BM_bytes_to_utf8string_932(benchmark::State& state) {
    const std::string& body = japanese_body();
    const TextEncodingItem* row = GetCodePageInfo(932);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes_to_utf8string(body, row));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_bytes_to_utf8string_932);

void BM_utf16le_bytes_to_utf8(benchmark::State& state) {
    const std::string& body = utf16le_body();
    const auto* data = reinterpret_cast<const std::uint8_t*>(body.data());
    for (auto _ : state) {
        benchmark::DoNotOptimize(utf16le_bytes_to_utf8(data, body.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_utf16le_bytes_to_utf8);

void BM_bytes_to_utf8string_utf16le(benchmark::State& state) {
    const std::string& body = utf16le_body();
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes_to_utf8string(body, &Utf16LeRow()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_bytes_to_utf8string_utf16le);

void BM_streaming_932_in_512_byte_blocks(benchmark::State& state) {
    const std::string& body = japanese_body();
    StreamingConverter converter(*GetCodePageInfo(932), Utf8Row());
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (std::size_t start = 0; start < body.size(); start += 512) {
            const bool last = start + 512 >= body.size();
            converter.convert(std::string_view(body).substr(start, 512), last, out);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_streaming_932_in_512_byte_blocks);

// Short property values: dominated by opening the converters.
void BM_bytes_to_utf8string_1252_short_value(benchmark::State& state) {
    const std::string value = "Re: Quarterly report for M\xFCnchen";
    const TextEncodingItem* row = GetCodePageInfo(1252);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes_to_utf8string(value, row));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * value.size()));
}
BENCHMARK(BM_bytes_to_utf8string_1252_short_value);

void BM_mail_header_date(benchmark::State& state) {
    SharedDateFormatter formatter;
    const DateTimeZone zone = *DateTimeZone::from_id("Europe/Berlin");
    Instant instant = 1700000000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.mail_header_date(instant++, &zone));
    }
}
BENCHMARK(BM_mail_header_date);

}  // namespace

BENCHMARK_MAIN();
