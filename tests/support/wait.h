// Bounded waits and threads for tests. Every wait has a deadline; it only
// keeps a broken build from hanging the run and is never a measurement.
#pragma once

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace k4test {

inline constexpr std::chrono::milliseconds kDeadline{30000};

// Polls until the condition holds or the limit has passed; returns it.
inline bool waitUntil(const std::function<bool()>& condition,
                      uint32_t limitMs = static_cast<uint32_t>(kDeadline.count())) {
    uint32_t start = k4p::tickCount();
    while (!condition()) {
        if (k4p::tickCount() - start > limitMs) {
            return condition();
        }
        k4p::sleepMs(5);
    }
    return true;
}

// Runs `work` on a thread of its own; join (or the destructor) waits for it
// within the deadline. A thread still running then can neither be stopped nor
// left behind (it uses the test's variables), so the test program ends with a
// message. An error code or exception thrown by the work fails the test. Use
// no EXPECT inside the work: report through the test's own variables.
class TestThread {
public:
    explicit TestThread(std::function<void()> work)
        : done_(std::async(std::launch::async, std::move(work))) {}
    ~TestThread() { join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    void join() {
        if (!done_.valid()) {
            return;
        }
        if (done_.wait_for(kDeadline) != std::future_status::ready) {
            std::fprintf(stderr, "A test thread is still running after the deadline\n");
            std::abort();
        }
        try {
            done_.get();
        } catch (const char* code) {
            ADD_FAILURE() << "a test thread threw " << code;
        } catch (...) {
            ADD_FAILURE() << "a test thread threw";
        }
    }

private:
    std::future<void> done_;
};

#ifdef _WIN32
// Dispatches what is waiting for this thread.
inline void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Pumps this thread's messages while waiting.
inline bool pumpUntil(const std::function<bool()>& condition,
                      uint32_t limitMs = static_cast<uint32_t>(kDeadline.count())) {
    return waitUntil(
        [&] {
            pump();
            return condition();
        },
        limitMs);
}
#endif

} // namespace k4test
