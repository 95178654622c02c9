#include "pstread/ndb/database_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"
#include "pstread/ndb/little_endian.h"

namespace pstread {

database_file::database_file(const std::string& path) : m_path(path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    struct stat status {};
    const bool stated = ::fstat(m_fd, &status) == 0;
    const int error = errno;
    if (!stated || !S_ISREG(status.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        throw std::runtime_error(!stated                   ? std::strerror(error)
                                 : S_ISDIR(status.st_mode) ? "is a folder, not a file"
                                                           : "not a regular file");
    }
    m_size = static_cast<std::uint64_t>(status.st_size);
}

database_file::database_file(byte_buffer contents, std::string name)
    : m_path(std::move(name)), m_contents(std::move(contents)), m_size(m_contents.size()) {}

database_file::~database_file() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::size_t database_file::read(std::span<std::uint8_t> buffer, std::uint64_t offset) const {
    // Offsets come from the file's own structures, so a read the file
    // cannot serve is a fault of the file.
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        throw database_corrupt("fseek failed: offset " + to_hex(offset) + " cannot be addressed");
    }
    if (!range_fits(offset, buffer.size(), m_size)) {
        throw database_corrupt("fread failed: " + std::to_string(buffer.size()) +
                               " bytes at offset " + to_hex(offset) + " of a file of " +
                               std::to_string(m_size) + " bytes");
    }
    if (buffer.empty()) {
        return 0;
    }
    if (m_fd < 0) {
        std::memcpy(buffer.data(), m_contents.data() + offset, buffer.size());
        return buffer.size();
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::pread(m_fd, buffer.data() + done, buffer.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw database_corrupt("fread failed: " + std::to_string(buffer.size() - done) +
                                   " bytes at offset " + to_hex(offset + done) + ": " +
                                   (got < 0 ? std::strerror(errno) : "the file ended"));
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace pstread
