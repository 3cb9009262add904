// K4QBDrawingWarmUp: the first textured drawing and present of a process pay
// the driver's one-time costs (with Mesa's software renderer, compiling its
// shaders for each texture format and blending; the presenter's surfaces of
// the window's size): together 100 to 300 ms here. They are paid once, on a
// thread of its own, as soon as the device exists, while the user is still
// finding a file, so that the first preview does not wait for them. Nothing is
// shown: the drawing goes to the back buffer, which every drawing clears
// first, and the present is rehearsed without the copy onto the window.
//
// A preview that starts before the warm-up was begun draws it itself (on its
// worker, while its loader decodes); claim() gives the warm-up to exactly one.
#pragma once

#include <windows.h>

#include <atomic>

class K4CDebugLogger;
class K4QBAppWindow;

class K4QBDrawingWarmUp {
public:
    explicit K4QBDrawingWarmUp(K4QBAppWindow* window, K4CDebugLogger* logger = nullptr);
    // stop().
    ~K4QBDrawingWarmUp();
    K4QBDrawingWarmUp(const K4QBDrawingWarmUp&) = delete;
    K4QBDrawingWarmUp& operator=(const K4QBDrawingWarmUp&) = delete;

    // Starts the thread when nobody has claimed the warm-up yet; nothing
    // otherwise, or when no thread can start (a preview then pays it).
    void start() noexcept;
    // Asks the thread to end and waits for it (it ends within its drawing).
    void stop() noexcept;
    // The warm-up has been drawn (or given up).
    bool isDone() const noexcept { return done_.load(); }

    // True exactly once a process: the caller then calls draw.
    static bool claim() noexcept;
    // The warm-up, inside a Direct3D bracket of its own; nothing when
    // `running` is false or the device is away.
    static void draw(K4QBAppWindow* window, const std::atomic<bool>& running,
                     K4CDebugLogger* logger) noexcept;

private:
    static unsigned __stdcall threadMain(void* context);

    K4QBAppWindow* window_;
    K4CDebugLogger* logger_;
    HANDLE thread_;
    std::atomic<bool> running_;
    std::atomic<bool> done_;
};
