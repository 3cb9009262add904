// Window text helpers over user32 (Windows only).
#include "foundation/k4cwindowtext.h"

#include <windows.h>

bool k4cSetWindowInt(HWND window, int32_t value) {
    char text[16];
    wsprintfA(text, "%d", value);
    return SetWindowTextA(window, text) != 0;
}

int32_t k4cGetWindowText(HWND window, K4CString* out) {
    out->clear();
    int length = GetWindowTextLengthA(window);
    if (length <= 0) {
        return 0;
    }
    out->reserve(length);
    GetWindowTextA(window, out->getBuffer(), out->getCapacity() + 1);
    out->updateLength();
    return out->getLength();
}

int32_t k4cGetWindowInt(HWND window, int32_t defaultValue) {
    K4CString text;
    k4cGetWindowText(window, &text);
    return k4cParseInt(text.getText(), defaultValue);
}
