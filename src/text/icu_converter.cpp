#include "text/icu_converter.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace mailwright::text::detail {
namespace {

// First guess of the output room: most conversions produce at most a few
// units per input unit; the loops below double the room when it runs out.
constexpr std::size_t kMinimumRoom = 64;

std::size_t grown(std::size_t current_room) {
    return std::max(current_room * 2, kMinimumRoom);
}

// Idle converters kept per thread; a text rarely needs more than a few at
// once, so the pool stays small and is searched in order.
constexpr std::size_t kPoolLimit = 16;

// Cleared when the thread's pool is destroyed: a converter given back after
// that (by another thread-local object) is closed instead.
thread_local bool t_pool_open = false;

struct converter_pool {
    converter_pool() { t_pool_open = true; }
    ~converter_pool() { t_pool_open = false; }
    std::vector<std::pair<std::string, icu::LocalUConverterPointer>> idle;
};

converter_pool& thread_pool() {
    thread_local converter_pool pool;
    return pool;
}

}  // namespace

pooled_converter::pooled_converter(const char* name) : name_(name != nullptr ? name : "") {
    if (name == nullptr) {
        return;
    }
    auto& idle = thread_pool().idle;
    for (auto it = idle.rbegin(); it != idle.rend(); ++it) {
        if (it->first == name_) {
            converter_ = it->second.orphan();
            idle.erase(std::next(it).base());
            return;
        }
    }
    converter_ = open_converter(name).orphan();
}

pooled_converter::pooled_converter(const TextEncodingItem& row)
    : pooled_converter(ConverterName(row)) {}

pooled_converter::~pooled_converter() {
    if (converter_ == nullptr) {
        return;
    }
    icu::LocalUConverterPointer converter(converter_);
    if (!t_pool_open) {
        return;
    }
    auto& idle = thread_pool().idle;
    if (idle.size() < kPoolLimit) {
        ucnv_reset(converter.getAlias());
        idle.emplace_back(std::move(name_), std::move(converter));
    }
}

pooled_converter::pooled_converter(pooled_converter&& other) noexcept
    : name_(std::move(other.name_)), converter_(std::exchange(other.converter_, nullptr)) {}

pooled_converter& pooled_converter::operator=(pooled_converter&& other) noexcept {
    std::swap(name_, other.name_);
    std::swap(converter_, other.converter_);
    return *this;
}

icu::LocalUConverterPointer open_converter(const char* name) {
    if (name == nullptr) {
        return icu::LocalUConverterPointer();
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::LocalUConverterPointer converter(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
        return icu::LocalUConverterPointer();
    }
    return converter;
}

icu::LocalUConverterPointer open_converter(const TextEncodingItem& row) {
    return open_converter(ConverterName(row));
}

bool append_to_utf16(UConverter* converter, const char* data, std::size_t size, bool flush,
                     std::u16string& out) {
    static const char kEmpty[1] = {};
    const char* source = data != nullptr ? data : kEmpty;
    const char* const source_end = source + (data != nullptr ? size : 0);
    std::size_t written = out.size();
    std::size_t room = std::max(size + size / 2, kMinimumRoom);
    for (;;) {
        out.resize(written + room);
        char16_t* target = out.data() + written;
        char16_t* const target_end = out.data() + out.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(converter, &target, target_end, &source, source_end, nullptr, flush,
                       &status);
        written = static_cast<std::size_t>(target - out.data());
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            room = grown(room);
            continue;
        }
        out.resize(written);
        return U_SUCCESS(status);
    }
}

bool append_from_utf16(UConverter* converter, const char16_t* data, std::size_t size, bool flush,
                       std::string& out) {
    static const char16_t kEmpty[1] = {};
    const char16_t* source = data != nullptr ? data : kEmpty;
    const char16_t* const source_end = source + (data != nullptr ? size : 0);
    std::size_t written = out.size();
    std::size_t room = std::max(size * 2, kMinimumRoom);
    for (;;) {
        out.resize(written + room);
        char* target = out.data() + written;
        char* const target_end = out.data() + out.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(converter, &target, target_end, &source, source_end, nullptr, flush,
                         &status);
        written = static_cast<std::size_t>(target - out.data());
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            room = grown(room);
            continue;
        }
        out.resize(written);
        return U_SUCCESS(status);
    }
}

}  // namespace mailwright::text::detail
