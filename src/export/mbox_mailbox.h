// One mailbox file of a folder's MBOX export. When a size limit is set, a
// mailbox that would grow past it is split: the first time, "X.mbox" is
// renamed "X_Part_0.mbox", and every split continues in the next part,
// "X_Part_1.mbox", "X_Part_2.mbox" and so on. A mailbox that never
// overflows keeps its plain name. Existing files are never replaced: a part
// name that is taken is passed over for the next free one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/output_file.h"

namespace mailwright::exporting {

class SplittableMailbox {
public:
    // Opens `path` for appending; check isOpen().
    explicit SplittableMailbox(std::string path);

    bool isOpen() const { return m_file.isOpen(); }
    // The file now written: the plain path or the current part.
    const std::string& currentPath() const { return m_file.path(); }
    std::uint64_t position() const { return m_file.position(); }

    // Splits first when the current part's size plus `storedSize` x 1.4
    // (room for encoding growth) would pass `limitBytes`. The check is made
    // before every message, so a message that alone passes the limit
    // always starts a new part.
    void splitIfOver(std::uint64_t storedSize, std::uint64_t limitBytes);

    // Appends a whole message; false (and the mailbox as before) on failure.
    // A part closed at a split that reported a delayed write error fails
    // the next write too.
    bool write(std::string_view text);
    // False when the last part could not be written completely.
    bool close() { return m_file.close() && m_earlierError.empty(); }
    std::string errorText() const;

private:
    void split();
    std::string partPath(std::uint32_t part) const;
    // The first part number from `from` whose file does not exist.
    std::uint32_t freePart(std::uint32_t from) const;

    std::string m_path;
    std::string m_stem;  // m_path without ".mbox"
    std::uint32_t m_part = 0;
    OutputFile m_file;
    std::string m_earlierError;  // of a part closed at a split
};

}  // namespace mailwright::exporting
