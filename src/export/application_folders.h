// The top folders of the application destinations in the folder the user
// chose: made before a run for the kinds it selects, and during a run when
// a folder holds items of a kind that was not selected (a contact among
// mail). Each is named uniquely in the chosen folder ("Mails", then
// "Mails (1)" on a second run into the same folder, and so on).
#pragma once

#include <optional>
#include <string>
#include <system_error>

namespace mailwright::exporting {

// A folder or file that was made, or the path that could not be made and
// the system's reason.
struct MadePath {
    std::string path;
    std::error_code error;

    bool made() const { return !error; }
};

// `path` as a folder, with its missing parents.
MadePath MakeFolder(const std::string& path);
// parent / name (+ "." + extension), or the first free "name (N)", as a
// new folder.
MadePath MakeUniqueFolder(const std::string& parent, const std::string& name,
                          const std::optional<std::string>& extension = std::nullopt);

// Thunderbird's "Mails" in `chosen`, holding the empty mailbox "Mails" and
// its folder "Mails.sbd", the mail base folder, which is returned.
MadePath MakeThunderbirdMailBase(const std::string& chosen);
// Apple's "Mails" in `chosen`, itself the mail base folder.
MadePath MakeAppleMailBase(const std::string& chosen);

}  // namespace mailwright::exporting
