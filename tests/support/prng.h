// A small deterministic pseudo-random generator (SplitMix64) for generated
// mailboxes: the same seed gives the same sequence on every platform, which
// std::uniform_int_distribution does not promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pstbuild {

class Prng {
public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}

    // A generator for one item of a larger whole: the same (seed, stream,
    // index) always starts the same sequence, whatever was drawn before.
    static Prng for_item(std::uint64_t seed, std::uint64_t stream, std::uint64_t index) {
        Prng mixer(seed ^ (stream * 0x9E3779B97F4A7C15ull));
        mixer.state_ ^= mixer.next() + index * 0xD1B54A32D192ED03ull;
        return Prng(mixer.next());
    }

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, bound); bound 0 gives 0. The slight modulo bias does not
    // matter for test data.
    std::uint64_t below(std::uint64_t bound) { return bound == 0 ? 0 : next() % bound; }

    // Uniform in [low, high].
    std::uint64_t between(std::uint64_t low, std::uint64_t high) {
        return low + below(high - low + 1);
    }

    // True with the probability percent / 100.
    bool chance(unsigned percent) { return below(100) < percent; }

    template <typename T>
    const T& pick(std::span<const T> items) {
        return items[static_cast<std::size_t>(below(items.size()))];
    }

    // Fills the bytes with pseudo-random values, eight at a time.
    void fill(std::span<std::uint8_t> bytes) {
        std::size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) {
            const std::uint64_t v = next();
            for (std::size_t k = 0; k < 8; ++k) {
                bytes[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
            }
        }
        const std::uint64_t v = next();
        for (std::size_t k = 0; i < bytes.size(); ++i, ++k) {
            bytes[i] = static_cast<std::uint8_t>(v >> (8 * k));
        }
    }

private:
    std::uint64_t state_;
};

}  // namespace pstbuild
