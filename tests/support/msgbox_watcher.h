// Answers the message boxes of the test process from a thread of its own and
// records what they said, so that code showing a modal box can run inside a
// test. Windows only (real user32 boxes under Wine).
//
//   k4test::MsgBoxWatcher watcher;          // starts watching
//   codeThatShowsABox();
//   ASSERT_EQ(watcher.waitForBoxes(1), 1u); // waits (bounded) for the answer
//   EXPECT_EQ(watcher.boxes()[0].text, "...");
//
// A box is a visible top-level window of class "#32770" of this process. The
// watcher reads its caption and the text of its message static (control id
// 0xFFFF, the id user32 gives it), then presses the given button (IDOK unless
// told otherwise) by posting the command.
#pragma once

#include "tests/support/wait.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace k4test {

class MsgBoxWatcher {
public:
    struct Box {
        std::string caption;
        std::string text;
    };

    explicit MsgBoxWatcher(int answer = IDOK) : answer_(answer), running_(true) {
        thread_ = std::thread([this] { run(); });
    }
    ~MsgBoxWatcher() {
        running_ = false;
        thread_.join();
    }
    MsgBoxWatcher(const MsgBoxWatcher&) = delete;
    MsgBoxWatcher& operator=(const MsgBoxWatcher&) = delete;

    std::vector<Box> boxes() {
        std::lock_guard<std::mutex> guard(mutex_);
        return boxes_;
    }

    // Waits (within the deadline) until at least `count` boxes were answered.
    // Returns how many were answered.
    size_t waitForBoxes(size_t count) {
        waitUntil([&] { return boxes().size() >= count; });
        return boxes().size();
    }

private:
    static BOOL CALLBACK findBox(HWND window, LPARAM found) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char className[16] = {0};
        GetClassNameA(window, className, sizeof className);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
            lstrcmpA(className, "#32770") == 0) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    void run() {
        HWND answered = nullptr;
        while (running_) {
            HWND box = nullptr;
            EnumWindows(findBox, reinterpret_cast<LPARAM>(&box));
            if (box != nullptr && box != answered) {
                Box seen;
                char text[2048] = {0};
                GetWindowTextA(box, text, sizeof text);
                seen.caption = text;
                text[0] = 0;
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                seen.text = text;
                {
                    std::lock_guard<std::mutex> guard(mutex_);
                    boxes_.push_back(seen);
                }
                answered = box;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
            } else if (box == nullptr) {
                answered = nullptr;
            }
            Sleep(20);
        }
    }

    int answer_;
    std::atomic<bool> running_;
    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::thread thread_;
};

} // namespace k4test
