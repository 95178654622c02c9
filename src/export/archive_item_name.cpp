#include "export/archive_item_name.h"

namespace mailwright::exporting {
namespace {

constexpr std::size_t kNumberPlaces = 8;

}  // namespace

std::string ArchiveItemName(std::string_view prefix, std::uint32_t number) {
    std::string letters = std::to_string(number);
    for (char& digit : letters) {
        digit = static_cast<char>('A' + (digit - '0'));
    }
    const std::size_t zeros = letters.size() < kNumberPlaces ? kNumberPlaces - letters.size() : 0;
    return std::string(prefix) + std::string(zeros, '0') + letters;
}

}  // namespace mailwright::exporting
