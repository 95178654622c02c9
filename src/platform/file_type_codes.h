// File type and creator codes (four-character codes such as 'MBOX' and
// 'OPIM' that some mail programs look for) kept as extended attributes:
// "user.mailwright.type" and "user.mailwright.creator", each holding the
// four characters. Where the file system has no extended attributes the
// codes are simply not stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mailwright::platform {

inline constexpr const char* kFileTypeAttribute = "user.mailwright.type";
inline constexpr const char* kFileCreatorAttribute = "user.mailwright.creator";

// The four characters of a code, most significant byte first ('MBOX' for
// 0x4D424F58).
std::string FourCharacterCode(std::uint32_t code);

// Stores both codes on the file; false when they could not be stored (no
// extended attributes here, no such file), which callers may ignore.
bool SetFileTypeAndCreatorCodes(const std::string& path, std::uint32_t type, std::uint32_t creator);

// The stored type and creator codes, when both are there.
struct FileCodes {
    std::uint32_t type = 0;
    std::uint32_t creator = 0;
};
std::optional<FileCodes> GetFileTypeAndCreatorCodes(const std::string& path);

}  // namespace mailwright::platform
