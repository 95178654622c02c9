#include "platform/standard_user_defaults.h"

#include <memory>

#include "platform/file_user_defaults.h"
#include "platform/property_list_reader.h"
#include "platform/user_defaults_resource.h"

namespace mailwright::platform {
namespace {

std::unique_ptr<UserDefaults> make_standard_defaults() {
    std::unique_ptr<UserDefaults> defaults;
    if (const auto location = FileUserDefaults::defaultLocation()) {
        defaults = std::make_unique<FileUserDefaults>(*location);
    } else {
        defaults = std::make_unique<InMemoryUserDefaults>();
    }
    registerResourceDefaults(*defaults);
    return defaults;
}

}  // namespace

void registerResourceDefaults(UserDefaults& defaults) {
    defaults.registerDefaults(readPropertyList(userDefaultsResource()));
}

UserDefaults& standardUserDefaults() {
    static const std::unique_ptr<UserDefaults> defaults = make_standard_defaults();
    return *defaults;
}

}  // namespace mailwright::platform
