#include "export/mbox_mailbox.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "export/output_paths.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

constexpr std::string_view kMailboxExtension = ".mbox";

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// Renames without replacing an existing file.
bool rename_no_replace(const std::string& from, const std::string& to) {
    if (IsOutputPathTooLong(to)) {
        errno = ENAMETOOLONG;
        return false;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // File systems without RENAME_NOREPLACE: check, then rename.
    return !exists(to) && std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

SplittableMailbox::SplittableMailbox(std::string path)
    : m_path(std::move(path)),
      m_stem(m_path.ends_with(kMailboxExtension)
                 ? m_path.substr(0, m_path.size() - kMailboxExtension.size())
                 : m_path),
      m_file(OutputFile::open(m_path, OutputFile::Mode::append)) {
    if (!m_file.isOpen()) {
        platform::log_line("File opening failed for " + m_path + ".");
    }
}

std::string SplittableMailbox::partPath(std::uint32_t part) const {
    return m_stem + "_Part_" + std::to_string(part) + std::string(kMailboxExtension);
}

std::uint32_t SplittableMailbox::freePart(std::uint32_t from) const {
    std::uint32_t part = from;
    while (exists(partPath(part)) && part < UINT32_MAX) {
        ++part;
    }
    return part;
}

void SplittableMailbox::splitIfOver(std::uint64_t storedSize, std::uint64_t limitBytes) {
    // position + storedSize x 1.4 > limit, in integers.
    if (limitBytes > 0 && m_file.isOpen() &&
        m_file.position() * 10 + storedSize * 14 > limitBytes * 10) {
        split();
    }
}

bool SplittableMailbox::write(std::string_view text) {
    return m_earlierError.empty() && m_file.write(text);
}

std::string SplittableMailbox::errorText() const {
    return m_earlierError.empty() ? m_file.errorText() : m_earlierError;
}

void SplittableMailbox::split() {
    if (!m_file.close() && m_earlierError.empty()) {
        m_earlierError = m_file.path() + ": " + m_file.errorText();
        platform::log_line("SplitFile(): " + m_earlierError);
    }
    if (m_part == 0) {
        const std::uint32_t renamed = freePart(0);
        if (rename_no_replace(m_path, partPath(renamed))) {
            m_part = renamed;
        } else {
            platform::log_line("SplitFile(): Error renaming file.");
        }
    }
    m_part = freePart(m_part + 1);
    m_file = OutputFile::open(partPath(m_part), OutputFile::Mode::append);
    if (!m_file.isOpen()) {
        platform::log_line("SplitFile(): Fail to open file stream.");
    }
}

}  // namespace mailwright::exporting
