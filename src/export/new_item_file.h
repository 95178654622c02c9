// The file of one item among the files of a folder: a new file named after
// the item's subject and its number in the folder.
#pragma once

#include <cstdint>
#include <string>

namespace mailwright::exporting {

// Writes `text` to a new file "<safe subject>_<number>.<extension>" in
// `folder` (" (2)" and so on before the extension when the name is taken;
// "--------_<number>" when the subject's name cannot be opened). Names
// already there are never written into. False, after logging why and
// removing any half-written file, when the text could not be written; then
// `failure`, when given, gets the file and the system's reason.
bool WriteNewItemFile(const std::string& folder, const std::string& subject, std::uint32_t number,
                      const std::string& extension, const std::string& text,
                      std::string* failure = nullptr);

// Writes `text` to the new file `path`, which must not exist yet. False,
// after logging why and removing any half-written file, when it could not
// be written.
bool WriteNewFile(const std::string& path, const std::string& text);

}  // namespace mailwright::exporting
