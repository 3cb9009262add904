// The splash: window size and place, the picture on screen, the status line's
// limit, the class and font shared by all splashes, and the window without a
// picture.
#include "resources/resource_ids.h"
#include "shell/k4qbsplash.h"
#include "tests/shell/shell_test_support.h"

#include <string>

namespace {

bool splashClassRegistered() {
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof windowClass;
    return GetClassInfoExA(GetModuleHandleA(nullptr), "K4QBSplash", &windowClass) != 0;
}

TEST(ShellSplash, PictureWindowIsCentredAndStatusHoldsAtMost511Characters) {
    K4QBSplash::initWindowMap();
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(picture, nullptr);
    {
        K4QBSplash splash(picture);
        EXPECT_EQ(splash.getWindow(), nullptr); // made on first need
        ASSERT_TRUE(splash.show());
        HWND window = splash.getWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(IsWindowVisible(window));
        // Centred, with room for the picture at (3, 2) of its client area.
        RECT rectangle, client;
        ASSERT_TRUE(GetWindowRect(window, &rectangle));
        ASSERT_TRUE(GetClientRect(window, &client));
        BITMAP shown = {};
        ASSERT_NE(GetObjectA(picture, sizeof shown, &shown), 0);
        EXPECT_GE(client.right, 3 + shown.bmWidth);
        EXPECT_GE(client.bottom, 2 + shown.bmHeight);
        EXPECT_NEAR(rectangle.left + rectangle.right, GetSystemMetrics(SM_CXFULLSCREEN), 1);
        EXPECT_NEAR(rectangle.top + rectangle.bottom, GetSystemMetrics(SM_CYFULLSCREEN), 1);
        EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

        std::string longest(511, 'x');
        EXPECT_TRUE(splash.setStatus(longest.c_str()));
        EXPECT_FALSE(splash.setStatus(std::string(512, 'y').c_str()));
        EXPECT_EQ(std::string(splash.getStatus()), longest) << "the previous text stays";

        // The picture is drawn at (3, 2) of the client area.
        HDC windowDc = GetDC(window);
        HDC pictureDc = CreateCompatibleDC(windowDc);
        HGDIOBJ previous = SelectObject(pictureDc, picture);
        COLORREF expected = GetPixel(pictureDc, 100, 100);
        SelectObject(pictureDc, previous);
        DeleteDC(pictureDc);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(GetPixel(windowDc, 103, 102), expected);
        ReleaseDC(window, windowDc);

        ASSERT_TRUE(splash.hide());
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(splash.hide()) << "already hidden";
    }
    // The last splash removes the class; the picture went with the splash.
    EXPECT_FALSE(splashClassRegistered());
    EXPECT_EQ(GetObjectType(picture), 0u);
    K4QBSplash::freeWindowMap();
}

TEST(ShellSplash, WithoutPictureAndSharedBetweenSplashes) {
    K4QBSplash::initWindowMap();
    {
        K4QBSplash first(nullptr);
        EXPECT_TRUE(first.setStatus("before the window")) << "stored without a window";
        ASSERT_TRUE(first.show());
        RECT rectangle;
        ASSERT_TRUE(GetWindowRect(first.getWindow(), &rectangle));
        EXPECT_EQ(rectangle.right - rectangle.left, 320);
        EXPECT_EQ(rectangle.bottom - rectangle.top, 60);
        EXPECT_TRUE(K4QBSplash(nullptr).show()); // a second splash, gone at once
        // The class outlives the second splash while the first lives.
        EXPECT_TRUE(splashClassRegistered());
    }
    EXPECT_FALSE(splashClassRegistered());
    K4QBSplash::freeWindowMap();
}

} // namespace
