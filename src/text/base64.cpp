#include "text/base64.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/system_log.h"

namespace mailwright::text {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPadding = '=';

// Room a group needs: four characters and the terminating zero.
constexpr size_t kGroupRoom = 5;

// Lines never straddle two blocks: 1000 lines of 57 bytes.
constexpr size_t kStreamBlockBytes = 1000 * kBase64LineBytes;

void EncodeGroup(const uint8_t* in, size_t count, char* out) {
    const uint32_t value = static_cast<uint32_t>(in[0]) << 16 |
                           (count > 1 ? static_cast<uint32_t>(in[1]) << 8 : 0u) |
                           (count > 2 ? static_cast<uint32_t>(in[2]) : 0u);
    out[0] = kAlphabet[(value >> 18) & 0x3F];
    out[1] = kAlphabet[(value >> 12) & 0x3F];
    out[2] = count > 1 ? kAlphabet[(value >> 6) & 0x3F] : kPadding;
    out[3] = count > 2 ? kAlphabet[value & 0x3F] : kPadding;
}

// Two alphabet characters for each 12-bit value: a group of three bytes is
// two lookups instead of four.
constexpr std::array<char, 2 * 4096> kPairs = [] {
    std::array<char, 2 * 4096> pairs{};
    for (size_t value = 0; value < 4096; ++value) {
        pairs[2 * value] = kAlphabet[value >> 6];
        pairs[2 * value + 1] = kAlphabet[value & 0x3F];
    }
    return pairs;
}();

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MAILWRIGHT_BASE64_VBMI 1

// 48 bytes into 64 characters at once where the processor has AVX-512 VBMI:
// each group of three bytes is spread over four (b a c b), the four 6-bit
// fields are shifted out of every 64-bit lane, and each is looked up in the
// alphabet. Returns the bytes done: a multiple of 48.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t EncodeBlocksVbmi(const uint8_t* in,
                                                                               size_t length,
                                                                               char* out) {
    const __m512i spread =
        _mm512_setr_epi32(0x01020001, 0x04050304, 0x07080607, 0x0a0b090a, 0x0d0e0c0d, 0x10110f10,
                          0x13141213, 0x16171516, 0x191a1819, 0x1c1d1b1c, 0x1f201e1f, 0x22232122,
                          0x25262425, 0x28292728, 0x2b2c2a2b, 0x2e2f2d2e);
    const __m512i shifts = _mm512_set1_epi64(0x3036242a1016040a);
    const __m512i alphabet = _mm512_loadu_si512(kAlphabet);
    constexpr __mmask64 k48Bytes = (__mmask64{1} << 48) - 1;
    constexpr __mmask64 kAll = ~__mmask64{0};
    size_t done = 0;
    for (; length - done >= 48; done += 48, out += 64) {
        const __m512i bytes = _mm512_maskz_loadu_epi8(k48Bytes, in + done);
        // The zero-masked forms: the plain ones trip a false warning of GCC 12.
        const __m512i fields = _mm512_maskz_multishift_epi64_epi8(
            kAll, shifts, _mm512_maskz_permutexvar_epi8(kAll, spread, bytes));
        _mm512_storeu_si512(out, _mm512_maskz_permutexvar_epi8(kAll, fields, alphabet));
    }
    return done;
}

bool HasVbmi() {
    static const bool supported = __builtin_cpu_supports("avx512f") &&
                                  __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vbmi");
    return supported;
}
#endif

// The base64 text of `length` bytes at `in` into `out`, which has room for
// (length + 2) / 3 * 4 characters. Whole groups take the short path.
void EncodeRun(const uint8_t* in, size_t length, char* out) {
#ifdef MAILWRIGHT_BASE64_VBMI
    if (length >= 48 && HasVbmi()) {
        const size_t done = EncodeBlocksVbmi(in, length, out);
        in += done;
        out += done / 3 * 4;
        length -= done;
    }
#endif
    for (; length >= 3; length -= 3, in += 3, out += 4) {
        const uint32_t value = static_cast<uint32_t>(in[0]) << 16 |
                               static_cast<uint32_t>(in[1]) << 8 | static_cast<uint32_t>(in[2]);
        std::memcpy(out, &kPairs[2 * (value >> 12)], 2);
        std::memcpy(out + 2, &kPairs[2 * (value & 0xFFF)], 2);
    }
    if (length > 0) {
        EncodeGroup(in, length, out);
    }
}

// Characters of the lines of `count` bytes: 76 for each whole line, fewer
// for the last, and `separator` after each line `after` names.
template <typename SeparatorAfter>
size_t LinesLength(size_t count, size_t separatorLength, SeparatorAfter after) {
    size_t length = 0;
    for (size_t pos = 0; pos < count; pos += kBase64LineBytes) {
        const size_t lineBytes = std::min(kBase64LineBytes, count - pos);
        length += (lineBytes + 2) / 3 * 4 + (after(pos, lineBytes) ? separatorLength : 0);
    }
    return length;
}

// The text of one block, kept between blocks: grown when a block needs more,
// never zeroed (only the characters written are used).
class TextBuffer {
public:
    char* room(size_t size) {
        if (size > m_capacity) {
            m_data = std::make_unique_for_overwrite<char[]>(size);
            m_capacity = size;
        }
        return m_data.get();
    }

private:
    std::unique_ptr<char[]> m_data;
    size_t m_capacity = 0;
};

// Writes `leading`, then the lines of `count` bytes, each line of 57 bytes
// or fewer followed by `separator` when `after` says so for it, in one write.
template <typename SeparatorAfter>
void WriteLines(const uint8_t* data, size_t count, std::string_view leading,
                std::string_view separator, SeparatorAfter after, TextBuffer& buffer,
                std::ostream& out) {
    const size_t length = leading.size() + LinesLength(count, separator.size(), after);
    if (length == 0) {
        return;  // the end of a stream: nothing to write
    }
    char* const text = buffer.room(length);
    char* at = std::copy(leading.begin(), leading.end(), text);
    for (size_t pos = 0; pos < count; pos += kBase64LineBytes) {
        const size_t lineBytes = std::min(kBase64LineBytes, count - pos);
        EncodeRun(data + pos, lineBytes, at);
        at += (lineBytes + 2) / 3 * 4;
        if (after(pos, lineBytes)) {
            at = std::copy(separator.begin(), separator.end(), at);
        }
    }
    out.write(text, static_cast<std::streamsize>(at - text));
}

// The block read from a stream (not zeroed: it is only read where filled)
// and the text of one block.
struct Scratch {
    std::unique_ptr<uint8_t[]> block = std::make_unique_for_overwrite<uint8_t[]>(kStreamBlockBytes);
    TextBuffer text;
};

Scratch& ThreadScratch() {
    thread_local Scratch scratch;
    return scratch;
}

}  // namespace

size_t Base64Encode(const uint8_t* data, size_t length, char* target, size_t capacity) {
    size_t written = 0;
    for (size_t pos = 0; pos < length; pos += 3) {
        if (capacity < kGroupRoom || written > capacity - kGroupRoom) {
            platform::log_line("Insufficient encoding buffer for output.");
            return written;
        }
        EncodeGroup(data + pos, std::min<size_t>(3, length - pos), target + written);
        written += 4;
    }
    if (written < capacity) {
        target[written] = '\0';
    }
    return written;
}

std::string Base64EncodeString(std::span<const uint8_t> data) {
    std::string out((data.size() + 2) / 3 * 4, '\0');
    for (size_t pos = 0, at = 0; pos < data.size(); pos += 3, at += 4) {
        EncodeGroup(data.data() + pos, std::min<size_t>(3, data.size() - pos), out.data() + at);
    }
    return out;
}

// Both forms encode a block of lines into one buffer of this thread and write
// it at once. The buffers are kept: fresh ones of this size for every
// attachment cost page faults whenever the allocator has given the memory
// back in between.
void WriteBase64Lines(std::span<const uint8_t> data, std::ostream& out,
                      std::string_view separator) {
    TextBuffer& text = ThreadScratch().text;
    for (size_t start = 0; start < data.size(); start += kStreamBlockBytes) {
        const size_t count = std::min(kStreamBlockBytes, data.size() - start);
        // Between lines only: after every line of the block but its last.
        WriteLines(
            data.data() + start, count, start > 0 ? separator : std::string_view{}, separator,
            [count](size_t pos, size_t lineBytes) { return pos + lineBytes < count; }, text, out);
    }
}

void WriteBase64Lines(std::istream& in, std::ostream& out, std::string_view separator) {
    Scratch& scratch = ThreadScratch();
    while (in) {
        in.read(reinterpret_cast<char*>(scratch.block.get()),
                static_cast<std::streamsize>(kStreamBlockBytes));
        const auto count = static_cast<size_t>(in.gcount());
        WriteLines(
            scratch.block.get(), count, {}, separator,
            [](size_t, size_t lineBytes) { return lineBytes == kBase64LineBytes; }, scratch.text,
            out);
    }
}

}  // namespace mailwright::text
