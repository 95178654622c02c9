// The system log: diagnostic lines that are never shown to the user.
//
// Every line goes to syslog (ident "mailwright") and into a small in-process
// sink that keeps the most recent lines so that tests and diagnostics can read
// what was logged. All functions are safe to call from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mailwright::platform {

// How many of the most recent lines the in-process sink keeps; older lines are
// dropped so that a long run cannot grow the sink without bound.
inline constexpr std::size_t kCapturedLogCapacity = 4096;

// Writes one line to the system log.
void log_line(const std::string& line);

// Formats like printf and writes the result as one line.
void log_format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While set, lines logged on the calling thread are kept in `held` instead of
// being logged (null logs them again). A thread that works ahead of the run
// holds its lines so that they can be logged in the run's order, or dropped
// when the work is done again.
void hold_thread_log_lines(std::vector<std::string>* held);

// The lines the in-process sink holds, oldest first.
std::vector<std::string> captured_log_lines();

// Empties the in-process sink.
void clear_captured_log();

// Empties the sink when made and when destroyed, so a test sees exactly the
// lines logged during its own scope.
class ScopedLogCapture {
public:
    ScopedLogCapture();
    ~ScopedLogCapture();
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    std::vector<std::string> lines() const { return captured_log_lines(); }
};

}  // namespace mailwright::platform
