// The application window base with a real window and device: geometry in the
// settings across runs (also closed minimised), the class and its resources,
// the messages of the base, the busy cursor, and handing errors to the loop.
#include "foundation/errors.h"
#include "foundation/k4qbinifile.h"
#include "shell/k4qberrorboundary.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/checks.h"
#include "tests/support/test_log.h"

#include <array>
#include <memory>
#include <string>

using k4shelltest::TestAppWindow;

namespace {

// Left, top, width and height.
using Place = std::array<long, 4>;

// As saved (-1 when missing).
Place savedPlace(const std::string& iniPath) {
    std::unique_ptr<K4QBIniFile> file(K4QBIniFile::load(iniPath.c_str()));
    K4QBIniGroup* group = file->getGroup("window");
    auto value = [&](const char* key) { return group != nullptr ? group->getInt(key, -1) : -1; };
    return {value("left"), value("top"), value("width"), value("height")};
}

Place windowPlace(HWND window) {
    RECT rectangle = {};
    EXPECT_TRUE(GetWindowRect(window, &rectangle));
    return {rectangle.left, rectangle.top, rectangle.right - rectangle.left,
            rectangle.bottom - rectangle.top};
}

// Written only at the end, and the next run opens where the last one was,
// also when it was closed minimised; a place off every monitor (an older file
// kept a minimised window's parking place) comes back onto the screen. A
// file the loader refuses (a NUL byte) starts empty and is written anew.
TEST(ShellAppWindow, GeometryIsSavedAtTheEndAndReopensOnScreen) {
    std::string folder = k4test::testFolder("shell");
    std::string iniPath = folder + "\\k4-shell-test.ini";
    const std::string broken("[window]\nleft = 1\0\n", 20);
    k4test::writeFile(iniPath, broken);
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        HWND handle = window.getWindow();
        EXPECT_EQ(K4QBAppWindow::getCurrent(), &window);
        ASSERT_TRUE(SetWindowPos(handle, nullptr, 100, 120, 600, 450, SWP_NOZORDER));
        ShowWindow(handle, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(handle));
        EXPECT_EQ(k4test::readFile(iniPath), broken);
    }
    EXPECT_EQ(K4QBAppWindow::getCurrent(), nullptr);
    EXPECT_FALSE(k4shelltest::drainQuitMessage()) << "destruction posts no quit message";
    EXPECT_EQ(savedPlace(iniPath), (Place{100, 120, 600, 450}));
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof windowClass;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "K4QBShellTestWindow", &windowClass));
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        EXPECT_EQ(windowPlace(window.getWindow()), (Place{100, 120, 600, 450}));
    }

    k4test::writeFile(iniPath, "[window]\nleft = -32000\ntop = -32000\nwidth = 160\nheight = 28\n");
    TestAppWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    RECT placed;
    GetWindowRect(window.getWindow(), &placed);
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromRect(&placed, MONITOR_DEFAULTTONULL), &monitor));
    EXPECT_GE(placed.left, monitor.rcWork.left);
    EXPECT_GE(placed.top, monitor.rcWork.top);
    EXPECT_LE(placed.right, monitor.rcWork.right);
    EXPECT_LE(placed.bottom, monitor.rcWork.bottom);
    EXPECT_EQ(placed.right - placed.left, K4QB_MIN_WINDOW_WIDTH);
    EXPECT_EQ(placed.bottom - placed.top, K4QB_MIN_WINDOW_HEIGHT);
}

TEST(ShellAppWindow, BaseMessagesResourcesCursorAndClose) {
    std::string folder = k4test::testFolder("shell");
    HFONT buttonFont = nullptr;
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        HWND handle = window.getWindow();

        // Minimum size (512 x 384) while dragging: the dragged edges move,
        // the others stay; a large enough rectangle is left alone.
        struct Case {
            int edge;
            RECT from, to;
        };
        for (Case c : {Case{WMSZ_LEFT, {700, 100, 1000, 300}, {488, 100, 1000, 484}},
                       Case{WMSZ_TOPRIGHT, {0, 500, 100, 600}, {0, 216, 512, 600}},
                       Case{WMSZ_BOTTOMLEFT, {0, 0, 800, 600}, {0, 0, 800, 600}}}) {
            EXPECT_EQ(SendMessageA(handle, WM_SIZING, c.edge, (LPARAM)&c.from), TRUE);
            EXPECT_TRUE(EqualRect(&c.from, &c.to)) << c.edge;
        }

        // Static controls draw on the application background.
        HDC dc = GetDC(handle);
        EXPECT_EQ((HBRUSH)SendMessageA(handle, WM_CTLCOLORSTATIC, (WPARAM)dc, 0),
                  window.getBrush());
        EXPECT_EQ(GetBkColor(dc), (COLORREF)0x00E7F2F3);
        ReleaseDC(handle, dc);

        // The class carries the set's brush and icons; ten entries.
        EXPECT_EQ((HBRUSH)GetClassLongPtrA(handle, GCLP_HBRBACKGROUND), window.getBrush());
        EXPECT_EQ((HICON)GetClassLongPtrA(handle, GCLP_HICON), window.getIcon(1));
        EXPECT_EQ((HICON)GetClassLongPtrA(handle, GCLP_HICONSM), window.getIcon(2));
        buttonFont = window.getFont(9);
        EXPECT_EQ(GetObjectType(buttonFont), (DWORD)OBJ_FONT);

        window.setAppBusy(K4QB_BUSY_WAIT);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
        window.setAppBusy(K4QB_BUSY_BACKGROUND);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_APPSTARTING));
        window.setAppBusy(K4QB_BUSY_IDLE);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));

        // Closing destroys the window and ends the message loop.
        EXPECT_EQ(SendMessageA(handle, WM_CLOSE, 0, 0), 0);
        EXPECT_FALSE(IsWindow(handle));
        EXPECT_EQ(window.getWindow(), nullptr);
        EXPECT_EQ(K4QBAppWindow::getCurrent(), nullptr);
        EXPECT_TRUE(k4shelltest::drainQuitMessage());
    }
    EXPECT_EQ(GetObjectType(buttonFont), 0u) << "the resources go with the window";
}

// A busy scope gives the arrow back however it ends, also when its trace
// lines cannot be written (a full disk): the file search and the save end
// through it, and a throw from its end would end the program.
TEST(ShellAppWindow, BusyScopeEndsWithTheArrowWhenTracingFails) {
    const std::string folder = k4test::testFolder("shell");
    k4test::TestLog log(folder + "\\busy.txt", K4C_LOG_WARNING);
    TestAppWindow window(folder, log.get());
    window.initialize(nullptr, SW_SHOWNORMAL);
    {
        K4QBBusyScope busy(&window, K4QB_BUSY_WAIT);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
        log.get()->setLevel(K4C_LOG_TRACE);
        log.breakFile(true);
    }
    log.breakFile(false);
    log.get()->setLevel(K4C_LOG_WARNING);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(window.getAppBusy(), K4QB_BUSY_IDLE);
}

// Nothing unwinds through the system's message dispatch: the window procedure
// keeps what a handler threw, code or not, for the message loop.
TEST(ShellAppWindow, WhatAHandlerThrowsWaitsForTheLoop) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::TestWindowOptions options;
    options.badAllocOnApp = true;
    TestAppWindow window(folder, nullptr, options);
    window.initialize(nullptr, SW_SHOWNORMAL);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window.getWindow(), WM_APP, WM_APP, PM_REMOVE));
    EXPECT_NO_THROW(DispatchMessageA(&message));
    std::exception_ptr pending = K4QBAppWindow::takePendingError();
    ASSERT_TRUE(pending);
    EXPECT_STREQ(k4qbErrorText(pending), K4CERR_MEM_OUTOFMEMORY);
}

} // namespace
