#include "export/new_item_file.h"

#include <unistd.h>

#include <cerrno>

#include "export/output_file.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

// A new file named `stem` (+ " (%i)" when taken) in `folder`.
OutputFile create_item_file(const std::string& folder, const std::string& stem,
                            const std::string& extension) {
    OutputFile file;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file = OutputFile::open(UniquePath(folder, stem, extension), OutputFile::Mode::createNew);
        if (file.isOpen() || file.errorNumber() != EEXIST) {
            break;
        }
    }
    return file;
}

// Writes the whole text and closes the file; on failure the file is
// removed, so that no half-written item is left.
bool write_item_file(OutputFile& file, const std::string& text, std::string& failure) {
    const bool written = file.write(text);
    const bool closed = file.close();
    if (written && closed) {
        return true;
    }
    failure = "cannot write " + file.path() + ": " + file.errorText();
    platform::log_line(failure);
    ::unlink(file.path().c_str());
    return false;
}

}  // namespace

bool WriteNewItemFile(const std::string& folder, const std::string& subject, std::uint32_t number,
                      const std::string& extension, const std::string& text, std::string* failure) {
    std::string why;
    const std::string suffix = "_" + std::to_string(number);
    OutputFile file = create_item_file(folder, SafeNameStem(subject) + suffix, extension);
    if (!file.isOpen()) {
        platform::log_line("File opening failed for " + file.path() + ".");
        file = create_item_file(folder, "--------" + suffix, extension);
    }
    if (!file.isOpen()) {
        why = "cannot create " + file.path() + ": " + file.errorText();
        platform::log_line(why);
    } else if (write_item_file(file, text, why)) {
        return true;
    }
    if (failure != nullptr) {
        *failure = why;
    }
    return false;
}

bool WriteNewFile(const std::string& path, const std::string& text) {
    OutputFile file = OutputFile::open(path, OutputFile::Mode::createNew);
    if (!file.isOpen()) {
        platform::log_line("File opening failed for " + path + ": " + file.errorText());
        return false;
    }
    std::string failure;
    return write_item_file(file, text, failure);
}

}  // namespace mailwright::exporting
