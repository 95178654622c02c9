#include "targets/archive_package.h"

#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "platform/file_type_codes.h"
#include "platform/system_log.h"

namespace mailwright::targets {
namespace {

namespace fs = std::filesystem;

// Copies one resource; false (after logging why) when it is missing or the
// copy failed.
bool copy_resource(const std::string& resourceDirectory, const std::string& resource,
                   const std::string& destination) {
    std::error_code error;
    const std::string source = exporting::JoinPath(resourceDirectory, resource);
    if (resourceDirectory.empty() || !fs::is_regular_file(source, error)) {
        platform::log_line("Package part " + destination + " left out: no resource " + resource +
                           ".");
        return false;
    }
    fs::copy_file(source, destination, fs::copy_options::overwrite_existing, error);
    if (error) {
        platform::log_line("Package part " + destination + " left out: " + error.message() + ".");
        return false;
    }
    return true;
}

}  // namespace

void WritePackageParts(const std::string& package, const std::string& resourceDirectory) {
    const std::string description = exporting::JoinPath(package, "Archive.xml");
    if (copy_resource(resourceDirectory, kArchiveDescriptionResource, description)) {
        platform::SetFileTypeAndCreatorCodes(description, exporting::kFileTypeTEXT,
                                             exporting::kCreatorOPIM);
    }
    const std::string contents = exporting::JoinPath(package, "Contents");
    std::error_code error;
    fs::create_directory(contents, error);
    copy_resource(resourceDirectory, kBundleInfoResource,
                  exporting::JoinPath(contents, "Info.plist"));
    copy_resource(resourceDirectory, kBundlePkgInfoResource,
                  exporting::JoinPath(contents, "PkgInfo"));
}

}  // namespace mailwright::targets
