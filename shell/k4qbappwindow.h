// K4QBAppWindow: the abstract base of the program's one main window.
//
// It owns what a single-window Direct3D tool needs beyond its own content: the
// window class and top-level window, the settings file beside the executable
// (group "window" holds the geometry), the GDI resource set, the Direct3D 9
// object and device with loss and reset, the Direct3D lock that serialises the
// device between the window thread and workers, and the busy cursor. The
// subclass supplies names, menu, resources, presentation parameters, device
// state and message handling through the virtual operations.
//
// Threads: everything runs on the window thread except beginD3DUse,
// endD3DUse, the accessors and setAppBusy, which workers may call. Any code
// touching the device does so only between beginD3DUse (non-null result) and
// endD3DUse. The reset in pollD3DDevice holds the Direct3D lock, so no
// bracket is open on another thread while the device is reset.
#pragma once

#include "foundation/k4cstring.h"

#include <windows.h>

#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <exception>

class K4CDebugLogger;
class K4CWinCS;
class K4QBAppResources;
class K4QBContentRegistry;
class K4QBIniFile;
class K4QBPresenter;
class K4QBIniGroup;

// Busy states of setAppBusy.
inline constexpr int32_t K4QB_BUSY_IDLE = 0;       // arrow
inline constexpr int32_t K4QB_BUSY_BACKGROUND = 1; // arrow with hourglass
inline constexpr int32_t K4QB_BUSY_WAIT = 2;       // hourglass

// Smallest size the user can drag the main window to (onSizing).
inline constexpr int32_t K4QB_MIN_WINDOW_WIDTH = 512;
inline constexpr int32_t K4QB_MIN_WINDOW_HEIGHT = 384;

class K4QBAppWindow {
public:
    // Zeroes everything, prepares the Direct3D lock and sets the application
    // folder to the executable's folder (ending in a backslash).
    explicit K4QBAppWindow(HINSTANCE instance, K4CDebugLogger* logger = nullptr);
    // Calls clear: releases Direct3D, destroys the window, unregisters the
    // class, frees the resources and saves the settings.
    virtual ~K4QBAppWindow();
    K4QBAppWindow(const K4QBAppWindow&) = delete;
    K4QBAppWindow& operator=(const K4QBAppWindow&) = delete;

    // --- supplied by the subclass (slot order) ---

    // Bare file name of the settings file, e.g. "k4-qb-texmgr.ini".
    virtual const char* getAppINIFilename() = 0;
    virtual const char* getWndClassName() = 0;
    virtual const char* getWndTitle() = 0;
    // The class menu, as an integer resource (MAKEINTRESOURCEA(id)).
    virtual const char* createWndMenu() = 0;
    // A new, not yet initialised resource set; the base owns and inits it.
    virtual K4QBAppResources* createResources() = 0;
    // Creates the top-level window at the geometry of the group "window"
    // (CW_USEDEFAULT where a value is missing); a stored rectangle that lies
    // off every monitor is moved into the nearest monitor's work area. Throws
    // "K4QBERR_APP_INITERROR".
    virtual HWND createWindow();
    // Stores the content (may be null), loads the settings, creates and
    // initialises the resources, registers the class, creates and shows the
    // window. Subclasses call the base first. Throws "K4QBERR_APP_INITERROR".
    virtual void initialize(K4QBContentRegistry* content, int showCommand);
    // Fills zeroed presentation parameters for device creation and reset.
    virtual void gatherD3DPresentation(D3DPRESENT_PARAMETERS* parameters) = 0;
    // Releases every device object that does not survive a reset.
    virtual void freeD3DResources() = 0;
    // Sets device state and re-creates what freeD3DResources released; after
    // every successful creation or reset.
    virtual void startD3DDevice() = 0;
    // The subclass's handling of a main-window message.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Asked for every message before translation; true consumes it.
    virtual bool isDialogMessage(MSG* message);

    // --- message handling of the base ---

    // The class window procedure's target: close, destroy, geometry, cursor
    // and static-control colours, everything else to handleMessage. Other
    // windows get DefWindowProc.
    LRESULT defaultMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Writes the restored window rectangle (screen coordinates, also while
    // minimised or maximised) into the group "window".
    void onMoveOrSize();
    // Keeps a dragged rectangle at least 512 x 384; always true.
    BOOL onSizing(WPARAM edge, RECT* rectangle);
    void onSetCursor();

    // --- accessors ---

    HWND getWindow();
    HMENU getMenu();
    K4QBContentRegistry* getQBContent();
    K4QBIniFile* getINIFile();
    // The settings group of that name, or null.
    K4QBIniGroup* getINIGroup(const char* name);
    COLORREF getAppBGColor();
    HINSTANCE getAppInstance();
    const K4CString& getAppFolder();
    // Resource entries by number; "IndexOutOfBoundsException" outside the set.
    HFONT getFont(int32_t index);
    HICON getIcon(int32_t index);
    HBRUSH getBrush(); // entry 0, the background brush

    // A control of this program: a child window of `parent` with the given
    // class, text, styles (WS_CHILD included by the caller), place and id.
    // Throws "K4QBERR_APP_INITERROR" when the system cannot make it, logged
    // as thrown from `where` on `caller`.
    HWND createControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                       DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, int32_t id,
                       const char* where, const void* caller);

    // --- busy cursor ---

    // 0 idle, 1 busy in the background, 2 busy; shows the cursor at once.
    // Never fails: a trace line that cannot be written is left out.
    void setAppBusy(int32_t state) noexcept;
    int32_t getAppBusy() const { return busyState_.load(); }
    void showCursor() noexcept;

    // --- Direct3D ---

    // Creates the Direct3D object if needed and the device with these
    // behaviour flags, then startD3DDevice. Throws "K4QBERR_APP_D3DERROR";
    // the Direct3D object is kept so that a second call may retry.
    void initD3DDevice(DWORD behaviourFlags);
    // Asks the device for its state: marks it lost, or resets it when it can
    // be reset. Window thread only; the subclass calls it for every message.
    void pollD3DDevice();
    // The device, with the Direct3D lock held; null (no lock) when there is no
    // device or it is lost. Pair a non-null result with endD3DUse, or use a
    // K4QBD3DUse, which closes the bracket however its scope is left. Neither
    // throws: a trace line that cannot be written is dropped here.
    IDirect3DDevice9* beginD3DUse() noexcept;
    void endD3DUse() noexcept;
    // Shows the back buffer on the device window the presentation parameters
    // named: the device's Present with no rectangles and no window override,
    // or its copy through GDI where that does not reach the screen. Inside a
    // bracket. With `source`, only that part of the back buffer is shown over
    // the window (a part of the window's size lands pixel for pixel).
    HRESULT presentD3D(const RECT* source = nullptr);
    K4QBPresenter* getPresenter() { return presenter_; }
    // The device without locking, for setting up objects on the window thread
    // (e.g. handing it to the texture cache).
    IDirect3DDevice9* getD3DDevice();
    bool isD3DDeviceLost() const { return deviceLost_.load(); }
    int32_t getD3DLockDepth() const { return lockDepth_.load(); }

    // --- settings and logging ---

    // Writes the settings file beside the executable; throws
    // "K4QBERR_INI_IOERROR" (the previous file is kept).
    void saveAppINI();
    void setLogger(K4CDebugLogger* logger);
    K4CDebugLogger* getLogger();

    // The application window the class window procedure serves, or null.
    static K4QBAppWindow* getCurrent();
    // Window procedures call this in a catch (...) block: an exception must
    // not unwind through the system's message dispatch, so the first one is
    // kept for the message loop, which raises it again after dispatching.
    static void keepPendingError() noexcept;
    // The kept exception, or none; taking it clears it.
    static std::exception_ptr takePendingError() noexcept;

protected:
    // Loads the settings (an empty object when the file cannot be read) and
    // makes sure the group "window" exists.
    K4QBIniFile* initAppINI();
    void initWindowClass();
    // Frees, resets and restarts the device under the Direct3D lock; clears
    // the lost flag on success. Returns the reset's result.
    HRESULT resetD3DDevice();
    // The device's cooperative level, which pollD3DDevice acts on; a test
    // replaces it to play a lost device.
    virtual HRESULT checkD3DDeviceState();
    // Places the settings file (and what start-up puts beside the program)
    // in another folder, e.g. a scratch folder in tests.
    void setAppFolder(const char* folder);
    // Releases Direct3D, destroys the window, unregisters the class, frees
    // the resources and saves the settings. Never throws.
    void clear() noexcept;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void buildINIPath(K4CString* path);

    ATOM classAtom_;
    HINSTANCE instance_;
    K4CString appFolder_;
    const char* iniFilename_;
    K4QBIniFile* iniFile_;
    K4QBAppResources* resources_;
    K4QBContentRegistry* content_;
    std::atomic<int32_t> busyState_;
    HWND window_;
    IDirect3D9* d3d_;
    IDirect3DDevice9* device_;
    std::atomic<bool> deviceLost_;
    K4CWinCS* d3dLock_;
    K4QBPresenter* presenter_;
    K4CDebugLogger* logger_;
    std::atomic<int32_t> lockDepth_;

    static K4QBAppWindow* current_;
    static std::exception_ptr pendingError_;
};

// A Direct3D bracket that closes with its scope, also when an error leaves
// it: device() is null when the device could not be had.
class K4QBD3DUse {
public:
    explicit K4QBD3DUse(K4QBAppWindow* window) noexcept
        : window_(window), device_(window->beginD3DUse()) {}
    ~K4QBD3DUse() {
        if (device_ != nullptr) {
            window_->endD3DUse();
        }
    }
    K4QBD3DUse(const K4QBD3DUse&) = delete;
    K4QBD3DUse& operator=(const K4QBD3DUse&) = delete;
    IDirect3DDevice9* device() const { return device_; }

private:
    K4QBAppWindow* window_;
    IDirect3DDevice9* device_;
};

// The busy cursor in `state` for a scope, and the arrow again however the
// scope ends; setAppBusy never throws, so neither does the end.
class K4QBBusyScope {
public:
    K4QBBusyScope(K4QBAppWindow* window, int32_t state) noexcept : window_(window) {
        window_->setAppBusy(state);
    }
    ~K4QBBusyScope() { window_->setAppBusy(K4QB_BUSY_IDLE); }
    K4QBBusyScope(const K4QBBusyScope&) = delete;
    K4QBBusyScope& operator=(const K4QBBusyScope&) = delete;

private:
    K4QBAppWindow* window_;
};
