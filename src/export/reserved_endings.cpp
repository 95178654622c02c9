#include "export/reserved_endings.h"

#include <algorithm>
#include <cctype>

namespace mailwright::exporting {
namespace {

bool ends_with_ignoring_case(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - ending.size(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

std::string AvoidReservedEnding(std::string name, const std::vector<std::string_view>& endings) {
    for (const std::string_view ending : endings) {
        if (ends_with_ignoring_case(name, ending)) {
            name += '_';
            break;
        }
    }
    return name;
}

}  // namespace mailwright::exporting
