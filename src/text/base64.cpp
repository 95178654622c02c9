#include "text/base64.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/system_log.h"

namespace mailwright::text {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPadding = '=';

// Room a group needs: four characters and the terminating zero.
constexpr size_t kGroupRoom = 5;

// Lines never straddle two blocks: 1000 lines of 57 bytes.
constexpr size_t kStreamBlockBytes = 1000 * kBase64LineBytes;

// One line's buffer: 76 characters, the zero, and slack.
constexpr size_t kLineBufferSize = 79;

void EncodeGroup(const uint8_t* in, size_t count, char* out) {
    const uint32_t value = static_cast<uint32_t>(in[0]) << 16 |
                           (count > 1 ? static_cast<uint32_t>(in[1]) << 8 : 0u) |
                           (count > 2 ? static_cast<uint32_t>(in[2]) : 0u);
    out[0] = kAlphabet[(value >> 18) & 0x3F];
    out[1] = kAlphabet[(value >> 12) & 0x3F];
    out[2] = count > 1 ? kAlphabet[(value >> 6) & 0x3F] : kPadding;
    out[3] = count > 2 ? kAlphabet[value & 0x3F] : kPadding;
}

void WriteLine(const uint8_t* data, size_t count, std::ostream& out) {
    std::array<char, kLineBufferSize> line{};
    const size_t written = Base64Encode(data, count, line.data(), line.size());
    out.write(line.data(), static_cast<std::streamsize>(written));
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

void WriteBase64Lines(std::span<const uint8_t> data, std::ostream& out,
                      std::string_view separator) {
    for (size_t pos = 0; pos < data.size(); pos += kBase64LineBytes) {
        if (pos > 0) {
            out << separator;
        }
        WriteLine(data.data() + pos, std::min(kBase64LineBytes, data.size() - pos), out);
    }
}

void WriteBase64Lines(std::istream& in, std::ostream& out, std::string_view separator) {
    std::vector<uint8_t> block(kStreamBlockBytes);
    while (in) {
        in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
        const auto count = static_cast<size_t>(in.gcount());
        for (size_t pos = 0; pos < count; pos += kBase64LineBytes) {
            const size_t line_bytes = std::min(kBase64LineBytes, count - pos);
            WriteLine(block.data() + pos, line_bytes, out);
            if (line_bytes == kBase64LineBytes) {
                out << separator;
            }
        }
    }
}

}  // namespace mailwright::text
