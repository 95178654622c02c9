#include "platform/system_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace mailwright::platform {
namespace {

TEST(SystemLog, FormatsPrintfStyle) {
    ScopedLogCapture capture;
    log_format("MAILWRIGHT - UNKNOWN CHARSET %i", -7);
    const std::string long_text(5000, 'x');  // longer than any fixed buffer
    log_format("<%s>", long_text.c_str());
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"MAILWRIGHT - UNKNOWN CHARSET -7", "<" + long_text + ">"}));
}

TEST(SystemLog, SinkIsBoundedAndKeepsTheNewestLines) {
    ScopedLogCapture capture;
    for (std::size_t i = 0; i < kCapturedLogCapacity + 10; ++i) {
        log_line(std::to_string(i));
    }
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), kCapturedLogCapacity);
    EXPECT_EQ(lines.front(), "10");
    EXPECT_EQ(lines.back(), std::to_string(kCapturedLogCapacity + 9));
}

TEST(SystemLog, ConcurrentWritersLoseNoLine) {
    ScopedLogCapture capture;
    constexpr int kThreads = 4;
    constexpr int kLinesPerThread = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLinesPerThread; ++i) {
                log_format("thread %d line %d", t, i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(capture.lines().size(), static_cast<std::size_t>(kThreads * kLinesPerThread));
}

}  // namespace
}  // namespace mailwright::platform
