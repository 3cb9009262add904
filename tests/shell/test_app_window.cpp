// The application window base with a real window and device: geometry in the
// settings across runs (also closed minimised), the class and its resources,
// the messages of the base, the busy cursor, and handing errors to the loop.
#include "foundation/errors.h"
#include "foundation/k4qbinifile.h"
#include "shell/k4qberrorboundary.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/checks.h"

#include <memory>
#include <string>

using k4shelltest::TestAppWindow;

namespace {

int32_t savedInt(const std::string& iniPath, const char* key) {
    std::unique_ptr<K4QBIniFile> file(K4QBIniFile::load(iniPath.c_str()));
    K4QBIniGroup* group = file->getGroup("window");
    return group != nullptr ? group->getInt(key, -1) : -1;
}

RECT windowRectangle(HWND window) {
    RECT rectangle = {};
    EXPECT_TRUE(GetWindowRect(window, &rectangle));
    return rectangle;
}

// Written only at the end, and the next run opens where the last one was,
// also when it was closed minimised; a place off every monitor (an older file
// kept a minimised window's parking place) comes back onto the screen.
TEST(ShellAppWindow, GeometryIsSavedAtTheEndAndReopensOnScreen) {
    std::string folder = k4test::testFolder("shell");
    std::string iniPath = folder + "\\k4-shell-test.ini";
    {
        TestAppWindow window(folder);
        EXPECT_EQ(window.getAppFolder().getText(), folder + "\\");
        window.initialize(nullptr, SW_SHOWNORMAL);
        HWND handle = window.getWindow();
        EXPECT_EQ(K4QBAppWindow::getCurrent(), &window);
        EXPECT_TRUE(IsWindowVisible(handle));
        EXPECT_NE(window.getMenu(), nullptr) << "the class names menu 104";
        EXPECT_EQ(window.starts, 1);
        ASSERT_TRUE(SetWindowPos(handle, nullptr, 100, 120, 600, 450, SWP_NOZORDER));
        EXPECT_EQ(window.getINIGroup("window")->getInt("width", -1), 600);
        ShowWindow(handle, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(handle));
        EXPECT_EQ(k4test::readFile(iniPath), "<missing>");
    }
    EXPECT_EQ(K4QBAppWindow::getCurrent(), nullptr);
    EXPECT_FALSE(k4shelltest::drainQuitMessage()) << "destruction posts no quit message";
    EXPECT_EQ(savedInt(iniPath, "left"), 100);
    EXPECT_EQ(savedInt(iniPath, "top"), 120);
    EXPECT_EQ(savedInt(iniPath, "width"), 600);
    EXPECT_EQ(savedInt(iniPath, "height"), 450);
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof windowClass;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "K4QBShellTestWindow", &windowClass));
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        RECT placed = windowRectangle(window.getWindow());
        EXPECT_EQ(placed.left, 100);
        EXPECT_EQ(placed.top, 120);
        EXPECT_EQ(placed.right - placed.left, 600);
        EXPECT_EQ(placed.bottom - placed.top, 450);
    }

    k4test::writeFile(iniPath, "[window]\nleft = -32000\ntop = -32000\nwidth = 160\nheight = 28\n");
    TestAppWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    RECT placed = windowRectangle(window.getWindow());
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

TEST(ShellAppWindow, MissingGeometryUsesDefaultsAndBrokenSettingsStartEmpty) {
    std::string folder = k4test::testFolder("shell");
    std::string iniPath = folder + "\\k4-shell-test.ini";
    // A width without digits counts as missing, so the default size applies.
    k4test::writeFile(iniPath, "[window]\nleft = 40\ntop = 50\nwidth = wide\nheight = 300\n");
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        RECT placed = windowRectangle(window.getWindow());
        EXPECT_EQ(placed.left, 40);
        EXPECT_EQ(placed.top, 50);
        EXPECT_GT(placed.right - placed.left, 0);
    }
    // A file the loader refuses (a NUL byte) gives empty settings, and the
    // file is written anew at the end.
    k4test::writeFile(iniPath, std::string("[window]\nleft = 1\0\n", 20));
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        SetWindowPos(window.getWindow(), nullptr, 30, 35, 520, 400, SWP_NOZORDER);
    }
    EXPECT_EQ(savedInt(iniPath, "left"), 30);
    EXPECT_EQ(savedInt(iniPath, "width"), 520);
}

TEST(ShellAppWindow, BaseMessagesResourcesCursorAndClose) {
    std::string folder = k4test::testFolder("shell");
    HFONT buttonFont = nullptr;
    {
        TestAppWindow window(folder);
        window.initialize(nullptr, SW_SHOWNORMAL);
        HWND handle = window.getWindow();

        // Minimum size while dragging: the dragged edge moves, the other stays.
        RECT rectangle = {700, 100, 1000, 300};
        EXPECT_EQ(SendMessageA(handle, WM_SIZING, WMSZ_LEFT, (LPARAM)&rectangle), TRUE);
        EXPECT_EQ(rectangle.right, 1000);
        EXPECT_EQ(rectangle.left, 1000 - 512);
        EXPECT_EQ(rectangle.bottom, 100 + 384);
        rectangle = {0, 500, 100, 600};
        SendMessageA(handle, WM_SIZING, WMSZ_TOPRIGHT, (LPARAM)&rectangle);
        EXPECT_EQ(rectangle.right, 512);
        EXPECT_EQ(rectangle.top, 600 - 384);
        rectangle = {0, 0, 800, 600};
        SendMessageA(handle, WM_SIZING, WMSZ_BOTTOMLEFT, (LPARAM)&rectangle);
        EXPECT_EQ(rectangle.right - rectangle.left, 800) << "large enough: unchanged";

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
        EXPECT_THROWS_CODE(window.getFont(10), K4CEXC_INDEXOUTOFBOUNDS);

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
