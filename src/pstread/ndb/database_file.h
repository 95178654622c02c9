// Read-only access to the bytes of one PST file, by absolute offset and
// exact length. A file on disk or a buffer in memory (tests, fuzzing).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "pstread/ndb/types.h"

namespace pstread {

class database_file {
public:
    // Opens the file read-only; throws std::runtime_error with the system's
    // text for the failure ("No such file or directory", "Permission
    // denied"), "is a folder, not a file" or "not a regular file".
    explicit database_file(const std::string& path);
    // Serves reads from a copy of `contents`; `name` stands in for a path.
    database_file(byte_buffer contents, std::string name);
    ~database_file();

    database_file(const database_file&) = delete;
    database_file& operator=(const database_file&) = delete;

    // Fills `buffer` from `offset`. Throws database_corrupt "fseek failed:
    // ..." when the offset cannot be addressed and "fread failed: ..." (with
    // the offset and length) when fewer bytes than requested are available.
    // Returns the byte count.
    std::size_t read(std::span<std::uint8_t> buffer, std::uint64_t offset) const;

    const std::string& path() const { return m_path; }
    // The file's actual size at the time it was opened.
    std::uint64_t size() const { return m_size; }

private:
    std::string m_path;
    int m_fd = -1;
    byte_buffer m_contents;
    std::uint64_t m_size = 0;
};

}  // namespace pstread
