// The one sanitiser for every file and folder name made from PST text
// (folder names, subjects).
//
// A name of 65 characters or more keeps its first 60 and gets "..."; ":"
// becomes "-" and "/" becomes U+2215 DIVISION SLASH; control characters
// (NUL included) become "_"; and the name is cut on a character boundary,
// again ending in "...", so that it stays within kMaxSafeNameBytes bytes of
// UTF-8 and leaves room for the suffixes the exporters append ("_Part_%i.mbox",
// "_%i.eml", " (%i)") within the 255 bytes a file system allows per name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailwright::exporting {

// Bytes a name may take so that the longest suffix an exporter appends
// ("_Part_4294967295.mbox", 21 bytes) still fits in 255.
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kNameSuffixReserve = 24;
constexpr std::size_t kMaxSafeNameBytes = kMaxNameBytes - kNameSuffixReserve;

// The sanitised text of a name to which a suffix is appended before it is
// used (an EML file name "%@_%i.eml"): may be empty or consist of dots.
// Invalid UTF-8 bytes become U+FFFD.
std::string SafeNameStem(std::string_view text);

// The name of a whole path component (a folder, a mailbox): the stem, with
// a visible substitute for a name that would not name a place of its own:
// "" gives "(no name)", "." gives "_." and ".." gives "_..".
std::string SafeName(std::string_view text);

// The longest prefix of `text` of at most `max_bytes` bytes that ends on a
// UTF-8 character boundary, followed by "..." when something was cut so
// that the whole stays within `max_bytes` (max_bytes >= 3).
std::string CutToBytes(std::string_view text, std::size_t max_bytes);

// The number of characters (code points) in UTF-8 text; an invalid byte
// counts as one.
std::size_t CharacterCount(std::string_view text);

}  // namespace mailwright::exporting
