// K4QBAppWindow: settings, window class and window, messages, busy cursor.
// The Direct3D part is in k4qbappwindow_d3d.cpp.
#include "shell/k4qbappwindow.h"

#include "foundation/errors.h"
#include "foundation/k4clock.h"
#include "foundation/k4ctrace.h"
#include "foundation/k4qbinifile.h"
#include "shell/k4qbgdiresources.h"
#include "shell/k4qbpresenter.h"

#include <cstdint>

K4QBAppWindow* K4QBAppWindow::current_ = nullptr;
std::exception_ptr K4QBAppWindow::pendingError_;

namespace {

int32_t clampInt(int64_t value, int64_t low, int64_t high) {
    return static_cast<int32_t>(value < low ? low : value > high ? high : value);
}

// A window stored where no monitor is (the monitor is gone, or an older
// settings file kept the position of a minimised window) comes back on the
// nearest monitor: at least as large as the user may drag it, inside the
// monitor's work area.
void placeOnAMonitor(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
    if (*left == CW_USEDEFAULT || *top == CW_USEDEFAULT) {
        return;
    }
    bool sized = *width != CW_USEDEFAULT && *height != CW_USEDEFAULT;
    int64_t w = sized ? *width : K4QB_MIN_WINDOW_WIDTH;
    int64_t h = sized ? *height : K4QB_MIN_WINDOW_HEIGHT;
    RECT stored = {*left, *top, clampInt(*left + w, INT32_MIN, INT32_MAX),
                   clampInt(*top + h, INT32_MIN, INT32_MAX)};
    if (MonitorFromRect(&stored, MONITOR_DEFAULTTONULL) != nullptr) {
        return;
    }
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST), &info)) {
        return;
    }
    const RECT& work = info.rcWork;
    w = clampInt(w, K4QB_MIN_WINDOW_WIDTH, work.right - work.left);
    h = clampInt(h, K4QB_MIN_WINDOW_HEIGHT, work.bottom - work.top);
    if (sized) {
        *width = static_cast<int32_t>(w);
        *height = static_cast<int32_t>(h);
    }
    *left = clampInt(*left, work.left, work.right - w);
    *top = clampInt(*top, work.top, work.bottom - h);
}

// The window's rectangle when restored, in screen coordinates, whatever its
// state: a minimised window's own rectangle is a parking place off the screen.
// The placement gives it relative to the work area of the window's monitor.
bool restoredRectangle(HWND window, RECT* rectangle) {
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        return false;
    }
    *rectangle = placement.rcNormalPosition;
    if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0) {
        MONITORINFO info;
        info.cbSize = sizeof info;
        if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
            OffsetRect(rectangle, info.rcWork.left - info.rcMonitor.left,
                       info.rcWork.top - info.rcMonitor.top);
        }
    }
    return true;
}

} // namespace

K4QBAppWindow::K4QBAppWindow(HINSTANCE instance, K4CDebugLogger* logger)
    : classAtom_(0), instance_(instance), iniFilename_(nullptr), iniFile_(nullptr),
      resources_(nullptr), content_(nullptr), busyState_(K4QB_BUSY_IDLE), window_(nullptr),
      d3d_(nullptr), device_(nullptr), deviceLost_(false), d3dLock_(new K4CWinCS()),
      presenter_(new K4QBPresenter(K4QBPresenter::chooseMode())), logger_(logger), lockDepth_(0) {
    K4C_TRACE(logger_, "Enter constructor K4QBAppWindow(%p) = %p", (void*)instance, (void*)this);
    char path[MAX_PATH + 1] = {0};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH] = 0;
    char* lastBackslash = strrchr(path, '\\');
    if (lastBackslash != nullptr) {
        lastBackslash[1] = 0;
    } else {
        path[0] = 0;
    }
    appFolder_.assign(path);
    K4C_TRACE(logger_, "Exit constructor K4QBAppWindow = %p", (void*)this);
}

K4QBAppWindow::~K4QBAppWindow() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBAppWindow = %p", (void*)this);
    clear();
    delete presenter_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBAppWindow = %p", (void*)this);
}

void K4QBAppWindow::clear() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBAppWindow::clear = %p", (void*)this);
    if (d3dLock_ != nullptr) {
        // A bracket still open on another thread finishes before the device
        // goes away.
        K4CLockGuard guard(d3dLock_);
        presenter_->release();
        if (device_ != nullptr) {
            device_->Release();
            device_ = nullptr;
        }
        if (d3d_ != nullptr) {
            d3d_->Release();
            d3d_ = nullptr;
        }
    }
    // The subclass is already gone here, so the window's last messages must
    // not reach handleMessage (nor post a quit message for a loop that has
    // ended): unhook the object before destroying the window.
    if (current_ == this) {
        current_ = nullptr;
    }
    if (window_ != nullptr) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    if (classAtom_ != 0) {
        UnregisterClassA(MAKEINTATOM(classAtom_), instance_);
        classAtom_ = 0;
    }
    delete resources_;
    resources_ = nullptr;
    if (iniFile_ != nullptr) {
        try {
            saveAppINI();
        } catch (...) {
            // Settings that cannot be written are lost; the debug line says so.
        }
        delete iniFile_;
        iniFile_ = nullptr;
    }
    delete d3dLock_;
    d3dLock_ = nullptr;
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBAppWindow::clear = %p", (void*)this);
}

bool K4QBAppWindow::isDialogMessage(MSG* message) {
    K4C_TRACE(logger_, "Enter and return %d from K4QBAppWindow::isDialogMessage(%p) = %p", 0,
              (void*)message, (void*)this);
    return false;
}

void K4QBAppWindow::buildINIPath(K4CString* path) {
    path->assign(appFolder_);
    if (path->getLength() > 0 && path->getText()[path->getLength() - 1] != '\\') {
        path->appendChar('\\');
    }
    path->append(iniFilename_);
}

K4QBIniFile* K4QBAppWindow::initAppINI() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::initAppINI = %p", (void*)this);
    iniFilename_ = getAppINIFilename();
    K4CString path;
    buildINIPath(&path);
    K4QBIniFile* file = nullptr;
    try {
        file = K4QBIniFile::load(path.getText(), logger_);
    } catch (const char* code) {
        // A missing or unreadable file starts empty and is written on exit.
        K4C_DEBUG(logger_, "(In K4QBAppWindow::initAppINI) Starting with empty settings: %s", code);
        file = new K4QBIniFile(logger_);
    }
    if (file->findGroupIndex("window") < 0) {
        file->addGroup("window");
    }
    K4C_TRACE(logger_, "Return %p from K4QBAppWindow::initAppINI = %p", (void*)file, (void*)this);
    return file;
}

void K4QBAppWindow::saveAppINI() {
    // Called from clear: the settings are written even when this line is not.
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBAppWindow::saveAppINI = %p", (void*)this);
    if (iniFile_ != nullptr) {
        K4CString path;
        buildINIPath(&path);
        try {
            iniFile_->save(path.getText());
        } catch (const char* code) {
            k4cTraceThrow(logger_, code, "K4QBAppWindow::saveAppINI", (void*)this);
        }
    }
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBAppWindow::saveAppINI = %p", (void*)this);
}

void K4QBAppWindow::initWindowClass() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::initWindowClass = %p", (void*)this);
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = resources_->getIcon(K4QB_RES_LARGEICON);
    windowClass.hIconSm = resources_->getIcon(K4QB_RES_SMALLICON);
    windowClass.hCursor = static_cast<HCURSOR>(
        LoadImageA(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    windowClass.hbrBackground = resources_->getBrush(K4QB_RES_BGBRUSH);
    windowClass.lpszMenuName = createWndMenu();
    windowClass.lpszClassName = getWndClassName();
    classAtom_ = RegisterClassExA(&windowClass);
    if (classAtom_ == 0) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBAppWindow::initWindowClass",
                      (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBAppWindow::initWindowClass = %p", (void*)this);
}

HWND K4QBAppWindow::createWindow() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::createWindow = %p", (void*)this);
    K4QBIniGroup* group = iniFile_->getGroup("window");
    int32_t left = CW_USEDEFAULT;
    int32_t top = CW_USEDEFAULT;
    int32_t width = CW_USEDEFAULT;
    int32_t height = CW_USEDEFAULT;
    if (group != nullptr) {
        left = group->getInt("left", CW_USEDEFAULT);
        top = group->getInt("top", CW_USEDEFAULT);
        width = group->getInt("width", CW_USEDEFAULT);
        height = group->getInt("height", CW_USEDEFAULT);
    }
    placeOnAMonitor(&left, &top, &width, &height);
    HWND window = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, getWndClassName(), getWndTitle(),
                                  WS_OVERLAPPEDWINDOW, left, top, width, height, nullptr, nullptr,
                                  instance_, nullptr);
    if (window == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBAppWindow::createWindow", (void*)this);
    }
    K4C_TRACE(logger_, "Return %p from K4QBAppWindow::createWindow = %p", (void*)window,
              (void*)this);
    return window;
}

void K4QBAppWindow::initialize(K4QBContentRegistry* content, int showCommand) {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::initialize(%p, %d) = %p", (void*)content, showCommand,
              (void*)this);
    content_ = content;
    iniFile_ = initAppINI();
    resources_ = createResources();
    try {
        resources_->init();
        initWindowClass();
        current_ = this;
        window_ = createWindow();
    } catch (const char* code) {
        k4cTraceThrow(logger_, code, "K4QBAppWindow::initialize", (void*)this);
    }
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    K4C_TRACE(logger_, "Exit K4QBAppWindow::initialize = %p", (void*)this);
}

LRESULT CALLBACK K4QBAppWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (current_ == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    try {
        return current_->defaultMessage(window, message, wParam, lParam);
    } catch (...) {
        keepPendingError();
        return 0;
    }
}

void K4QBAppWindow::keepPendingError() noexcept {
    // Unwinding through the system's dispatch code is not reliable, so the
    // error waits for the message loop, which raises it again.
    if (!pendingError_) {
        pendingError_ = std::current_exception();
    }
}

std::exception_ptr K4QBAppWindow::takePendingError() noexcept {
    std::exception_ptr error = pendingError_;
    pendingError_ = nullptr;
    return error;
}

LRESULT K4QBAppWindow::defaultMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != window_ || window == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window_);
        window_ = nullptr;
        current_ = nullptr;
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        onMoveOrSize();
        return handleMessage(message, wParam, lParam);
    case WM_SIZE:
        if (wParam == SIZE_RESTORED) {
            onMoveOrSize();
        }
        return handleMessage(message, wParam, lParam);
    case WM_SETCURSOR:
        onSetCursor();
        return handleMessage(message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        // Static controls draw on the application background.
        SetBkColor(reinterpret_cast<HDC>(wParam), getAppBGColor());
        return reinterpret_cast<LRESULT>(getBrush());
    default:
        return handleMessage(message, wParam, lParam);
    }
}

void K4QBAppWindow::onMoveOrSize() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::onMoveOrSize = %p", (void*)this);
    RECT rectangle;
    K4QBIniGroup* group = iniFile_ != nullptr ? iniFile_->getGroup("window") : nullptr;
    if (group != nullptr && window_ != nullptr && restoredRectangle(window_, &rectangle)) {
        group->setInt("left", rectangle.left);
        group->setInt("top", rectangle.top);
        group->setInt("width", rectangle.right - rectangle.left);
        group->setInt("height", rectangle.bottom - rectangle.top);
    }
    K4C_TRACE(logger_, "Exit K4QBAppWindow::onMoveOrSize = %p", (void*)this);
}

BOOL K4QBAppWindow::onSizing(WPARAM edge, RECT* rectangle) {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::onSizing(%u, %p) = %p", (unsigned)edge,
              (void*)rectangle, (void*)this);
    if (rectangle->right - rectangle->left < K4QB_MIN_WINDOW_WIDTH) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) {
            rectangle->left = rectangle->right - K4QB_MIN_WINDOW_WIDTH;
        } else {
            rectangle->right = rectangle->left + K4QB_MIN_WINDOW_WIDTH;
        }
    }
    if (rectangle->bottom - rectangle->top < K4QB_MIN_WINDOW_HEIGHT) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) {
            rectangle->top = rectangle->bottom - K4QB_MIN_WINDOW_HEIGHT;
        } else {
            rectangle->bottom = rectangle->top + K4QB_MIN_WINDOW_HEIGHT;
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBAppWindow::onSizing = %p", 1, (void*)this);
    return TRUE;
}

void K4QBAppWindow::onSetCursor() {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::onSetCursor = %p", (void*)this);
    showCursor();
    K4C_TRACE(logger_, "Exit K4QBAppWindow::onSetCursor = %p", (void*)this);
}

// A log line that cannot be written must not keep the busy cursor on: the
// busy scopes end through here, also on their way out of an error.
void K4QBAppWindow::setAppBusy(int32_t state) noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBAppWindow::setAppBusy(%d) = %p", state, (void*)this);
    busyState_.store(state);
    showCursor();
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBAppWindow::setAppBusy = %p", (void*)this);
}

void K4QBAppWindow::showCursor() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBAppWindow::showCursor = %p", (void*)this);
    // States other than 1 and 2 show the arrow.
    LPCSTR name = IDC_ARROW;
    int32_t state = busyState_.load();
    if (state == K4QB_BUSY_BACKGROUND) {
        name = IDC_APPSTARTING;
    } else if (state == K4QB_BUSY_WAIT) {
        name = IDC_WAIT;
    }
    SetCursor(LoadCursorA(nullptr, name));
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBAppWindow::showCursor = %p", (void*)this);
}

HWND K4QBAppWindow::getWindow() {
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getWindow = %p", (void*)window_,
              (void*)this);
    return window_;
}

HMENU K4QBAppWindow::getMenu() {
    HMENU menu = window_ != nullptr ? GetMenu(window_) : nullptr;
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getMenu = %p", (void*)menu,
              (void*)this);
    return menu;
}

K4QBContentRegistry* K4QBAppWindow::getQBContent() {
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getQBContent = %p", (void*)content_,
              (void*)this);
    return content_;
}

K4QBIniFile* K4QBAppWindow::getINIFile() {
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getINIFile = %p", (void*)iniFile_,
              (void*)this);
    return iniFile_;
}

K4QBIniGroup* K4QBAppWindow::getINIGroup(const char* name) {
    K4QBIniGroup* group = iniFile_ != nullptr ? iniFile_->getGroup(name) : nullptr;
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getINIGroup(%s) = %p", (void*)group,
              name, (void*)this);
    return group;
}

COLORREF K4QBAppWindow::getAppBGColor() {
    // Before the resources exist the colour is still the application's own.
    COLORREF colour = resources_ != nullptr ? resources_->getAppBGColor() : RGB(243, 242, 231);
    K4C_TRACE(logger_, "Enter and return %u from K4QBAppWindow::getAppBGColor = %p",
              (unsigned)colour, (void*)this);
    return colour;
}

HINSTANCE K4QBAppWindow::getAppInstance() {
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getAppInstance = %p",
              (void*)instance_, (void*)this);
    return instance_;
}

HWND K4QBAppWindow::createControl(HWND parent, DWORD exStyle, const char* className,
                                  const char* text, DWORD style, int32_t x, int32_t y,
                                  int32_t width, int32_t height, int32_t id, const char* where,
                                  const void* caller) {
    HWND control =
        CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (control == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, where, caller);
    }
    return control;
}

const K4CString& K4QBAppWindow::getAppFolder() {
    K4C_TRACE(logger_, "Enter and return %s from K4QBAppWindow::getAppFolder = %p",
              appFolder_.getText(), (void*)this);
    return appFolder_;
}

void K4QBAppWindow::setAppFolder(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBAppWindow::setAppFolder(%s) = %p", folder, (void*)this);
    appFolder_.assign(folder);
    K4C_TRACE(logger_, "Exit K4QBAppWindow::setAppFolder = %p", (void*)this);
}

// An empty set behaves like any other: every number is out of range.
static K4QBAppResources* requireResources(K4QBAppResources* resources) {
    if (resources == nullptr) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return resources;
}

HFONT K4QBAppWindow::getFont(int32_t index) {
    HFONT font = requireResources(resources_)->getFont(index);
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getFont(%d) = %p", (void*)font,
              index, (void*)this);
    return font;
}

HICON K4QBAppWindow::getIcon(int32_t index) {
    HICON icon = requireResources(resources_)->getIcon(index);
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getIcon(%d) = %p", (void*)icon,
              index, (void*)this);
    return icon;
}

HBRUSH K4QBAppWindow::getBrush() {
    HBRUSH brush = requireResources(resources_)->getBrush(K4QB_RES_BGBRUSH);
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getBrush = %p", (void*)brush,
              (void*)this);
    return brush;
}

void K4QBAppWindow::setLogger(K4CDebugLogger* logger) {
    logger_ = logger;
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::setLogger = %p", (void*)logger,
              (void*)this);
}

K4CDebugLogger* K4QBAppWindow::getLogger() {
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppWindow::getLogger = %p", (void*)logger_,
              (void*)this);
    return logger_;
}

K4QBAppWindow* K4QBAppWindow::getCurrent() {
    return current_;
}
