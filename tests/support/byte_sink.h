// Where the builder's bytes go: a growing memory buffer, or a file written in
// place so that multi-gigabyte files never sit in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pstbuild {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes the bytes at an absolute offset; gaps before it read as zeros.
    virtual void write(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // Makes the output at least `size` bytes long, zero-filled.
    virtual void extend_to(std::uint64_t size) = 0;
};

class MemorySink : public ByteSink {
public:
    void write(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    void extend_to(std::uint64_t size) override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

class FileSink : public ByteSink {
public:
    // Creates or truncates the file; throws std::runtime_error on failure.
    explicit FileSink(const std::string& path);
    void write(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    void extend_to(std::uint64_t size) override;
    // Flushes and closes; throws std::runtime_error when that fails.
    void close();

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::string path_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::uint64_t end_ = 0;
};

}  // namespace pstbuild
