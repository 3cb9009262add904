// Pieces the Windows benchmarks share: a millisecond clock, running the
// window messages that are waiting, and a probe of the window thread's
// longest time without handling a message.
#pragma once

#include <windows.h>

#include <algorithm>

namespace k4bench {

inline double nowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A window of this thread whose posted probes time how long the thread
// handles no message.
class Probe {
public:
    Probe() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "K4BenchProbe";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "K4BenchProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Probe() { DestroyWindow(window_); }
    void reset() {
        longest_ = 0;
        pending_ = false;
    }
    // Posts the next probe once the last one was handled.
    void post() {
        if (!pending_) {
            pending_ = true;
            postedAt_ = nowMs();
            PostMessageA(window_, WM_APP, 0, 0);
        }
    }
    double longest() const { return longest_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* probe = reinterpret_cast<Probe*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_APP && probe != nullptr) {
            probe->longest_ = std::max(probe->longest_, nowMs() - probe->postedAt_);
            probe->pending_ = false;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
    double postedAt_ = 0;
    double longest_ = 0;
    bool pending_ = false;
};

} // namespace k4bench
