// The numbered resource sets: their entries, kinds, font sizes and faces,
// and the bounds of the numbers.
#include "foundation/errors.h"
#include "shell/k4qbtexmgrresources.h"
#include "tests/shell/shell_test_support.h"

#include <string>

namespace {

LOGFONTA fontOf(HFONT font) {
    LOGFONTA description;
    ZeroMemory(&description, sizeof description);
    EXPECT_NE(GetObjectA(font, sizeof description, &description), 0);
    return description;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Width of an icon's colour (or mask) bitmap.
int iconWidth(HICON icon) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) {
        return -1;
    }
    BITMAP bitmap;
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

} // namespace

TEST(ShellGdiResources, ApplicationSetHoldsTenNumberedEntries) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::TestLog log(folder + "\\trace.txt");
    K4QBTexMgrResources set(nullptr, log.get());
    EXPECT_EQ(set.getCount(), 0) << "nothing before init";
    set.init();
    ASSERT_EQ(set.getCount(), K4QB_TEXMGR_RESOURCE_COUNT);
    const int32_t kinds[] = {K4QB_RES_BRUSH, K4QB_RES_ICON, K4QB_RES_ICON, K4QB_RES_FONT,
                             K4QB_RES_FONT,  K4QB_RES_ICON, K4QB_RES_ICON, K4QB_RES_ICON,
                             K4QB_RES_ICON,  K4QB_RES_FONT};
    for (int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(set.getKind(i), kinds[i]) << i;
        EXPECT_NE(set.getHandle(i), nullptr) << i;
    }
    EXPECT_EQ(set.getAppBGColor(), (COLORREF)0x00E7F2F3);
    LOGBRUSH brush;
    ASSERT_NE(GetObjectA(set.getBrush(0), sizeof brush, &brush), 0);
    EXPECT_EQ(brush.lbColor, (COLORREF)0x00E7F2F3);
    EXPECT_EQ(brush.lbStyle, (UINT)BS_SOLID);

    EXPECT_EQ(iconWidth(set.getIcon(1)), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(iconWidth(set.getIcon(2)), 16);
    EXPECT_EQ(iconWidth(set.getIcon(5)), 16);
    for (int32_t i = 6; i <= 8; ++i) {
        EXPECT_EQ(iconWidth(set.getIcon(i)), GetSystemMetrics(SM_CXSMICON)) << i;
    }

    LOGFONTA label = fontOf(set.getFont(3));
    LOGFONTA list = fontOf(set.getFont(4));
    LOGFONTA button = fontOf(set.getFont(9));
    EXPECT_STREQ(label.lfFaceName, "Verdana");
    EXPECT_STREQ(list.lfFaceName, "Arial");
    EXPECT_STREQ(button.lfFaceName, "Verdana");
    EXPECT_EQ(label.lfWeight, 0);
    EXPECT_EQ(list.lfWeight, 0);
    EXPECT_EQ(button.lfWeight, 400);
    EXPECT_EQ(label.lfHeight, -MulDiv(9, screenDpi(), 72));
    EXPECT_EQ(button.lfHeight, -MulDiv(8, screenDpi(), 72));
    if (screenDpi() == 96) {
        EXPECT_EQ(label.lfHeight, -12);
        EXPECT_EQ(list.lfHeight, -12);
        EXPECT_EQ(button.lfHeight, -11);
    }
    EXPECT_EQ(K4QBGdiResources::fontHeight(9), label.lfHeight);

    EXPECT_STREQ(k4shelltest::thrownBy([&] { set.getHandle(10); }), "IndexOutOfBoundsException");
    EXPECT_STREQ(k4shelltest::thrownBy([&] { set.getFont(-1); }), "IndexOutOfBoundsException");
    EXPECT_TRUE(log.has("Enter K4QBTexMgrResources::init = "));
    EXPECT_TRUE(log.has("Exit K4QBAppResources::init = "));
}
