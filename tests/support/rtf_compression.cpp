#include "support/rtf_compression.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "support/crc.h"
#include "support/le_bytes.h"

namespace pstbuild {
namespace {

constexpr char kInitialDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}"
    "{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript "
    "\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier"
    "{\\colortbl\\red0\\green0\\blue0\r\n"
    "\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr std::size_t kInitialSize = sizeof(kInitialDictionary) - 1;
static_assert(kInitialSize == 207);

constexpr std::size_t kMask = kRtfDictionarySize - 1;
constexpr std::size_t kMinMatch = 2;
constexpr std::size_t kMaxMatch = 17;  // a 4-bit length field plus 2
constexpr std::size_t kCandidates = 16;
constexpr std::size_t kBuckets = 4096;

std::vector<std::uint8_t> header(std::uint32_t contents, std::uint32_t raw, std::uint32_t type,
                                 std::uint32_t crc) {
    std::vector<std::uint8_t> out;
    append_le(out, contents + 12, 4);  // COMPSIZE counts the header bytes after itself
    append_le(out, raw, 4);
    append_le(out, type, 4);
    append_le(out, crc, 4);
    return out;
}

std::uint32_t checked_size(std::size_t size) {
    if (size > 0x7FFFFFF0u) {
        throw std::length_error("RTF body too large");
    }
    return static_cast<std::uint32_t>(size);
}

// The compressor's model of the decompressor's dictionary: the bytes, which
// positions hold written data, and for each two-byte prefix the positions
// where it was last seen (newest first).
class Dictionary {
public:
    Dictionary() {
        for (std::size_t i = 0; i < kInitialSize; ++i) {
            bytes_[i] = static_cast<std::uint8_t>(kInitialDictionary[i]);
            valid_[i] = true;
        }
        for (std::size_t i = 0; i + 1 < kInitialSize; ++i) {
            remember(i);
        }
    }

    std::size_t write_position() const { return write_; }

    // The longest match of `input` at `at`, as (offset, length); length 0
    // when nothing of at least two bytes matches.
    std::pair<std::size_t, std::size_t> longest_match(std::span<const std::uint8_t> input,
                                                      std::size_t at) const {
        std::pair<std::size_t, std::size_t> best{0, 0};
        if (input.size() - at < kMinMatch) {
            return best;
        }
        const auto& chain = chains_[key(input[at], input[at + 1])];
        const std::size_t limit = std::min(kMaxMatch, input.size() - at);
        for (const std::uint16_t candidate : chain) {
            if (candidate == kEmpty) {
                break;
            }
            const std::size_t length = match_length(candidate, input, at, limit);
            // On a tie the older position wins, as in the published example.
            if (length >= best.second && length > 0) {
                best = {candidate, length};
                if (length == limit) {
                    break;
                }
            }
        }
        return best.second >= kMinMatch ? best : std::pair<std::size_t, std::size_t>{0, 0};
    }

    void append(std::uint8_t byte) {
        bytes_[write_] = byte;
        valid_[write_] = true;
        const std::size_t previous = (write_ + kMask) & kMask;
        write_ = (write_ + 1) & kMask;
        if (valid_[previous]) {
            remember(previous);
        }
    }

private:
    static constexpr std::uint16_t kEmpty = 0xFFFF;

    // Two-byte prefixes hashed into the buckets; a bucket may mix prefixes,
    // which the match check sorts out.
    static std::size_t key(std::uint8_t a, std::uint8_t b) { return (a * 31u + b) % kBuckets; }

    void remember(std::size_t position) {
        auto& chain = chains_[key(bytes_[position], bytes_[(position + 1) & kMask])];
        for (std::size_t i = chain.size() - 1; i > 0; --i) {
            chain[i] = chain[i - 1];
        }
        chain[0] = static_cast<std::uint16_t>(position);
    }

    // How many bytes a reference to `offset` would reproduce, copying one
    // byte at a time as the decompressor does (a reference may overlap the
    // bytes it is writing). Stale chain entries simply match less.
    std::size_t match_length(std::size_t offset, std::span<const std::uint8_t> input,
                             std::size_t at, std::size_t limit) const {
        // A reference to the write position ends the stream.
        if (offset == write_) {
            return 0;
        }
        std::size_t length = 0;
        while (length < limit) {
            const std::size_t source = (offset + length) & kMask;
            const std::size_t written =
                (source - write_) & kMask;  // distance past the write position
            std::uint8_t byte = 0;
            if (written < length) {
                byte = input[at + written];  // produced earlier by this same reference
            } else if (valid_[source]) {
                byte = bytes_[source];
            } else {
                break;
            }
            if (byte != input[at + length]) {
                break;
            }
            ++length;
        }
        return length;
    }

    std::array<std::uint8_t, kRtfDictionarySize> bytes_{};
    std::array<bool, kRtfDictionarySize> valid_{};
    std::vector<std::array<std::uint16_t, kCandidates>> chains_ = [] {
        std::vector<std::array<std::uint16_t, kCandidates>> chains(kBuckets);
        for (auto& chain : chains) {
            chain.fill(kEmpty);
        }
        return chains;
    }();
    std::size_t write_ = kInitialSize;
};

}  // namespace

std::string_view rtf_initial_dictionary() {
    return {kInitialDictionary, kInitialSize};
}

std::vector<std::uint8_t> rtf_uncompressed(std::span<const std::uint8_t> rtf) {
    const std::uint32_t size = checked_size(rtf.size());
    std::vector<std::uint8_t> out = header(size, size, kRtfUncompressed, 0);
    out.insert(out.end(), rtf.begin(), rtf.end());
    return out;
}

std::vector<std::uint8_t> rtf_compress(std::span<const std::uint8_t> rtf) {
    checked_size(rtf.size());
    Dictionary dictionary;
    std::vector<std::uint8_t> contents;
    std::size_t control_at = 0;
    unsigned tokens = 8;  // tokens in the current run; 8 starts a new run
    auto next_token = [&](bool reference) {
        if (tokens == 8) {
            control_at = contents.size();
            contents.push_back(0);
            tokens = 0;
        }
        if (reference) {
            contents[control_at] |= static_cast<std::uint8_t>(1u << tokens);
        }
        ++tokens;
    };
    auto put_reference = [&](std::size_t offset, std::size_t length) {
        next_token(true);
        const auto word = static_cast<std::uint16_t>(offset << 4 | (length - kMinMatch));
        contents.push_back(static_cast<std::uint8_t>(word >> 8));  // big-endian
        contents.push_back(static_cast<std::uint8_t>(word));
    };

    std::size_t at = 0;
    while (at < rtf.size()) {
        const auto [offset, length] = dictionary.longest_match(rtf, at);
        if (length >= kMinMatch) {
            put_reference(offset, length);
            for (std::size_t k = 0; k < length; ++k) {
                dictionary.append(rtf[at + k]);
            }
            at += length;
        } else {
            next_token(false);
            contents.push_back(rtf[at]);
            dictionary.append(rtf[at]);
            ++at;
        }
    }
    // The end marker: a reference to the current write position.
    next_token(true);
    const auto end = static_cast<std::uint16_t>(dictionary.write_position() << 4);
    contents.push_back(static_cast<std::uint8_t>(end >> 8));
    contents.push_back(static_cast<std::uint8_t>(end));

    const std::uint32_t crc = compute_crc(contents);
    std::vector<std::uint8_t> out =
        header(checked_size(contents.size()), checked_size(rtf.size()), kRtfCompressed, crc);
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

}  // namespace pstbuild
