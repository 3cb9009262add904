// The presenter: which way it shows the back buffer, and that the GDI way
// really puts the picture on a child window (read from the window's own DC).
#include "shell/k4qbpresenter.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <d3d9.h>

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
    ASSERT_TRUE(K4QBPresenter::isRunningUnderWine()) << "the tests run under Wine";
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::ThroughGdi);
    variable.set("direct");
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::Direct);
    variable.set("GDI");
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::ThroughGdi);
    variable.set("sideways");
    EXPECT_EQ(K4QBPresenter::chooseMode(), K4QBPresentMode::ThroughGdi);
}

// Through GDI on a child window, the way the image panel sits in the main
// window: the device is bound to a hidden window, and each present stretches
// the whole buffer over the child's client area (the preview tests cover a
// resized panel and a reset). An empty window is skipped, a missing one
// refused.
TEST(Presenter, ThroughGdiCopiesTheStretchedBufferOntoAChildWindow) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND top = CreateWindowExA(0, "STATIC", "Presenter Test",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 480, 360,
                               nullptr, nullptr, instance, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 30, 20, 300, 200, top,
                                 nullptr, instance, nullptr);
    ASSERT_NE(child, nullptr);
    k4test::pump();
    K4QBPresenter presenter(K4QBPresentMode::ThroughGdi);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = 256;
    parameters.BackBufferHeight = 128;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.hDeviceWindow = child;
    presenter.adjust(&parameters);
    EXPECT_EQ(presenter.getTarget(), child);
    EXPECT_EQ(parameters.hDeviceWindow, presenter.getHiddenWindow());
    EXPECT_FALSE(IsWindowVisible(parameters.hDeviceWindow));
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, top,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device),
              D3D_OK);

    // Left half green, right half red.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    D3DRECT left = {0, 0, 128, 128};
    device->Clear(1, &left, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(presenter.present(device), D3D_OK);
    HDC dc = GetDC(child);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 140, 190), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 160, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 295, 195), RGB(255, 0, 0));
    ReleaseDC(child, dc);

    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(presenter.present(device), D3D_OK);
    DestroyWindow(child);
    EXPECT_EQ(presenter.present(device), D3DERR_INVALIDCALL);

    presenter.release();
    device->Release();
    d3d->Release();
    DestroyWindow(top);
}

} // namespace
