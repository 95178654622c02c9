#include "platform/system_log.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

namespace mailwright::platform {
namespace {

struct CapturedLog {
    std::mutex mutex;
    std::deque<std::string> lines;
};

CapturedLog& captured_log() {
    static CapturedLog log;
    return log;
}

void open_syslog_once() {
    static std::once_flag once;
    std::call_once(once, [] { openlog("mailwright", LOG_PID, LOG_USER); });
}

thread_local std::vector<std::string>* t_held_lines = nullptr;

}  // namespace

void hold_thread_log_lines(std::vector<std::string>* held) {
    t_held_lines = held;
}

void log_line(const std::string& line) {
    if (t_held_lines != nullptr) {
        t_held_lines->push_back(line);
        return;
    }
    open_syslog_once();
    syslog(LOG_NOTICE, "%s", line.c_str());

    CapturedLog& log = captured_log();
    std::lock_guard lock(log.mutex);
    if (log.lines.size() >= kCapturedLogCapacity) {
        log.lines.pop_front();
    }
    log.lines.push_back(line);
}

void log_format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);

    std::string line;
    if (length > 0) {
        line.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(line.data(), line.size(), format, args);
        line.resize(static_cast<std::size_t>(length));
    }
    va_end(args);
    log_line(line);
}

std::vector<std::string> captured_log_lines() {
    CapturedLog& log = captured_log();
    std::lock_guard lock(log.mutex);
    return {log.lines.begin(), log.lines.end()};
}

void clear_captured_log() {
    CapturedLog& log = captured_log();
    std::lock_guard lock(log.mutex);
    log.lines.clear();
}

ScopedLogCapture::ScopedLogCapture() {
    clear_captured_log();
}

ScopedLogCapture::~ScopedLogCapture() {
    clear_captured_log();
}

}  // namespace mailwright::platform
