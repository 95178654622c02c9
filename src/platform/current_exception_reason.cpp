#include "platform/current_exception_reason.h"

#include <exception>

namespace mailwright::platform {

std::string CurrentExceptionReason() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

}  // namespace mailwright::platform
