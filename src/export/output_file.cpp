#include "export/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "export/output_paths.h"

namespace mailwright::exporting {

OutputFile OutputFile::open(const std::string& path, Mode mode) {
    OutputFile file;
    file.m_path = path;
    if (IsOutputPathTooLong(path)) {
        file.m_error = ENAMETOOLONG;
        return file;
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::append ? O_APPEND : O_EXCL);
    do {
        file.m_fd = ::open(path.c_str(), flags, 0666);
    } while (file.m_fd < 0 && errno == EINTR);
    if (file.m_fd < 0) {
        file.m_error = errno;
        return file;
    }
    struct stat info {};
    if (::fstat(file.m_fd, &info) != 0) {
        file.m_error = errno;
        file.close();
        return file;
    }
    file.m_position = static_cast<std::uint64_t>(info.st_size);
    return file;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_error(other.m_error),
      m_position(other.m_position),
      m_path(std::move(other.m_path)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
        m_position = other.m_position;
        m_path = std::move(other.m_path);
    }
    return *this;
}

OutputFile::~OutputFile() {
    close();
}

bool OutputFile::write(std::string_view data) {
    if (m_fd < 0) {
        if (m_error == 0) {
            m_error = EBADF;
        }
        return false;
    }
    const std::uint64_t start = m_position;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(m_fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (m_error == 0) {
                m_error = n < 0 ? errno : ENOSPC;
            }
            // Take the partial item back off so the file ends with whole items.
            if (done > 0) {
                [[maybe_unused]] const int cut = ::ftruncate(m_fd, static_cast<off_t>(start));
                m_position = start;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
        m_position += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool OutputFile::close() {
    if (m_fd < 0) {
        return m_error == 0;
    }
    // The descriptor is given up whatever close reports: closing it again
    // after an error could close a descriptor another thread has opened.
    if (::close(std::exchange(m_fd, -1)) != 0 && m_error == 0) {
        m_error = errno;
    }
    return m_error == 0;
}

std::string OutputFile::errorText() const {
    if (m_error == 0) {
        return {};
    }
    return std::strerror(m_error);
}

}  // namespace mailwright::exporting
