// The naming routines every exporter shares: where a PST folder's output
// goes in a tree that mirrors the PST, the suffix that keeps two PST files
// of the same name apart, names that do not collide, and the path length
// limit. Paths are UTF-8 strings; folders are created as needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mailwright::model {
class MAPIFolder;
class PSTSession;
}  // namespace mailwright::model

namespace mailwright::exporting {

// The longest output path a run accepts, in characters.
constexpr std::size_t kMaxOutputPathCharacters = 1024;

// The folder, its parent, that folder's parent and so on up to the top
// folder (the one without a parent), in that order.
std::vector<std::shared_ptr<model::MAPIFolder>> FolderAncestry(
    const std::shared_ptr<model::MAPIFolder>& folder);

// The name of the folder a PST file's output goes into: the last component
// of the session's path, extension included, cut to leave room for " (%i)".
std::string PSTFileName(const model::PSTSession& session);
std::string PSTFileName(const std::string& pstFilePath);

// The name of the folder (or mailbox) a folder's PST file gets under a mail
// base folder: the PST file name, with " (suffix)" when suffix is not -1.
std::string PSTOutputName(const model::MAPIFolder& folder, std::int32_t suffix);

// `base` / the PST file name (with " (suffix)" when suffix is not -1) / the
// safe name of every folder of the ancestry from the top down, each folder
// created when missing and reused when it exists. A name taken by something
// that is not a folder is passed over for "%@ (%i)" with the first number
// that names a folder or a free place. The PST file's folder gets the marker
// that names the file (MarkConversionSource). Nothing when `base` does not exist;
// other creation errors are left for the first write to report.
std::optional<std::string> FolderHierarchy(const std::shared_ptr<model::MAPIFolder>& folder,
                                           const std::string& base, std::int32_t suffix);

// base / the PST file name (with " (suffix)" when suffix is not -1) as a
// folder, created when missing: the first step of FolderHierarchy.
std::string PSTOutputFolder(const std::string& base, const std::string& pstFileName,
                            std::int32_t suffix);

// -1 when base / name does not exist, else the smallest N from 1 such that
// base / "name (N)" does not exist.
std::int32_t PSTSuffix(const std::string& base, const std::string& pstFileName);

// folder / name (+ "." + extension): the first of that and of the names
// formed with "%@ (%i)" and N = 1, 2, ... that does not exist yet.
std::string UniquePath(const std::string& folder, const std::string& name,
                       const std::optional<std::string>& extension = std::nullopt);

// The folder a run writes the folder's files into: outputFolder / the PST
// file name (with " (N)" when that name is taken there) / the safe name of
// every folder of the ancestry from the top down, when that path has more
// than kMaxOutputPathCharacters characters. The files in it are checked
// whole when they are opened (IsOutputPathTooLong).
std::optional<std::string> PathTooLong(const std::shared_ptr<model::MAPIFolder>& folder,
                                       const std::string& outputFolder);

// Whether a path has more than kMaxOutputPathCharacters characters; no file
// is written at such a path.
bool IsOutputPathTooLong(const std::string& path);

// Creates `path` as an empty file unless something is there already (an
// existing file keeps its content); false when it is not a file afterwards.
bool EnsureFile(const std::string& path);

// Joins a folder and a name with one slash.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace mailwright::exporting
