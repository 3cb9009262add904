// Shared pieces of the texture manager window tests: the real main window
// built in-process over a fixture game install (settings in the test's own
// folder), driven with messages, and the pixels the preview drew read back.
#pragma once

#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "tests/support/images.h"
#include "tests/support/scratch.h"
#include "tests/support/wait.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace texmgrtest {

using k4test::pump;
using k4test::pumpUntil;

// The main window with its settings file in the test's folder. Its swap chain
// copies instead of discarding, so that the back buffer still holds the last
// drawing after Present; everything else is the program's own.
class TestWindow : public K4QBTexMgrWindow {
public:
    explicit TestWindow(const std::string& folder, K4CDebugLogger* logger = nullptr)
        : K4QBTexMgrWindow(GetModuleHandleA(nullptr), logger) {
        setAppFolder((folder + "\\").c_str());
    }
    void gatherD3DPresentation(D3DPRESENT_PARAMETERS* parameters) override {
        K4QBTexMgrWindow::gatherD3DPresentation(parameters);
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

inline std::string windowText(HWND window) {
    char text[512] = {0};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// False also for an id no item carries.
inline bool menuChecked(HMENU menu, UINT id) {
    UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

// Sends a command as the menu does.
inline LRESULT command(K4QBTexMgrWindow* window, int id) {
    return SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Selects exactly these positions of the file list (-1: all) and notifies
// the window as the list box does.
inline void select(K4QBTexMgrWindow* window, const std::vector<int>& positions) {
    HWND list = window->getFSControls()->getFileList()->getWindow();
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int position : positions) {
        SendMessageA(list, LB_SETSEL, TRUE, position);
    }
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_FILELIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// Resizes the window so that its client area is width x height.
inline void setClientSize(HWND window, int width, int height) {
    for (int round = 0; round < 2; ++round) { // once more when the menu bar wraps
        RECT client, outer;
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                     outer.bottom - outer.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
    }
}

// The back buffer as 0xRRGGBB values, read inside the Direct3D lock (so no
// drawing is under way).
struct Pixels {
    int width = 0;
    std::vector<uint32_t> values;
    uint32_t rgb(int x, int y) const {
        return values[static_cast<size_t>(y) * width + x] & 0x00FFFFFFu;
    }
};

inline Pixels readBackBuffer(K4QBAppWindow* window) {
    Pixels pixels;
    K4QBD3DUse use(window);
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc = {};
    D3DLOCKED_RECT locked;
    if (use.device() != nullptr &&
        SUCCEEDED(use.device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
        SUCCEEDED(backBuffer->GetDesc(&desc)) &&
        SUCCEEDED(use.device()->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                            D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(use.device()->GetRenderTargetData(backBuffer, copy)) &&
        SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        pixels.width = static_cast<int>(desc.Width);
        for (UINT y = 0; y < desc.Height; ++y) {
            auto row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                                         y * locked.Pitch);
            pixels.values.insert(pixels.values.end(), row, row + desc.Width);
        }
        copy->UnlockRect();
    }
    EXPECT_TRUE(desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8)
        << "no device or back buffer format " << desc.Format;
    for (IDirect3DSurface9* surface : {copy, backBuffer}) {
        if (surface != nullptr) {
            surface->Release();
        }
    }
    return pixels;
}

// A window's rectangle in the client coordinates of `parent`.
inline RECT placeIn(HWND window, HWND parent) {
    RECT at;
    GetWindowRect(window, &at);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&at), 2);
    return at;
}

// Where a control shows in `parent`: for a drop-down combo box its closed
// field (its window may be as tall as its list).
inline RECT shownPlace(HWND window, HWND parent) {
    RECT at = placeIn(window, parent);
    COMBOBOXINFO combo = {};
    combo.cbSize = sizeof combo;
    if (GetComboBoxInfo(window, &combo)) {
        at.bottom = at.top + combo.rcButton.bottom + combo.rcButton.top;
    }
    return at;
}

// A control for a message: its class, id and text.
inline std::string describe(HWND window) {
    char name[32] = {0};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) + " " + std::to_string(GetDlgCtrlID(window)) + " \"" +
           windowText(window) + "\"";
}

// The layout every window size must keep: each of the controls visible, not
// empty, inside `area` (client coordinates of `parent`), and no two of them
// overlapping, except that a group box holds the controls inside it.
inline void expectLaidOut(HWND parent, const RECT& area, const std::vector<HWND>& controls) {
    auto isFrame = [](HWND window) {
        char name[16] = {0};
        GetClassNameA(window, name, sizeof name);
        return lstrcmpiA(name, "Button") == 0 &&
               (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
    };
    for (size_t i = 0; i < controls.size(); ++i) {
        const RECT a = shownPlace(controls[i], parent);
        const std::string name = describe(controls[i]);
        EXPECT_TRUE(IsWindowVisible(controls[i])) << name;
        EXPECT_TRUE(a.left >= area.left && a.top >= area.top && a.right <= area.right &&
                    a.bottom <= area.bottom && a.right > a.left && a.bottom > a.top)
            << name << " at " << a.left << "," << a.top << "," << a.right << "," << a.bottom;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const RECT b = shownPlace(controls[j], parent);
            RECT common;
            if (!isFrame(controls[i]) && !isFrame(controls[j])) {
                // A combo box's field may reach a pixel or two into the
                // next control's border, as the layout has always had it.
                EXPECT_FALSE(IntersectRect(&common, &a, &b) && common.right - common.left > 2 &&
                             common.bottom - common.top > 2)
                    << name << " " << a.left << "," << a.top << "," << a.right << "," << a.bottom
                    << " overlaps " << describe(controls[j]) << " " << b.left << "," << b.top << ","
                    << b.right << "," << b.bottom;
            }
        }
    }
}

// The visible child windows of a window.
inline std::vector<HWND> visibleChildren(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child)) {
            children.push_back(child);
        }
    }
    return children;
}

// Each colour channel within `tolerance` of the expected one.
inline bool closeTo(uint32_t actual, uint32_t expected, int tolerance = 3) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((actual >> shift) & 0xFF) -
                     static_cast<int>((expected >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

// A test with a game install below its folder whose loose textures in
// data\textures\ are listed by name in byte order: blue.png (64 x 64),
// broken.png (not an image), green.png (64 x 64), red_half.png (64 x 64,
// alpha 128), wide.png (128 x 32); and the main window over it.
class WindowTest : public ::testing::Test {
protected:
    static constexpr int kBlue = 0, kBroken = 1, kGreen = 2, kRedHalf = 3, kWide = 4;

    void SetUp() override {
        folder_ = k4test::testFolder("texmgr");
        std::string textures = folder_ + "\\install\\data\\textures";
        ASSERT_TRUE(k4p::createFolderTree(textures.c_str()));
        k4test::writeUniformPng(textures + "\\blue.png", 64, 64, {0, 0, 255, 255});
        k4test::writeUniformPng(textures + "\\green.png", 64, 64, {0, 255, 0, 255});
        k4test::writeUniformPng(textures + "\\red_half.png", 64, 64, {255, 0, 0, 128});
        k4test::writeUniformPng(textures + "\\wide.png", 128, 32, {255, 255, 0, 255});
        k4test::writeFile(textures + "\\broken.png", "this is no picture");
        content_.addSource(K4QBGameDataFolder::CreateFromPath((folder_ + "\\install").c_str()));
        // The file search panel starts on the game content's textures.
        k4test::writeFile(folder_ + "\\k4-qb-texmgr.ini",
                          "[file search]\nsource = Quellbury Content\n");
    }
    // Builds and shows the window over the fixture content, 800 x 600.
    TestWindow* open(K4CDebugLogger* logger = nullptr) {
        window_ = std::make_unique<TestWindow>(folder_, logger);
        window_->initialize(&content_, SW_SHOWNORMAL);
        setClientSize(window_->getWindow(), 800, 600);
        pump();
        panel_ = window_->getImagePanel();
        return window_.get();
    }
    void select(const std::vector<int>& positions) { texmgrtest::select(window_.get(), positions); }
    std::string caption() { return windowText(panel_->getCaptionBox()); }
    bool waitForCaption(const std::string& expected) {
        return pumpUntil([&] { return caption() == expected; });
    }
    // Waits for two more drawings, so that the last one saw every change made
    // before the call.
    void waitForFreshDrawing() {
        K4QBImagePreview* preview = panel_->getImagePreview();
        ASSERT_NE(preview, nullptr);
        uint32_t start = preview->getDrawCount();
        ASSERT_TRUE(pumpUntil([&] { return preview->getDrawCount() >= start + 2; }));
    }

    std::string folder_;
    K4QBContentRegistry content_;
    std::unique_ptr<TestWindow> window_;
    K4QBTexMgrImagePanel* panel_ = nullptr;
};

} // namespace texmgrtest
