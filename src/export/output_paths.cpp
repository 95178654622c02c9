#include "export/output_paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "export/earlier_conversions.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;

// Folder trees are at most a few hundred levels deep (the reader refuses
// deeper ones); the walk up stops here whatever the parents say.
constexpr std::size_t kMaxAncestry = 1024;

// How many "%@ (%i)" names are tried for a folder whose name is taken by a
// file before giving up.
constexpr int kMaxFolderNameTries = 1000;

bool exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool is_directory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string numbered(const std::string& name, std::uint64_t n) {
    return name + " (" + std::to_string(n) + ")";
}

// parent / name as a folder: reused when it is one, created when free;
// "name (N)" when a file has the name. When creating fails for another
// reason the plain path is returned and the first write reports the error.
std::string ensure_folder(const std::string& parent, const std::string& name) {
    for (int n = 0; n <= kMaxFolderNameTries; ++n) {
        const std::string path = JoinPath(parent, n == 0 ? name : numbered(name, n));
        if (is_directory(path)) {
            return path;
        }
        if (!exists(path)) {
            std::error_code error;
            fs::create_directory(path, error);
            return error && !is_directory(path) ? JoinPath(parent, name) : path;
        }
    }
    return JoinPath(parent, name);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    if (folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

std::vector<std::shared_ptr<model::MAPIFolder>> FolderAncestry(
    const std::shared_ptr<model::MAPIFolder>& folder) {
    std::vector<std::shared_ptr<model::MAPIFolder>> ancestry;
    for (auto f = folder; f && ancestry.size() < kMaxAncestry; f = f->parentFolder()) {
        ancestry.push_back(f);
    }
    return ancestry;
}

std::string PSTFileName(const std::string& pstFilePath) {
    const std::size_t slash = pstFilePath.find_last_of('/');
    const std::string name =
        slash == std::string::npos ? pstFilePath : pstFilePath.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        return SafeName(name);
    }
    return CutToBytes(name, kMaxSafeNameBytes);
}

std::string PSTFileName(const model::PSTSession& session) {
    return PSTFileName(session.pstFilePath());
}

bool EnsureFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
    }
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::string PSTOutputName(const model::MAPIFolder& folder, std::int32_t suffix) {
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    const std::string name = session ? PSTFileName(*session) : SafeName("");
    return suffix == -1 ? name : numbered(name, static_cast<std::uint32_t>(suffix));
}

std::optional<std::string> FolderHierarchy(const std::shared_ptr<model::MAPIFolder>& folder,
                                           const std::string& base, std::int32_t suffix) {
    if (!is_directory(base)) {
        return std::nullopt;
    }
    const auto store = folder->ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    std::string path =
        PSTOutputFolder(base, session ? PSTFileName(*session) : SafeName(""), suffix);
    if (session) {
        MarkConversionSource(path, ConversionSourceOf(session->pstFilePath()));
    }
    const auto ancestry = FolderAncestry(folder);
    for (auto it = ancestry.rbegin(); it != ancestry.rend(); ++it) {
        path = ensure_folder(path, SafeName((*it)->folderName()));
    }
    return path;
}

std::string PSTOutputFolder(const std::string& base, const std::string& pstFileName,
                            std::int32_t suffix) {
    return ensure_folder(base, suffix == -1
                                   ? pstFileName
                                   : numbered(pstFileName, static_cast<std::uint32_t>(suffix)));
}

std::int32_t PSTSuffix(const std::string& base, const std::string& pstFileName) {
    const std::string plain = JoinPath(base, pstFileName);
    if (!exists(plain)) {
        return -1;
    }
    std::int32_t n = 1;
    while (exists(numbered(plain, static_cast<std::uint32_t>(n))) && n < INT32_MAX) {
        ++n;
    }
    return n;
}

std::string UniquePath(const std::string& folder, const std::string& name,
                       const std::optional<std::string>& extension) {
    const auto with_extension = [&](const std::string& stem) {
        return JoinPath(folder, extension ? stem + "." + *extension : stem);
    };
    std::string candidate = with_extension(name);
    for (std::uint64_t n = 1; exists(candidate); ++n) {
        candidate = with_extension(numbered(name, n));
    }
    return candidate;
}

std::optional<std::string> PathTooLong(const std::shared_ptr<model::MAPIFolder>& folder,
                                       const std::string& outputFolder) {
    const auto store = folder->ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    const std::string pstName = session ? PSTFileName(*session) : SafeName("");
    const std::int32_t suffix = PSTSuffix(outputFolder, pstName);
    std::string path = JoinPath(outputFolder, suffix == -1 ? pstName : numbered(pstName, suffix));
    const auto ancestry = FolderAncestry(folder);
    for (auto it = ancestry.rbegin(); it != ancestry.rend(); ++it) {
        path = JoinPath(path, SafeName((*it)->folderName()));
    }
    if (IsOutputPathTooLong(path)) {
        return path;
    }
    return std::nullopt;
}

bool IsOutputPathTooLong(const std::string& path) {
    return CharacterCount(path) > kMaxOutputPathCharacters;
}

}  // namespace mailwright::exporting
