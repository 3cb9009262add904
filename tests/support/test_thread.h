// Threads for tests whose every wait ends: a deadline only keeps a broken
// build from hanging the run and is never a measurement.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <utility>

namespace k4test {

inline constexpr std::chrono::seconds kDeadline{30};

// True when the future is ready within the deadline.
template <typename T> bool readyInTime(std::future<T>& future) {
    return future.wait_for(kDeadline) == std::future_status::ready;
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
        if (!readyInTime(done_)) {
            std::fprintf(stderr, "A test thread is still running after %d s\n",
                         static_cast<int>(kDeadline.count()));
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

} // namespace k4test
