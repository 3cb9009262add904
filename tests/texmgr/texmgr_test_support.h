// Shared pieces of the texture manager window tests: a fixture game install
// with loose textures, the real main window built in-process over a content
// registry on it (settings kept in a scratch folder), message pumping, and
// reading back the pixels the preview drew.
#pragma once

#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "foundation/k4qbinifile.h"
#include "platform/platform.h"
#include "tests/support/scratch.h"
#include "tests/support/wait.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace texmgrtest {

// A uniform RGBA PNG.
inline void writeUniformPng(const std::string& path, uint32_t width, uint32_t height,
                            imgwrite::Pixel colour) {
    std::vector<uint16_t> samples;
    samples.reserve(width * height * 4);
    for (uint32_t i = 0; i < width * height; ++i) {
        samples.push_back(colour.r);
        samples.push_back(colour.g);
        samples.push_back(colour.b);
        samples.push_back(colour.a);
    }
    ASSERT_TRUE(imgwrite::saveFile(
        path, imgwrite::writePng(imgwrite::PngOptions(), width, height, samples)))
        << path;
}

// A game install below `root` with loose textures in data\textures\, listed
// by name in byte order: blue.png (64 x 64), broken.png (not an image),
// green.png (64 x 64), red_half.png (64 x 64, alpha 128), wide.png (128 x 32).
inline std::string writeFixtureInstall(const std::string& root) {
    std::string textures = root + "\\install\\data\\textures";
    EXPECT_TRUE(k4p::createFolderTree(textures.c_str()));
    writeUniformPng(textures + "\\blue.png", 64, 64, {0, 0, 255, 255});
    writeUniformPng(textures + "\\green.png", 64, 64, {0, 255, 0, 255});
    writeUniformPng(textures + "\\red_half.png", 64, 64, {255, 0, 0, 128});
    writeUniformPng(textures + "\\wide.png", 128, 32, {255, 255, 0, 255});
    k4test::writeFile(textures + "\\broken.png", "this is no picture");
    return root + "\\install";
}

// The main window with its settings file in a folder of the test's own.
// Its swap chain copies instead of discarding, so that the back buffer still
// holds the last drawing after Present and the test can read it; everything
// else is the program's own.
class TestWindow : public K4QBTexMgrWindow {
public:
    TestWindow(const std::string& folder, K4CDebugLogger* logger = nullptr)
        : K4QBTexMgrWindow(GetModuleHandleA(nullptr), logger) {
        setAppFolder((folder + "\\").c_str());
    }
    void gatherD3DPresentation(D3DPRESENT_PARAMETERS* parameters) override {
        K4QBTexMgrWindow::gatherD3DPresentation(parameters);
        EXPECT_EQ(parameters->SwapEffect, D3DSWAPEFFECT_DISCARD);
        parameters->SwapEffect = D3DSWAPEFFECT_COPY;
    }

    // The state the device reports to the next polls instead of its own
    // (D3D_OK: its own), to play a lost device. Window thread only.
    HRESULT playedDeviceState = D3D_OK;

protected:
    HRESULT checkD3DDeviceState() override {
        return playedDeviceState != D3D_OK ? playedDeviceState
                                           : K4QBTexMgrWindow::checkD3DDeviceState();
    }
};

// Offers a key with modifiers to the accelerator table as the keyboard
// would deliver it; true when it was translated into a command.
inline bool pressAccelerator(HWND window, HACCEL accelerators, UINT key, bool control, bool alt) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message = {};
    message.hwnd = window;
    message.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    message.wParam = key;
    message.lParam = (alt ? 1 << 29 : 0) | 1;
    bool translated = TranslateAcceleratorA(window, accelerators, &message) != 0;
    keys[VK_CONTROL] = 0;
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    return translated;
}

using k4test::pump;
using k4test::pumpUntil;

inline std::string windowText(HWND window) {
    char text[512] = {0};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline bool menuChecked(HMENU menu, UINT id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// Sends a command as the menu does.
inline LRESULT command(K4QBTexMgrWindow* window, int id, int code = 0) {
    return SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(id, code), 0);
}

// Resizes the window so that its client area is width x height.
inline void setClientSize(HWND window, int width, int height) {
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    // A menu bar that wraps changes the client height; correct once.
    RECT client;
    GetClientRect(window, &client);
    int dw = width - client.right, dh = height - client.bottom;
    if (dw != 0 || dh != 0) {
        RECT outer;
        GetWindowRect(window, &outer);
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + dw,
                     outer.bottom - outer.top + dh, SWP_NOMOVE | SWP_NOZORDER);
    }
}

// The back buffer as 0xAARRGGBB values, read inside the Direct3D lock (so no
// drawing is under way).
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> values;
    uint32_t at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
    uint32_t rgb(int x, int y) const { return at(x, y) & 0x00FFFFFFu; }
};

inline Pixels readBackBuffer(K4QBAppWindow* window) {
    Pixels pixels;
    IDirect3DDevice9* device = window->beginD3DUse();
    if (device == nullptr) {
        ADD_FAILURE() << "no device";
        return pixels;
    }
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc = {};
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
        SUCCEEDED(backBuffer->GetDesc(&desc)) &&
        SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                      D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(device->GetRenderTargetData(backBuffer, copy))) {
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            pixels.width = static_cast<int>(desc.Width);
            pixels.height = static_cast<int>(desc.Height);
            pixels.values.resize(desc.Width * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y) {
                const uint32_t* row = reinterpret_cast<const uint32_t*>(
                    static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
                for (UINT x = 0; x < desc.Width; ++x) {
                    pixels.values[y * desc.Width + x] = row[x];
                }
            }
            copy->UnlockRect();
        }
    }
    if (copy != nullptr) {
        copy->Release();
    }
    if (backBuffer != nullptr) {
        backBuffer->Release();
    }
    window->endD3DUse();
    EXPECT_TRUE(desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8)
        << "back buffer format " << desc.Format;
    return pixels;
}

// Each colour channel within `tolerance` of the expected one.
inline bool closeTo(uint32_t actual, uint32_t expected, int tolerance = 3) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = static_cast<int>((actual >> shift) & 0xFF);
        int e = static_cast<int>((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace texmgrtest
