// Bounded waits for tests. Every wait has a deadline; it only keeps a broken
// build from hanging the run and is never a measurement.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#endif

namespace k4test {

inline constexpr uint32_t kWaitLimitMs = 20000;

// Polls until the condition holds or the limit has passed; returns it.
inline bool waitUntil(const std::function<bool()>& condition, uint32_t limitMs = kWaitLimitMs) {
    uint32_t start = k4p::tickCount();
    while (!condition()) {
        if (k4p::tickCount() - start > limitMs) {
            return condition();
        }
        k4p::sleepMs(5);
    }
    return true;
}

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
inline bool pumpUntil(const std::function<bool()>& condition, uint32_t limitMs = kWaitLimitMs) {
    return waitUntil(
        [&] {
            pump();
            return condition();
        },
        limitMs);
}
#endif

} // namespace k4test
