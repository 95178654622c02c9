// Throughput of the transfer encodings and the RTF body path: base64 lines and
// quoted-printable for attachments and notes, DecompressRtf and RtfToHtml for
// messages that only have an RTF body.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/rtf_compression.h"
#include "text/base64.h"
#include "text/quoted_printable.h"
#include "text/rtf_decompress.h"
#include "text/rtf_to_html.h"
#include "text/text_escaping.h"

namespace {

using namespace mailwright::text;

constexpr size_t kDataSize = 1 << 20;

const std::vector<uint8_t>& random_bytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::mt19937 random(1);
        std::vector<uint8_t> out(kDataSize);
        for (auto& byte : out) {
            byte = static_cast<uint8_t>(random());
        }
        return out;
    }();
    return bytes;
}

std::string repeat_to_size(const std::string& unit, size_t size) {
    std::string out;
    while (out.size() + unit.size() <= size) {
        out += unit;
    }
    return out;
}

// A contact note: text with separators, line breaks and some accented letters.
const std::string& note_text() {
    static const std::string text = repeat_to_size(
        "Met at the fair; call back Monday, ask for the caf\xC3\xA9 order.\r\n", kDataSize);
    return text;
}

// An RTF body as Outlook writes it for plain formatted mail.
std::string formatted_rtf(size_t size) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
           "{\\f1\\fswiss\\fcharset204 Arial Cyr;}}{\\colortbl;\\red0\\green0\\blue255;}"
           "\\uc1\\pard\\f0\\fs20 " +
           repeat_to_size(
               "Dear team,\\par The {\\b quarterly} figures are {\\i attached}; "
               "caf\\'e9 \\f1\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\f0  \\u8364?\\tab 42\\par\r\n",
               size) +
           "}";
}

// An RTF body that encapsulates HTML, the common case of Outlook mail.
std::string encapsulated_rtf(size_t size) {
    return "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
           "{\\*\\htmltag19 <html>}{\\*\\htmltag34 <head>}{\\*\\htmltag41 </head>}"
           "{\\*\\htmltag50 <body>}" +
           repeat_to_size(
               "{\\*\\htmltag64 <p class=MsoNormal>}\\htmlrtf {\\htmlrtf0 Dear team, the "
               "figures are attached caf\\'e9{\\*\\htmltag84 &nbsp;}\\htmlrtf \\'a0"
               "\\htmlrtf0 {\\*\\htmltag72 </p>}\\htmlrtf\\par}\\htmlrtf0\r\n",
               size) +
           "{\\*\\htmltag58 </body>}{\\*\\htmltag27 </html>}}";
}

void BM_Base64LinesBuffer(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream out;
        WriteBase64Lines(random_bytes(), out, "\r\n");
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDataSize));
}
BENCHMARK(BM_Base64LinesBuffer);

void BM_Base64LinesStream(benchmark::State& state) {
    const std::string input(random_bytes().begin(), random_bytes().end());
    for (auto _ : state) {
        std::istringstream in(input);
        std::ostringstream out;
        WriteBase64Lines(in, out, "\r\n");
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDataSize));
}
BENCHMARK(BM_Base64LinesStream);

void BM_QuotedPrintableString(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream out;
        WriteQuotedPrintable(note_text(), out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * note_text().size()));
}
BENCHMARK(BM_QuotedPrintableString);

void BM_QuotedPrintableStream(benchmark::State& state) {
    for (auto _ : state) {
        std::istringstream in(note_text());
        std::ostringstream out;
        WriteQuotedPrintable(in, Utf8Row(), Utf8Row(), out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * note_text().size()));
}
BENCHMARK(BM_QuotedPrintableStream);

void BM_EscapeTextValue(benchmark::State& state) {
    for (auto _ : state) {
        std::string out;
        EscapeTextValue(std::string_view(note_text()), out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * note_text().size()));
}
BENCHMARK(BM_EscapeTextValue);

// Throughput counts the decompressed bytes.
void BM_DecompressRtf(benchmark::State& state) {
    static const std::string rtf = formatted_rtf(64 * 1024);
    static const std::vector<uint8_t> blob = pstbuild::rtf_compress(
        std::span(reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecompressRtf(blob));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
    state.counters["ratio"] = static_cast<double>(rtf.size()) / static_cast<double>(blob.size());
}
BENCHMARK(BM_DecompressRtf);

void BM_RtfToHtmlFormatted(benchmark::State& state) {
    static const std::string rtf = formatted_rtf(kDataSize);
    const auto bytes = std::vector<uint8_t>(rtf.begin(), rtf.end());
    for (auto _ : state) {
        benchmark::DoNotOptimize(RtfToHtml(bytes));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_RtfToHtmlFormatted);

void BM_RtfToHtmlEncapsulated(benchmark::State& state) {
    static const std::string rtf = encapsulated_rtf(kDataSize);
    const auto bytes = std::vector<uint8_t>(rtf.begin(), rtf.end());
    for (auto _ : state) {
        benchmark::DoNotOptimize(RtfToHtml(bytes));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_RtfToHtmlEncapsulated);

}  // namespace

BENCHMARK_MAIN();
