// The presenter: which way it shows the back buffer, and that the GDI way
// really puts the picture on a child window (read from the window's own DC).
#include "shell/k4qbpresenter.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <d3d9.h>

#include <memory>

namespace {

// Restores "K4QB_PRESENT" as it was.
class PresentVariable {
public:
    PresentVariable() {
        DWORD length = GetEnvironmentVariableA("K4QB_PRESENT", saved_, sizeof saved_);
        had_ = length > 0 && length < sizeof saved_;
    }
    ~PresentVariable() { SetEnvironmentVariableA("K4QB_PRESENT", had_ ? saved_ : nullptr); }
    void set(const char* value) { SetEnvironmentVariableA("K4QB_PRESENT", value); }

private:
    char saved_[64] = {0};
    bool had_ = false;
};

TEST(Presenter, ModeFollowsTheVariableElseThePlatform) {
    PresentVariable variable;
    variable.set(nullptr);
    // The tests run under Wine.
    ASSERT_TRUE(K4QBPresenter::isRunningUnderWine());
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::ThroughGdi);
    variable.set("direct");
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::Direct);
    variable.set("GDI");
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::ThroughGdi);
    variable.set("sideways");
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::ThroughGdi);
}

// A visible top-level window with a child in it, the way the image panel sits
// in the main window, and a device made with the presenter's parameters.
class PresenterWindow : public ::testing::Test {
protected:
    void SetUp() override {
        top_ = CreateWindowExA(0, "STATIC", "Presenter Test",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 480, 360,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(top_, nullptr);
        child_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 30, 20, 300, 200, top_,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(child_, nullptr);
        pump();
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        presenter_.reset();
        if (device_ != nullptr) {
            device_->Release();
        }
        if (d3d_ != nullptr) {
            d3d_->Release();
        }
        DestroyWindow(top_);
        pump();
    }
    void create(K4QBPresentMode mode) {
        presenter_ = std::make_unique<K4QBPresenter>(mode);
        D3DPRESENT_PARAMETERS parameters;
        ZeroMemory(&parameters, sizeof parameters);
        parameters.BackBufferWidth = 256;
        parameters.BackBufferHeight = 128;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        parameters.hDeviceWindow = child_;
        presenter_->adjust(&parameters);
        deviceWindow_ = parameters.hDeviceWindow;
        ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, top_,
                                     D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device_),
                  D3D_OK);
    }
    // Left half green, right half red.
    void drawHalves() {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
        D3DRECT left = {0, 0, 128, 128};
        device_->Clear(1, &left, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    }
    COLORREF pixel(int x, int y) {
        HDC dc = GetDC(child_);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(child_, dc);
        return colour;
    }
    static void pump() {
        MSG message;
        for (int round = 0; round < 5; ++round) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&message);
            }
            Sleep(10);
        }
    }

    HWND top_ = nullptr;
    HWND child_ = nullptr;
    HWND deviceWindow_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    std::unique_ptr<K4QBPresenter> presenter_;
};

TEST_F(PresenterWindow, ThroughGdiCopiesTheStretchedBufferOntoTheChild) {
    create(K4QBPresentMode::ThroughGdi);
    EXPECT_EQ(presenter_->getTarget(), child_);
    EXPECT_NE(deviceWindow_, child_);
    EXPECT_EQ(deviceWindow_, presenter_->getHiddenWindow());
    EXPECT_FALSE(IsWindowVisible(deviceWindow_));

    drawHalves();
    ASSERT_EQ(presenter_->present(device_), D3D_OK);
    // The 256 x 128 buffer is stretched over the 300 x 200 client area.
    EXPECT_EQ(pixel(10, 10), RGB(0, 255, 0));
    EXPECT_EQ(pixel(140, 190), RGB(0, 255, 0));
    EXPECT_EQ(pixel(160, 10), RGB(255, 0, 0));
    EXPECT_EQ(pixel(295, 195), RGB(255, 0, 0));

    // A resized window gets a copy of its new size.
    SetWindowPos(child_, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    ASSERT_EQ(presenter_->present(device_), D3D_OK);
    EXPECT_EQ(pixel(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(pixel(195, 95), RGB(0, 0, 255));

    // After release (as before a reset) the next present makes its objects
    // again.
    presenter_->release();
    drawHalves();
    ASSERT_EQ(presenter_->present(device_), D3D_OK);
    EXPECT_EQ(pixel(20, 50), RGB(0, 255, 0));
    EXPECT_EQ(pixel(180, 50), RGB(255, 0, 0));
}

TEST_F(PresenterWindow, ThroughGdiSkipsAnEmptyWindowAndRefusesAMissingOne) {
    create(K4QBPresentMode::ThroughGdi);
    SetWindowPos(child_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    drawHalves();
    EXPECT_EQ(presenter_->present(device_), D3D_OK);
    DestroyWindow(child_);
    EXPECT_EQ(presenter_->present(device_), D3DERR_INVALIDCALL);
}

TEST_F(PresenterWindow, DirectKeepsTheDeviceWindowAndPresents) {
    create(K4QBPresentMode::Direct);
    EXPECT_EQ(deviceWindow_, child_);
    EXPECT_EQ(presenter_->getTarget(), child_);
    EXPECT_EQ(presenter_->getHiddenWindow(), nullptr);
    drawHalves();
    EXPECT_EQ(presenter_->present(device_), D3D_OK);
}

} // namespace
