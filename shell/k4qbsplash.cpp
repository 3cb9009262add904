// K4QBSplash: the start-up picture with a status line, painted synchronously.
#include "shell/k4qbsplash.h"

#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qbappwindow.h"

#include <cstring>

ATOM K4QBSplash::classAtom_ = 0;
int32_t K4QBSplash::instanceCount_ = 0;
HFONT K4QBSplash::statusFont_ = nullptr;
K4CHashMap* K4QBSplash::windowMap_ = nullptr;

namespace {

const char* const kClassName = "K4QBSplash";
const COLORREF kBackground = RGB(243, 242, 231);

// The status line sits below the picture.
RECT statusRectangle(HWND window, int32_t pictureHeight) {
    RECT rectangle;
    GetClientRect(window, &rectangle);
    rectangle.top = pictureHeight + 8;
    return rectangle;
}

} // namespace

void K4QBSplash::initWindowMap() {
    if (windowMap_ == nullptr) {
        windowMap_ = new K4CHashMap(5, 0.75f);
    }
}

void K4QBSplash::freeWindowMap() {
    delete windowMap_;
    windowMap_ = nullptr;
}

K4QBSplash::K4QBSplash(HBITMAP picture, K4CDebugLogger* logger)
    : instance_(nullptr), picture_(picture), pictureWidth_(0), pictureHeight_(0), window_(nullptr),
      visible_(false), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBSplash(%p) = %p", (void*)picture, (void*)this);
    ++instanceCount_;
    status_[0] = 0;
    initWindowMap();
    if (classAtom_ == 0) {
        WNDCLASSEXA windowClass;
        ZeroMemory(&windowClass, sizeof windowClass);
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance_;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_WAIT);
        windowClass.hbrBackground = CreateSolidBrush(kBackground);
        windowClass.lpszClassName = kClassName;
        classAtom_ = RegisterClassExA(&windowClass);
        if (classAtom_ == 0) {
            DeleteObject(windowClass.hbrBackground);
            // The destructor will not run: undo the count, keep the picture
            // with the caller as if it had never been handed over.
            --instanceCount_;
            k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBSplash::K4QBSplash", (void*)this);
        }
    }
    if (statusFont_ == nullptr) {
        HDC screen = GetDC(nullptr);
        int32_t height = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        statusFont_ = CreateFontA(height, 0, 0, 0, 0, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
    }
    if (picture_ != nullptr) {
        BITMAP description;
        if (GetObjectA(picture_, sizeof description, &description) != 0) {
            pictureWidth_ = description.bmWidth;
            pictureHeight_ = description.bmHeight;
        }
    }
    K4C_TRACE(logger_, "Exit constructor K4QBSplash = %p", (void*)this);
}

K4QBSplash::~K4QBSplash() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBSplash = %p", (void*)this);
    if (picture_ != nullptr) {
        DeleteObject(picture_);
        picture_ = nullptr;
    }
    if (window_ != nullptr) {
        if (windowMap_ != nullptr) {
            windowMap_->remove(&window_, sizeof window_);
        }
        DestroyWindow(window_);
        window_ = nullptr;
    }
    if (--instanceCount_ <= 0) {
        if (statusFont_ != nullptr) {
            DeleteObject(statusFont_);
            statusFont_ = nullptr;
        }
        if (classAtom_ != 0) {
            WNDCLASSEXA windowClass;
            windowClass.cbSize = sizeof windowClass;
            HBRUSH brush = nullptr;
            if (GetClassInfoExA(instance_, kClassName, &windowClass)) {
                brush = windowClass.hbrBackground;
            }
            UnregisterClassA(kClassName, instance_);
            if (brush != nullptr) {
                DeleteObject(brush);
            }
            classAtom_ = 0;
        }
        instanceCount_ = 0;
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBSplash = %p", (void*)this);
}

HWND K4QBSplash::getOrCreateWindow() {
    K4C_TRACE(logger_, "Enter K4QBSplash::getOrCreateWindow = %p", (void*)this);
    if (window_ == nullptr) {
        int32_t width = pictureWidth_ + 8;
        if (width < 320) {
            width = 320;
        }
        int32_t height = pictureHeight_ + 60;
        // Centred in the full-screen client area, halves rounded down.
        int32_t x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) >> 1;
        int32_t y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) >> 1;
        HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE,
                                      kClassName, kClassName, WS_POPUP | WS_BORDER, x, y, width,
                                      height, nullptr, nullptr, instance_, nullptr);
        if (window != nullptr) {
            window_ = window;
            windowMap_->put(&window_, sizeof window_, this);
        }
    }
    K4C_TRACE(logger_, "Return %p from K4QBSplash::getOrCreateWindow = %p", (void*)window_,
              (void*)this);
    return window_;
}

bool K4QBSplash::show() {
    K4C_TRACE(logger_, "Enter K4QBSplash::show = %p", (void*)this);
    bool result = true;
    if (!visible_) {
        HWND window = getOrCreateWindow();
        result = window != nullptr;
        if (result) {
            ShowWindow(window, SW_SHOWNORMAL);
            UpdateWindow(window);
            visible_ = true;
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBSplash::show = %p", result ? 1 : 0, (void*)this);
    return result;
}

bool K4QBSplash::hide() {
    K4C_TRACE(logger_, "Enter K4QBSplash::hide = %p", (void*)this);
    bool result = true;
    if (visible_) {
        HWND window = getOrCreateWindow();
        result = window != nullptr;
        if (result) {
            ShowWindow(window, SW_HIDE);
            visible_ = false;
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBSplash::hide = %p", result ? 1 : 0, (void*)this);
    return result;
}

bool K4QBSplash::setStatus(const char* text) {
    K4C_TRACE(logger_, "Enter K4QBSplash::setStatus(%s) = %p", text, (void*)this);
    size_t length = text != nullptr ? strlen(text) : 0;
    bool result = length < sizeof status_;
    if (result) {
        memcpy(status_, text != nullptr ? text : "", length);
        status_[length] = 0;
        if (window_ != nullptr && visible_) {
            RECT rectangle = statusRectangle(window_, pictureHeight_);
            InvalidateRect(window_, &rectangle, TRUE);
            UpdateWindow(window_);
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBSplash::setStatus = %p", result ? 1 : 0, (void*)this);
    return result;
}

void K4QBSplash::paint(HDC dc) {
    K4C_TRACE(logger_, "Enter K4QBSplash::paint(%p) = %p", (void*)dc, (void*)this);
    if (picture_ != nullptr) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(source, picture_);
        BitBlt(dc, 3, 2, pictureWidth_, pictureHeight_, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    if (statusFont_ != nullptr && status_[0] != 0) {
        RECT rectangle;
        GetClientRect(window_, &rectangle);
        rectangle.left += 4;
        rectangle.right -= 4;
        rectangle.top = pictureHeight_ + 8;
        HGDIOBJ previous = SelectObject(dc, statusFont_);
        SetBkColor(dc, kBackground);
        DrawTextA(dc, status_, -1, &rectangle, DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
        SelectObject(dc, previous);
    }
    K4C_TRACE(logger_, "Exit K4QBSplash::paint = %p", (void*)this);
}

LRESULT CALLBACK K4QBSplash::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    K4QBSplash* splash = windowMap_ != nullptr
                             ? static_cast<K4QBSplash*>(windowMap_->get(&window, sizeof window))
                             : nullptr;
    if (splash == nullptr || message != WM_PAINT) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    try {
        splash->paint(dc);
    } catch (...) {
        K4QBAppWindow::keepPendingError();
    }
    EndPaint(window, &paint);
    return 0;
}
