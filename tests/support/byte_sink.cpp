#include "support/byte_sink.h"

#include <sys/types.h>
#include <algorithm>
#include <stdexcept>

namespace pstbuild {

void MemorySink::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    const std::uint64_t end = offset + bytes.size();
    if (end > bytes_.size()) {
        bytes_.resize(end, 0);
    }
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void MemorySink::extend_to(std::uint64_t size) {
    if (size > bytes_.size()) {
        bytes_.resize(size, 0);
    }
}

FileSink::FileSink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) {
        throw std::runtime_error("cannot create " + path);
    }
}

void FileSink::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!file_) {
        throw std::logic_error("write after close of " + path_);
    }
    if (fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        throw std::runtime_error("cannot write " + path_);
    }
    end_ = std::max<std::uint64_t>(end_, offset + bytes.size());
}

void FileSink::extend_to(std::uint64_t size) {
    if (size > end_) {
        const std::uint8_t zero = 0;
        write(size - 1, std::span<const std::uint8_t>(&zero, 1));
    }
}

void FileSink::close() {
    if (file_ && std::fclose(file_.release()) != 0) {
        throw std::runtime_error("cannot close " + path_);
    }
}

}  // namespace pstbuild
