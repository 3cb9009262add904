// The program's resources as Windows sees them: this executable links the
// same compiled resource script as the program, and every check goes through
// the user32/gdi32/version APIs the program uses, so a wrong id, text, flag or
// picture size in the script or in the generated artwork fails here.
#include "resources/resource_ids.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winver.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

struct MenuItem {
    const char* text; // nullptr for a separator
    UINT id;
    bool checked;
};

struct Popup {
    const char* text;
    std::vector<MenuItem> items;
};

const std::vector<Popup>& expectedMenu() {
    static const std::vector<Popup> menu = {
        {"&File",
         {{"&New Texture\tCtrl+N", 201, false},
          {"&Save Texture\tCtrl+S", 202, false},
          {nullptr, 0, false},
          {"E&xit\tAlt+F4", 203, false}}},
        {"&View",
         {{"Mode: Find Textures\tAlt+M", 221, false},
          {"Mode: View Layered Texture\tAlt+M", 222, false},
          {nullptr, 0, false},
          {"Alpha Channel: On", 225, false},
          {"Alpha Channel: Off", 226, false},
          {nullptr, 0, false},
          {"Background: &Blue Screen", 228, false},
          {"Background: &Green Screen", 229, false},
          {"Background: &Purple", 230, false},
          {"Background: Blac&k", 231, false},
          {nullptr, 0, false},
          {"&No Animation", 233, false},
          {"Animate at &1 fps", 234, false},
          {"Animate at 1&0 fps", 235, false},
          {"Animate at &30 fps", 236, false}}},
        {"&Debug",
         {{"Output &Warnings", 241, true},
          {"Output &Info", 242, false},
          {"Output &Debug", 243, false},
          {"Output &Trace", 244, false}}},
        {"&Help",
         {{"&Contents\tF1", 261, false},
          {nullptr, 0, false},
          {"&About Texture Manager", 262, false}}},
    };
    return menu;
}

struct ItemInfo {
    std::string text;
    UINT type = 0, state = 0, id = 0;
    HMENU sub = nullptr;
};

ItemInfo itemAt(HMENU menu, UINT pos) {
    char text[256] = {};
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    mii.dwTypeData = text;
    mii.cch = sizeof(text);
    EXPECT_TRUE(GetMenuItemInfoA(menu, pos, TRUE, &mii)) << "item " << pos;
    return {text, mii.fType, mii.fState, mii.wID, mii.hSubMenu};
}

TEST(Resources, MainMenuHasEveryItemWithItsTextIdAndCheckMark) {
    HMENU bar = LoadMenuA(self(), MAKEINTRESOURCEA(IDR_MAINMENU));
    ASSERT_NE(bar, nullptr);
    const auto& expected = expectedMenu();
    ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(expected.size()));
    for (size_t p = 0; p < expected.size(); ++p) {
        const ItemInfo top = itemAt(bar, static_cast<UINT>(p));
        EXPECT_EQ(top.text, expected[p].text);
        ASSERT_NE(top.sub, nullptr) << expected[p].text << " is not a popup";
        ASSERT_EQ(GetMenuItemCount(top.sub), static_cast<int>(expected[p].items.size()))
            << expected[p].text;
        for (size_t i = 0; i < expected[p].items.size(); ++i) {
            const MenuItem& want = expected[p].items[i];
            const ItemInfo got = itemAt(top.sub, static_cast<UINT>(i));
            SCOPED_TRACE(std::string(expected[p].text) + " item " + std::to_string(i));
            EXPECT_EQ(got.sub, nullptr);
            if (want.text == nullptr) {
                EXPECT_TRUE(got.type & MFT_SEPARATOR);
                continue;
            }
            EXPECT_FALSE(got.type & MFT_SEPARATOR);
            EXPECT_EQ(got.text, want.text);
            EXPECT_EQ(got.id, want.id);
            EXPECT_EQ((got.state & MFS_CHECKED) != 0, want.checked);
            EXPECT_FALSE(got.state & (MFS_DISABLED | MFS_GRAYED));
        }
    }
    // The mode toggle is keyboard-only.
    EXPECT_EQ(GetMenuState(bar, IDM_VIEW_MODE_TOGGLE, MF_BYCOMMAND), static_cast<UINT>(-1));
    DestroyMenu(bar);
}

TEST(Resources, AcceleratorTableHoldsExactlyTheFourShortcuts) {
    HACCEL table = LoadAcceleratorsA(self(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    const int count = CopyAcceleratorTableA(table, nullptr, 0);
    ASSERT_EQ(count, 4);
    std::vector<ACCEL> entries(count);
    ASSERT_EQ(CopyAcceleratorTableA(table, entries.data(), count), count);
    std::set<std::vector<int>> got, want = {
                                        {FVIRTKEY | FCONTROL, 'N', IDM_FILE_NEW},
                                        {FVIRTKEY | FCONTROL, 'S', IDM_FILE_SAVE},
                                        {FVIRTKEY | FALT, 'M', IDM_VIEW_MODE_TOGGLE},
                                        {FVIRTKEY, VK_F1, IDM_HELP_CONTENTS},
                                    };
    for (const ACCEL& a : entries) {
        got.insert({a.fVirt & ~0x80, a.key, a.cmd}); // 0x80 marks the table's last entry
    }
    EXPECT_EQ(got, want);
    DestroyAcceleratorTable(table);
}

// A top-level window with the real menu that records the commands it gets.
std::vector<WPARAM> g_commands;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        g_commands.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void setModifiers(bool ctrl, bool alt) {
    BYTE keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
    keys[VK_MENU] = keys[VK_LMENU] = alt ? 0x80 : 0;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    ASSERT_TRUE(SetKeyboardState(keys));
}

TEST(Resources, AcceleratorsTranslateIntoMenuCommandsOfAWindowWithTheMenu) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = recordingProc;
    wc.hInstance = self();
    wc.lpszClassName = "K4ResourcesTestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HMENU menu = LoadMenuA(self(), MAKEINTRESOURCEA(IDR_MAINMENU));
    HWND hwnd = CreateWindowA(wc.lpszClassName, "accelerators", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, menu, self(), nullptr);
    ASSERT_NE(hwnd, nullptr);
    HACCEL table = LoadAcceleratorsA(self(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);

    struct Key {
        UINT vk;
        bool ctrl, alt;
        UINT expected; // 0: not an accelerator
    };
    const Key keys[] = {{'N', true, false, IDM_FILE_NEW},
                        {'S', true, false, IDM_FILE_SAVE},
                        {'M', false, true, IDM_VIEW_MODE_TOGGLE},
                        {VK_F1, false, false, IDM_HELP_CONTENTS},
                        {'N', false, false, 0},
                        {'M', true, false, 0},
                        {'S', false, true, 0}};
    for (const Key& k : keys) {
        SCOPED_TRACE("key " + std::to_string(k.vk) + (k.ctrl ? " ctrl" : "") +
                     (k.alt ? " alt" : ""));
        setModifiers(k.ctrl, k.alt);
        g_commands.clear();
        MSG msg = {};
        msg.hwnd = hwnd;
        msg.message = k.alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = k.vk;
        msg.lParam = 1 | (k.alt ? (1 << 29) : 0);
        const int translated = TranslateAcceleratorA(hwnd, table, &msg);
        if (k.expected == 0) {
            EXPECT_EQ(translated, 0);
            EXPECT_TRUE(g_commands.empty());
        } else {
            EXPECT_NE(translated, 0);
            // Accelerator commands arrive with notification code 1.
            ASSERT_EQ(g_commands.size(), 1u);
            EXPECT_EQ(g_commands[0], MAKEWPARAM(k.expected, 1));
        }
    }
    setModifiers(false, false);
    DestroyAcceleratorTable(table);
    DestroyWindow(hwnd);
    UnregisterClassA(wc.lpszClassName, self());
}

TEST(Resources, SplashPictureIs384By216With256Colours) {
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageA(self(), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bmp, nullptr);
    DIBSECTION ds = {};
    ASSERT_EQ(GetObjectA(bmp, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmWidth, 384);
    EXPECT_EQ(ds.dsBm.bmHeight, 216);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 8);
    EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));

    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    RGBQUAD table[256];
    EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 256u);
    SelectObject(dc, old);

    // Read the indices back through GetDIBits and make sure it is a picture,
    // not a blank: a wide use of the palette and a sky darker than the wall.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[256];
    } info = {};
    info.h.biSize = sizeof(info.h);
    info.h.biWidth = 384;
    info.h.biHeight = -216; // top-down
    info.h.biPlanes = 1;
    info.h.biBitCount = 8;
    info.h.biCompression = BI_RGB;
    std::vector<BYTE> pixels(384 * 216);
    ASSERT_EQ(GetDIBits(dc, bmp, 0, 216, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                        DIB_RGB_COLORS),
              216);
    std::set<BYTE> used(pixels.begin(), pixels.end());
    EXPECT_GT(used.size(), 128u);
    auto brightness = [&](int x, int y) {
        const RGBQUAD& c = info.colours[pixels[static_cast<size_t>(y) * 384 + x]];
        return c.rgbRed + c.rgbGreen + c.rgbBlue;
    };
    EXPECT_LT(brightness(370, 2), brightness(370, 120));
    DeleteDC(dc);
    DeleteObject(bmp);
}

// The icon image that Windows picks from group `group` for an n x n request,
// as stored: BITMAPINFOHEADER and pixels.
const BITMAPINFOHEADER* storedIcon(WORD group, int n) {
    HRSRC dirRes = FindResourceA(self(), MAKEINTRESOURCEA(group), RT_GROUP_ICON);
    if (dirRes == nullptr) {
        return nullptr;
    }
    auto* dir = static_cast<PBYTE>(LockResource(LoadResource(self(), dirRes)));
    const int id = LookupIconIdFromDirectoryEx(dir, TRUE, n, n, LR_DEFAULTCOLOR);
    HRSRC imgRes = FindResourceA(self(), MAKEINTRESOURCEA(id), RT_ICON);
    if (imgRes == nullptr) {
        return nullptr;
    }
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(self(), imgRes)));
}

TEST(Resources, IconGroupsHoldDrawnImagesAtEverySize) {
    struct Group {
        WORD id;
        std::vector<int> sizes;
    };
    const Group groups[] = {
        {IDI_APP, {16, 32, 48}}, {IDI_GAME_CONTENT, {16, 32, 48}}, {IDI_FILENAME_BUTTON, {16, 32}}};
    std::set<std::vector<BYTE>> distinct32;
    for (const Group& g : groups) {
        for (int n : g.sizes) {
            SCOPED_TRACE("icon " + std::to_string(g.id) + " at " + std::to_string(n));
            // Stored at exactly this size: nothing is scaled at run time.
            const BITMAPINFOHEADER* h = storedIcon(g.id, n);
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(h->biWidth, n);
            EXPECT_EQ(h->biHeight, 2 * n);
            EXPECT_EQ(h->biBitCount, 32);
            // Real alpha: transparent corners and an opaque interior.
            const BYTE* px = reinterpret_cast<const BYTE*>(h + 1);
            int clear = 0, opaque = 0;
            for (int i = 0; i < n * n; ++i) {
                clear += px[4 * i + 3] == 0;
                opaque += px[4 * i + 3] == 255;
            }
            EXPECT_GT(clear, n * n / 10);
            EXPECT_GT(opaque, n * n / 4);
            if (n == 32) {
                distinct32.insert(std::vector<BYTE>(px, px + 4 * n * n));
            }
            // And as the program loads it.
            HICON icon = static_cast<HICON>(
                LoadImageA(self(), MAKEINTRESOURCEA(g.id), IMAGE_ICON, n, n, LR_DEFAULTCOLOR));
            ASSERT_NE(icon, nullptr);
            ICONINFO ii = {};
            ASSERT_TRUE(GetIconInfo(icon, &ii));
            ASSERT_NE(ii.hbmColor, nullptr);
            BITMAP bm = {};
            GetObjectA(ii.hbmColor, sizeof(bm), &bm);
            EXPECT_EQ(bm.bmWidth, n);
            EXPECT_EQ(bm.bmHeight, n);
            DeleteObject(ii.hbmColor);
            DeleteObject(ii.hbmMask);
            DestroyIcon(icon);
        }
    }
    EXPECT_EQ(distinct32.size(), 3u) << "the three icons must be different pictures";
}

std::string versionString(const std::vector<BYTE>& block, const char* name) {
    char* value = nullptr;
    UINT len = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) ||
        value == nullptr) {
        return "(missing)";
    }
    return std::string(value);
}

TEST(Resources, VersionInformationAndCommonControlsManifest) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    ASSERT_NE(fixed, nullptr);
    // The numbers and texts agree with the one version (k4version.h).
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(K4_VERSION_MINOR, K4_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, K4_VERSION_PATCH));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(K4_VERSION_MINOR, K4_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(versionString(block, "ProductName"), "Quellbury Texture Manager");
    EXPECT_EQ(versionString(block, "ProductVersion"), K4_VERSION_TEXT);
    EXPECT_EQ(versionString(block, "FileVersion"), K4_VERSION_TEXT);
    EXPECT_EQ(versionString(block, "OriginalFilename"), "k4qb-texmgr.exe");
    EXPECT_NE(versionString(block, "FileDescription").find("Quellbury Texture Manager"),
              std::string::npos);

    HRSRC res = FindResourceA(self(), MAKEINTRESOURCEA(IDM_MANIFEST), RT_MANIFEST);
    ASSERT_NE(res, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(self(), res))),
                               SizeofResource(self(), res));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);

    // The loader activated the manifest: comctl32 comes from the side-by-side
    // store as version 6 (Wine's DllGetVersion reports 5 even then, so the
    // module's path is the evidence).
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char loaded[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(comctl, loaded, MAX_PATH), 0u);
    std::string lower(loaded);
    for (char& ch : lower) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << loaded;
    FreeLibrary(comctl);
}

TEST(ResourcesHelpFile, IsACompiledHelpFileHoldingEveryPage) {
    FILE* f = std::fopen(K4_HELP_FILE, "rb");
    ASSERT_NE(f, nullptr) << K4_HELP_FILE;
    std::string bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) {
        bytes.append(buf, n);
    }
    std::fclose(f);
    ASSERT_GE(bytes.size(), 0x60u);
    EXPECT_EQ(bytes.substr(0, 4), "ITSF");
    // The directory of the archive names every stored file in the clear.
    for (const char* page : {"/index.html", "/finding.html", "/previewing.html", "/layered.html",
                             "/converting.html", "/menus.html", "/files.html",
                             "/troubleshooting.html", "/help.css", "/contents.hhc", "/index.hhk"}) {
        EXPECT_NE(bytes.find(page), std::string::npos) << page;
    }
}

} // namespace
