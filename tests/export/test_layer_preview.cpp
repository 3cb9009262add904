// The layered texture's preview worker in the real main window's image panel
// (under Wine): it draws when marked dirty and only then, blends the layers
// over the panel's background inside the fitted rectangle with dark grey
// around it, skips layers that cannot load, reaches the panel window through
// the presenter, and waits out a lost device.
#include "layered_test_support.h"

#include "shell/k4qbpresenter.h"

namespace {

using namespace layeredtest;
using texmgrtest::closeTo;
using texmgrtest::readBackBuffer;

class LayerPreview : public LayeredTest {
protected:
    // Marks the preview dirty and waits for a drawing that began after every
    // change made before the call. Holding the device keeps any drawing from
    // being half done while the count is read.
    void redraw() {
        uint32_t start = 0;
        {
            K4QBD3DUse use(window_.get());
            ASSERT_NE(use.device(), nullptr);
            start = preview_->getDrawCount();
            preview_->setDirty();
        }
        ASSERT_TRUE(k4test::pumpUntil([&] { return preview_->getDrawCount() > start; }));
    }
    RECT rect() {
        K4QBD3DUse use(window_.get());
        return layerRect(preview_.get(), true);
    }
    uint32_t centre() {
        const RECT r = rect();
        return readBackBuffer(window_.get()).rgb((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

TEST_F(LayerPreview, RedrawsWhenDirtyAndSkipsLayersThatCannotLoad) {
    addGameTexture("blue.png");
    preview_->start();
    ASSERT_TRUE(k4test::pumpUntil([&] { return preview_->getDrawCount() >= 1; }));

    // A square fitted into the panel, centred, with dark grey around it.
    const RECT square = rect();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_GT(square.right - square.left, 0);
    EXPECT_NEAR(square.left + square.right, screenWidth, 2);
    EXPECT_NEAR(square.top + square.bottom, screenHeight, 2);
    texmgrtest::Pixels pixels = readBackBuffer(window_.get());
    EXPECT_EQ(pixels.rgb(2, 2), 0x333333u);
    EXPECT_EQ(pixels.rgb(square.left - 3, (square.top + square.bottom) / 2), 0x333333u);
    EXPECT_EQ(centre(), 0x0000FFu);

    // No drawing without a change: the count stays while nothing is dirty.
    const uint32_t drawn = preview_->getDrawCount();
    k4test::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(preview_->getDrawCount(), drawn);

    // Half-transparent red on top.
    addGameTexture("red_half.png");
    redraw();
    const double a = 128.0 / 255.0;
    const uint32_t redOverBlue =
        (static_cast<uint32_t>(255 * a + 0.5) << 16) | static_cast<uint32_t>(255 * (1 - a) + 0.5);
    EXPECT_TRUE(closeTo(centre(), redOverBlue)) << std::hex << centre();

    // A layer whose file is gone by the time it is drawn is left out, also at
    // the bottom, where the next layer gives the size (wide: 128 x 32).
    writePicture(folder_ + "\\gone.png", 8, 8, uniform(8, 8, {0, 255, 0, 255}));
    layers_.append(nullptr, "gone.png", folder_.c_str());
    k4p::removeFile((folder_ + "\\gone.png").c_str());
    redraw();
    EXPECT_TRUE(closeTo(centre(), redOverBlue)) << std::hex << centre();
    layers_.clear();
    layers_.append(nullptr, "gone.png", folder_.c_str());
    addGameTexture("wide.png");
    redraw();
    const RECT wide = rect();
    EXPECT_NEAR(static_cast<double>(wide.right - wide.left) / screenWidth,
                4.0 * (wide.bottom - wide.top) / screenHeight, 0.05);
    EXPECT_EQ(centre(), 0xFFFF00u);

    // The panel's background shows through; what reaches the panel window is
    // the same picture.
    layers_.clear();
    addGameTexture("red_half.png");
    redraw();
    const uint32_t redOverScreen = (static_cast<uint32_t>(255 * a + 129 * (1 - a) + 0.5) << 16) |
                                   (static_cast<uint32_t>(143 * (1 - a) + 0.5) << 8) |
                                   static_cast<uint32_t>(255 * (1 - a) + 0.5);
    EXPECT_TRUE(closeTo(centre(), redOverScreen)) << std::hex << centre();
    if (window_->getPresenter()->getMode() == K4QBPresentMode::ThroughGdi) {
        HWND panelWindow = panel_->getPanelWindow();
        RECT client;
        GetClientRect(panelWindow, &client);
        HDC dc = GetDC(panelWindow);
        const uint32_t shown = GetPixel(dc, client.right / 2, client.bottom / 2);
        const uint32_t corner = GetPixel(dc, 3, 3);
        ReleaseDC(panelWindow, dc);
        // COLORREF is 0xBBGGRR.
        const uint32_t expected =
            ((redOverScreen & 0xFF) << 16) | (redOverScreen & 0xFF00) | (redOverScreen >> 16);
        EXPECT_TRUE(closeTo(shown, expected)) << std::hex << shown;
        EXPECT_TRUE(closeTo(corner, 0x333333u)) << std::hex << corner;
    }

    // No layer left: only dark grey.
    layers_.clear();
    redraw();
    EXPECT_EQ(readBackBuffer(window_.get()).rgb(screenWidth / 2, screenHeight / 2), 0x333333u);

    // While the device is lost nothing is drawn and the request waits; after
    // the reset it is drawn.
    addGameTexture("blue.png");
    window_->playedDeviceState = D3DERR_DEVICELOST;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    ASSERT_TRUE(window_->isD3DDeviceLost());
    const uint32_t beforeLoss = preview_->getDrawCount();
    preview_->setDirty();
    k4test::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(preview_->getDrawCount(), beforeLoss);
    EXPECT_TRUE(preview_->isDirty());
    window_->playedDeviceState = D3DERR_DEVICENOTRESET;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    window_->playedDeviceState = D3D_OK;
    ASSERT_TRUE(k4test::pumpUntil([&] { return preview_->getDrawCount() > beforeLoss; }));
    EXPECT_EQ(centre(), 0x0000FFu);

    preview_->stop();
    EXPECT_FALSE(preview_->isRunning());
    EXPECT_EQ(window_->getD3DLockDepth(), 0);
}

} // namespace
