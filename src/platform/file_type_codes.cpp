#include "platform/file_type_codes.h"

#include <sys/xattr.h>

#include <array>

namespace mailwright::platform {
namespace {

bool set_code(const std::string& path, const char* name, std::uint32_t code) {
    const std::string text = FourCharacterCode(code);
    return ::setxattr(path.c_str(), name, text.data(), text.size(), 0) == 0;
}

std::optional<std::uint32_t> get_code(const std::string& path, const char* name) {
    std::array<unsigned char, 4> text{};
    if (::getxattr(path.c_str(), name, text.data(), text.size()) != 4) {
        return std::nullopt;
    }
    return std::uint32_t{text[0]} << 24 | std::uint32_t{text[1]} << 16 |
           std::uint32_t{text[2]} << 8 | std::uint32_t{text[3]};
}

}  // namespace

std::string FourCharacterCode(std::uint32_t code) {
    return {static_cast<char>(code >> 24), static_cast<char>(code >> 16),
            static_cast<char>(code >> 8), static_cast<char>(code)};
}

bool SetFileTypeAndCreatorCodes(const std::string& path, std::uint32_t type,
                                std::uint32_t creator) {
    return set_code(path, kFileTypeAttribute, type) &&
           set_code(path, kFileCreatorAttribute, creator);
}

std::optional<FileCodes> GetFileTypeAndCreatorCodes(const std::string& path) {
    const auto type = get_code(path, kFileTypeAttribute);
    const auto creator = get_code(path, kFileCreatorAttribute);
    if (!type || !creator) {
        return std::nullopt;
    }
    return FileCodes{*type, *creator};
}

}  // namespace mailwright::platform
