// Sets the TZ environment variable for one scope and makes the system time
// zone follow it; the previous setting comes back at the end of the scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "text/time_zone.h"

namespace mailwright::text::testing {

class ScopedSystemTimeZone {
public:
    explicit ScopedSystemTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        setenv("TZ", tz, 1);
        reload_system_time_zone();
    }
    ~ScopedSystemTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        reload_system_time_zone();
    }
    ScopedSystemTimeZone(const ScopedSystemTimeZone&) = delete;
    ScopedSystemTimeZone& operator=(const ScopedSystemTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

}  // namespace mailwright::text::testing
