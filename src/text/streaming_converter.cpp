#include "text/streaming_converter.h"

#include <stdexcept>

#include "platform/system_log.h"
#include "text/icu_converter.h"

namespace mailwright::text {
namespace {

[[noreturn]] void log_and_fail(const char* message) {
    platform::log_line(message);
    throw std::runtime_error(message);
}

}  // namespace

StreamingConverter::StreamingConverter(const TextEncodingItem& from, const TextEncodingItem& to)
    : from_(from), to_(to) {
    if (from_.isNull()) {
        log_and_fail("StreamingConverter: Invalid source converter.");
    }
    if (to_.isNull()) {
        log_and_fail("StreamingConverter: Invalid target converter.");
    }
}

std::string StreamingConverter::convert(ByteInput block, bool last) {
    std::string out;
    convert(block, last, out);
    return out;
}

void StreamingConverter::convert(ByteInput block, bool last, std::string& out) {
    pivot_.clear();
    // With last false, ICU keeps an incomplete trailing byte sequence in the
    // source converter and a trailing lead surrogate in the target converter.
    if (!detail::append_to_utf16(from_.getAlias(), block.data(), block.size(), last, pivot_)) {
        reset();
        log_and_fail("StreamingConverter: ucnv_toUnicode failed.");
    }
    if (!detail::append_from_utf16(to_.getAlias(), pivot_.data(), pivot_.size(), last, out)) {
        reset();
        log_and_fail("StreamingConverter: ucnv_fromUnicode failed.");
    }
    if (last) {
        reset();
    }
}

void StreamingConverter::reset() {
    ucnv_reset(from_.getAlias());
    ucnv_reset(to_.getAlias());
    pivot_.clear();
}

}  // namespace mailwright::text
