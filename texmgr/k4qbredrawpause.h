// K4QBRedrawPause: fills a list control without redrawing it (and re-sizing
// its scroll bar, which the system does at once) for every item added, and
// redraws it once when the scope ends. With thousands of items this is the
// difference between milliseconds and seconds. A hidden control is left
// alone: turning redrawing on again would show it.
#pragma once

#include <windows.h>

class K4QBRedrawPause {
public:
    explicit K4QBRedrawPause(HWND control)
        : control_((GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0 ? control : nullptr) {
        if (control_ != nullptr) {
            SendMessageA(control_, WM_SETREDRAW, FALSE, 0);
        }
    }
    ~K4QBRedrawPause() {
        if (control_ != nullptr) {
            SendMessageA(control_, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(control_, nullptr, TRUE);
        }
    }
    K4QBRedrawPause(const K4QBRedrawPause&) = delete;
    K4QBRedrawPause& operator=(const K4QBRedrawPause&) = delete;

private:
    HWND control_;
};
