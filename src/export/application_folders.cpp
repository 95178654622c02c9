#include "export/application_folders.h"

#include <cerrno>
#include <filesystem>

#include "export/output_file.h"
#include "export/output_paths.h"

namespace mailwright::exporting {

MadePath MakeFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error && !std::filesystem::is_directory(path, error) && !error) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    return {path, error};
}

MadePath MakeUniqueFolder(const std::string& parent, const std::string& name,
                          const std::optional<std::string>& extension) {
    if (parent.empty()) {
        return {name, std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    return MakeFolder(UniquePath(parent, name, extension));
}

MadePath MakeThunderbirdMailBase(const std::string& chosen) {
    const MadePath mails = MakeUniqueFolder(chosen, "Mails");
    if (!mails.made()) {
        return mails;
    }
    const std::string topMailbox = JoinPath(mails.path, "Mails");
    OutputFile file = OutputFile::open(topMailbox, OutputFile::Mode::append);
    if (!file.isOpen() || !file.close()) {
        const int number = file.errorNumber() != 0 ? file.errorNumber() : EIO;
        return {topMailbox, std::error_code(number, std::generic_category())};
    }
    return MakeFolder(topMailbox + ".sbd");
}

MadePath MakeAppleMailBase(const std::string& chosen) {
    return MakeUniqueFolder(chosen, "Mails");
}

}  // namespace mailwright::exporting
