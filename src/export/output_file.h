// An output file written strictly sequentially: opened for appending (an
// existing file is extended) or created new, every write checked, and a
// write that fails cut back off the file so that no half-written item is
// left behind.
//
//   OutputFile mailbox = OutputFile::open(path, OutputFile::Mode::append);
//   if (!mailbox.write(text)) { ... mailbox.errorText() ... }
//   if (!mailbox.close()) { ... }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailwright::exporting {

class OutputFile {
public:
    enum class Mode {
        append,     // create when missing, else write after the existing content
        createNew,  // fail when the path exists
    };

    // A closed file; `isOpen` is false.
    OutputFile() = default;
    // Never throws; check isOpen(). A path longer than the run's limit
    // (IsOutputPathTooLong) is refused with ENAMETOOLONG.
    static OutputFile open(const std::string& path, Mode mode);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    bool isOpen() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }
    // The file's size: where the next write goes.
    std::uint64_t position() const { return m_position; }

    // Writes all of `data`. On failure the file is cut back to its size
    // before the call, the error is kept, and false is returned; a file that
    // is not open fails.
    bool write(std::string_view data);
    // Closes the file; false when closing reported an error (a delayed write
    // error) or an earlier write had failed.
    bool close();

    bool failed() const { return m_error != 0; }
    // The errno value of the first error, 0 when none.
    int errorNumber() const { return m_error; }
    // The system's text for the first error, or empty.
    std::string errorText() const;

private:
    int m_fd = -1;
    int m_error = 0;
    std::uint64_t m_position = 0;
    std::string m_path;
};

}  // namespace mailwright::exporting
