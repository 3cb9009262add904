// The program's resources as Windows sees them: this executable links the
// same compiled resource script as the program, and every check goes through
// the user32/gdi32 APIs the program uses, so a wrong id, flag or
// picture size in the script or in the generated artwork fails here. The menu
// itself is checked through the main window's commands (texmgr tests).
#include "resources/resource_ids.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

// A window with the real menu that records the commands it gets.
std::vector<WPARAM> g_commands;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        g_commands.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Resources, AcceleratorsTranslateIntoMenuCommands) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = self();
    windowClass.lpszClassName = "K4ResourcesTestWindow";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowA(windowClass.lpszClassName, "accelerators", WS_OVERLAPPEDWINDOW, 0,
                                0, 400, 300, nullptr,
                                LoadMenuA(self(), MAKEINTRESOURCEA(IDR_MAINMENU)), self(), nullptr);
    ASSERT_NE(window, nullptr);
    HACCEL table = LoadAcceleratorsA(self(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    // The four first keys, then ten for looking closer and saving a picture.
    EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 4 + 10);

    struct Key {
        UINT key;
        bool control, alt;
        UINT command; // 0: not an accelerator
        bool shift = false;
    };
    for (const Key& k :
         {Key{'N', true, false, IDM_FILE_NEW}, Key{'S', true, false, IDM_FILE_SAVE},
          Key{'M', false, true, IDM_VIEW_MODE_TOGGLE}, Key{VK_F1, false, false, IDM_HELP_CONTENTS},
          Key{'N', false, false, 0}, Key{'M', true, false, 0}, Key{'S', false, true, 0},
          Key{'S', true, false, IDM_FILE_SAVE_IMAGE, true},
          Key{VK_OEM_PLUS, true, false, IDM_VIEW_ZOOM_IN},
          Key{VK_OEM_PLUS, true, false, IDM_VIEW_ZOOM_IN, true},
          Key{VK_ADD, true, false, IDM_VIEW_ZOOM_IN},
          Key{VK_OEM_MINUS, true, false, IDM_VIEW_ZOOM_OUT},
          Key{VK_SUBTRACT, true, false, IDM_VIEW_ZOOM_OUT},
          Key{'0', true, false, IDM_VIEW_ZOOM_ACTUAL},
          Key{VK_NUMPAD0, true, false, IDM_VIEW_ZOOM_ACTUAL},
          Key{VK_NEXT, true, false, IDM_VIEW_LEVEL_NEXT},
          Key{VK_PRIOR, true, false, IDM_VIEW_LEVEL_PREVIOUS},
          // Page Up and Down alone stay with the file list.
          Key{VK_NEXT, false, false, 0}, Key{VK_PRIOR, false, false, 0}}) {
        SCOPED_TRACE(::testing::Message() << "key " << k.key << " ctrl " << k.control << " alt "
                                          << k.alt << " shift " << k.shift);
        BYTE keys[256];
        ASSERT_TRUE(GetKeyboardState(keys));
        keys[VK_CONTROL] = keys[VK_LCONTROL] = k.control ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = k.alt ? 0x80 : 0;
        keys[VK_SHIFT] = keys[VK_LSHIFT] = k.shift ? 0x80 : 0;
        ASSERT_TRUE(SetKeyboardState(keys));
        g_commands.clear();
        UINT keyMessage = k.alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        MSG message = {window, keyMessage, k.key, k.alt ? (1 << 29) | 1 : 1, 0, {0, 0}};
        EXPECT_EQ(TranslateAcceleratorA(window, table, &message) != 0, k.command != 0);
        // Accelerator commands arrive with notification code 1.
        EXPECT_EQ(g_commands, k.command != 0 ? std::vector<WPARAM>{MAKEWPARAM(k.command, 1)}
                                             : std::vector<WPARAM>{});
    }
    DestroyAcceleratorTable(table);
    DestroyWindow(window);
}

TEST(Resources, SplashPictureIs384By216With256Colours) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(self(), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 384);
    EXPECT_EQ(section.dsBm.bmHeight, 216);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 8);

    // A picture, not a blank: a wide use of the palette, a sky darker than
    // the wall.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header = {static_cast<DWORD>(sizeof info.header), 384, -216, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> pixels(384 * 216);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_EQ(GetDIBits(dc, bitmap, 0, 216, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                        DIB_RGB_COLORS),
              216);
    DeleteDC(dc);
    DeleteObject(bitmap);
    EXPECT_GT(std::set<BYTE>(pixels.begin(), pixels.end()).size(), 128u);
    auto brightness = [&](int x, int y) {
        const RGBQUAD& c = info.colours[pixels[static_cast<size_t>(y) * 384 + x]];
        return c.rgbRed + c.rgbGreen + c.rgbBlue;
    };
    EXPECT_LT(brightness(370, 2), brightness(370, 120));
}

// The image Windows picks from an icon group for an n x n request, as stored.
const BITMAPINFOHEADER* storedIcon(WORD group, int n) {
    HRSRC directory = FindResourceA(self(), MAKEINTRESOURCEA(group), RT_GROUP_ICON);
    if (directory == nullptr) {
        return nullptr;
    }
    int id = LookupIconIdFromDirectoryEx(
        static_cast<PBYTE>(LockResource(LoadResource(self(), directory))), TRUE, n, n,
        LR_DEFAULTCOLOR);
    HRSRC image = FindResourceA(self(), MAKEINTRESOURCEA(id), RT_ICON);
    return image != nullptr
               ? static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(self(), image)))
               : nullptr;
}

TEST(Resources, IconGroupsHoldDistinctDrawnImagesAtEverySize) {
    struct Group {
        WORD id;
        std::vector<int> sizes;
    };
    std::set<std::vector<BYTE>> distinct32;
    for (const Group& group : {Group{IDI_APP, {16, 32, 48}}, Group{IDI_GAME_CONTENT, {16, 32, 48}},
                               Group{IDI_FILENAME_BUTTON, {16, 32}}}) {
        for (int n : group.sizes) {
            SCOPED_TRACE("icon " + std::to_string(group.id) + " at " + std::to_string(n));
            // Stored at exactly this size, with real alpha: transparent
            // corners and an opaque interior.
            const BITMAPINFOHEADER* header = storedIcon(group.id, n);
            ASSERT_NE(header, nullptr);
            EXPECT_EQ(header->biWidth, n);
            EXPECT_EQ(header->biBitCount, 32);
            const BYTE* pixels = reinterpret_cast<const BYTE*>(header + 1);
            int clear = 0, opaque = 0;
            for (int i = 0; i < n * n; ++i) {
                clear += pixels[4 * i + 3] == 0;
                opaque += pixels[4 * i + 3] == 255;
            }
            EXPECT_GT(clear, n * n / 10);
            EXPECT_GT(opaque, n * n / 4);
            if (n == 32) {
                distinct32.insert(std::vector<BYTE>(pixels, pixels + 4 * n * n));
            }
        }
    }
    EXPECT_EQ(distinct32.size(), 3u);
}

// (The version resource: checked in the package by scripts/check-package.)
TEST(Resources, CommonControlsManifestIsActive) {
    // The loader activated the manifest: comctl32 comes from the side-by-side
    // store as version 6 (Wine's DllGetVersion reports 5 even then, so the
    // module's path is the evidence).
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char loaded[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(comctl, loaded, MAX_PATH), 0u);
    std::string lower(loaded);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << loaded;
    FreeLibrary(comctl);
}

TEST(ResourcesHelpFile, IsACompiledHelpFileHoldingEveryPage) {
    std::string bytes = k4test::readFile(K4_HELP_FILE);
    ASSERT_GE(bytes.size(), 0x60u) << K4_HELP_FILE;
    EXPECT_EQ(bytes.substr(0, 4), "ITSF");
    // The directory of the archive names every stored file in the clear.
    for (const char* page : {"/index.html", "/finding.html", "/previewing.html", "/layered.html",
                             "/converting.html", "/menus.html", "/files.html",
                             "/troubleshooting.html", "/help.css", "/contents.hhc", "/index.hhk"}) {
        EXPECT_NE(bytes.find(page), std::string::npos) << page;
    }
}

} // namespace
