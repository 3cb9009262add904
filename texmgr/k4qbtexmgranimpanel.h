// K4QBTexMgrAnimPanel: the animated overlay options of a convert window,
// below its output options: source and target frame rates (from which the
// number of frames and the source of each follow), the number of the first
// frame and where numbers wrap (Start, Max Count), and the file the
// thumbnail shows. The output options enable these controls only for the
// type "Animated Overlays"; disabled, they keep their values.
//
// A number field is brought within its limits when it loses the focus:
// rates 1 to 999, Start 0 to 99, Max Count from the number of files to
// 10000; an empty or non-numeric field takes its default (10, 10, 0, 100).
// Fields are read as strtol reads them in base 0, so "010" is 8.
//
// Threads: the window thread only.
#pragma once

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBAppWindow;
class K4QBFileDropDown;
class K4QBFileList;

// Control ids of the panel.
inline constexpr int32_t K4QB_ID_ANIM_SOURCERATE = 1121;
inline constexpr int32_t K4QB_ID_ANIM_TARGETRATE = 1122;
inline constexpr int32_t K4QB_ID_ANIM_START = 1123;
inline constexpr int32_t K4QB_ID_ANIM_MAXCOUNT = 1124;
inline constexpr int32_t K4QB_ID_ANIM_THUMBNAIL = 1125;

class K4QBTexMgrAnimPanel {
public:
    explicit K4QBTexMgrAnimPanel(K4QBAppWindow* appWindow, K4CDebugLogger* logger = nullptr);
    // Frees the thumbnail drop-down; the windows go with their parent.
    ~K4QBTexMgrAnimPanel();
    K4QBTexMgrAnimPanel(const K4QBTexMgrAnimPanel&) = delete;
    K4QBTexMgrAnimPanel& operator=(const K4QBTexMgrAnimPanel&) = delete;

    // Makes the controls in `parent` and lists `files` (which must outlive
    // the panel) in the thumbnail drop-down, the first selected. Throws
    // "K4QBERR_APP_INITERROR".
    void create(HWND parent, const K4QBFileList* files);
    // A number field (1121 to 1124) lost the focus: its value brought within
    // its limits and written back. False for any other id.
    bool checkField(int32_t id);
    // Every field brought within its limits.
    void checkFields();
    // The number in a field (1121 to 1124), its default when none can be
    // read; no limits.
    int32_t readField(int32_t id);
    // The thumbnail drop-down's selection: an index into the files, or -1.
    int32_t getThumbnailIndex();

    // All thirteen controls.
    void show(bool visible);
    void enable(bool enabled);

    K4QBFileDropDown* getThumbnails() const { return thumbnails_; }

private:
    HWND createChild(HWND parent, DWORD exStyle, const char* className, const char* text,
                     DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, int32_t id);

    static constexpr int32_t kWindowCount = 12;

    K4QBAppWindow* appWindow_;
    HWND parent_;
    const K4QBFileList* files_;
    HWND windows_[kWindowCount];
    K4QBFileDropDown* thumbnails_;
    K4CDebugLogger* logger_;
};
