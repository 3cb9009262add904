// K4QBSplash: the start-up window with the picture and one status line.
//
// Start-up does not pump messages while the splash is up, so show and
// setStatus paint synchronously. The window is topmost. Class-wide state (the
// window class, the status font, the window map) is shared by all splash
// objects and used only on the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4CHashMap;

inline constexpr int32_t K4QB_SPLASH_STATUS_SIZE = 512; // with the terminator

class K4QBSplash {
public:
    // Takes ownership of the picture (may be null). Registers the class
    // "K4QBSplash" and creates the status font when needed. Throws
    // "K4QBERR_APP_INITERROR" when the class cannot be registered.
    explicit K4QBSplash(HBITMAP picture, K4CDebugLogger* logger = nullptr);
    // Deletes the picture and the window; the last splash also deletes the
    // font and unregisters the class.
    ~K4QBSplash();
    K4QBSplash(const K4QBSplash&) = delete;
    K4QBSplash& operator=(const K4QBSplash&) = delete;

    // Shows and paints the window at once (created on first need). False when
    // there is no window.
    bool show();
    // False when there is no window.
    bool hide();
    // Refuses (false) a text of 512 or more characters; otherwise stores it
    // and repaints the status area when visible.
    bool setStatus(const char* text);

    const char* getStatus() const { return status_; }
    HWND getWindow() const { return window_; }
    bool isVisible() const { return visible_; }
    int32_t getPictureWidth() const { return pictureWidth_; }
    int32_t getPictureHeight() const { return pictureHeight_; }

    // The process-wide window map; created before the first splash.
    static void initWindowMap();
    static void freeWindowMap();

private:
    HWND getOrCreateWindow();
    void paint(HDC dc);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HBITMAP picture_;
    int32_t pictureWidth_;
    int32_t pictureHeight_;
    char status_[K4QB_SPLASH_STATUS_SIZE];
    HWND window_;
    bool visible_;
    K4CDebugLogger* logger_;

    static ATOM classAtom_;
    static int32_t instanceCount_;
    static HFONT statusFont_;
    static K4CHashMap* windowMap_;
};
