// The splash: window size and place, the status line's limit, the class and
// font shared by all splashes, and the window without a picture.
#include "foundation/errors.h"
#include "resources/resource_ids.h"
#include "shell/k4qbsplash.h"
#include "tests/shell/shell_test_support.h"

#include <string>

namespace {

HBITMAP loadSplashPicture() {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0));
}

bool splashClassRegistered() {
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof windowClass;
    return GetClassInfoExA(GetModuleHandleA(nullptr), "K4QBSplash", &windowClass) != 0;
}

} // namespace

TEST(ShellSplash, PictureWindowIsCentredAndStatusHoldsAtMost511Characters) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::TestLog log(folder + "\\trace.txt");
    K4QBSplash::initWindowMap();
    HBITMAP picture = loadSplashPicture();
    ASSERT_NE(picture, nullptr);
    {
        K4QBSplash splash(picture, log.get());
        EXPECT_EQ(splash.getPictureWidth(), 384);
        EXPECT_EQ(splash.getPictureHeight(), 216);
        EXPECT_STREQ(splash.getStatus(), "");
        EXPECT_EQ(splash.getWindow(), nullptr); // made on first need

        ASSERT_TRUE(splash.show());
        HWND window = splash.getWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(IsWindowVisible(window));
        RECT rectangle;
        ASSERT_TRUE(GetWindowRect(window, &rectangle));
        EXPECT_EQ(rectangle.right - rectangle.left, 392);
        EXPECT_EQ(rectangle.bottom - rectangle.top, 276);
        EXPECT_EQ(rectangle.left, (GetSystemMetrics(SM_CXFULLSCREEN) - 392) >> 1);
        EXPECT_EQ(rectangle.top, (GetSystemMetrics(SM_CYFULLSCREEN) - 276) >> 1);
        LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
        EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
        EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0);
        LONG style = GetWindowLongA(window, GWL_STYLE);
        EXPECT_NE(style & WS_POPUP, 0);
        EXPECT_NE(style & WS_BORDER, 0);
        char title[32] = {0};
        GetWindowTextA(window, title, sizeof title);
        EXPECT_STREQ(title, "K4QBSplash");

        std::string longest(511, 'x');
        EXPECT_TRUE(splash.setStatus("Initializing debug logger..."));
        EXPECT_STREQ(splash.getStatus(), "Initializing debug logger...");
        EXPECT_TRUE(splash.setStatus(longest.c_str()));
        EXPECT_EQ(std::string(splash.getStatus()), longest);
        std::string tooLong(512, 'y');
        EXPECT_FALSE(splash.setStatus(tooLong.c_str()));
        EXPECT_EQ(std::string(splash.getStatus()), longest) << "the previous text stays";

        // The picture is drawn at (3, 2) of the client area: a window that
        // paints it shows the bitmap's own pixel there.
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
        EXPECT_FALSE(splash.isVisible());
        EXPECT_TRUE(splash.hide()) << "already hidden";
        EXPECT_TRUE(splashClassRegistered());
    }
    // The last splash removes the class; the picture went with the splash.
    EXPECT_FALSE(splashClassRegistered());
    EXPECT_EQ(GetObjectType(picture), 0u);
    K4QBSplash::freeWindowMap();
    EXPECT_TRUE(log.has("Enter constructor K4QBSplash("));
    EXPECT_TRUE(log.has("Return 0 from K4QBSplash::setStatus = "));
    EXPECT_TRUE(log.has("Exit destructor K4QBSplash = "));
}

TEST(ShellSplash, WithoutPictureAndSharedBetweenSplashes) {
    K4QBSplash::initWindowMap();
    {
        K4QBSplash first(nullptr);
        EXPECT_EQ(first.getPictureWidth(), 0);
        EXPECT_TRUE(first.setStatus("before the window")) << "stored without a window";
        EXPECT_EQ(first.getWindow(), nullptr);
        ASSERT_TRUE(first.show());
        RECT rectangle;
        ASSERT_TRUE(GetWindowRect(first.getWindow(), &rectangle));
        EXPECT_EQ(rectangle.right - rectangle.left, 320);
        EXPECT_EQ(rectangle.bottom - rectangle.top, 60);
        WNDCLASSEXA windowClass;
        windowClass.cbSize = sizeof windowClass;
        ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "K4QBSplash", &windowClass));
        EXPECT_EQ(windowClass.style, (UINT)(CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW));
        EXPECT_EQ(windowClass.hCursor, LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
        {
            K4QBSplash second(nullptr);
            EXPECT_TRUE(second.show());
        }
        // The class outlives the second splash while the first lives.
        EXPECT_TRUE(splashClassRegistered());
        EXPECT_TRUE(first.setStatus("Could not find Quellbury content!\nCertain features will "
                                    "be disabled."));
    }
    EXPECT_FALSE(splashClassRegistered());
    K4QBSplash::freeWindowMap();
}
