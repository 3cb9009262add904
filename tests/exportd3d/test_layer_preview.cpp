// The layered texture's preview worker in the real main window's image panel
// (under Wine).
#include "layered_test_support.h"

#include "shell/k4qbpresenter.h"

namespace {

using namespace layeredtest;
using texmgrtest::closeTo;
using texmgrtest::readBackBuffer;

class LayerPreview : public LayeredTest {
protected:
    // Marks the preview dirty and waits for a drawing that began after every
    // change made before. Holding the device, no drawing is half done while
    // the count is read.
    void redraw() {
        uint32_t start = 0;
        {
            K4QBD3DUse use(window_.get());
            start = preview_->getDrawCount();
            preview_->setDirty();
        }
        ASSERT_TRUE(k4test::pumpUntil([&] { return preview_->getDrawCount() > start; }));
    }
    RECT rect() {
        K4QBFileList layers;
        preview_.get()->getLayers()->copyTo(&layers);
        K4QBD3DUse use(window_.get());
        return layerRect(preview_.get(), layers, true);
    }
    uint32_t centre() {
        const RECT r = rect();
        return readBackBuffer(window_.get()).rgb((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

// It draws when marked dirty and only then: the layers inside the rectangle
// fitted into the panel, over the panel's background, dark grey around them,
// leaving out layers that cannot load; the picture reaches the panel window;
// a request made while the device is lost waits for the reset.
TEST_F(LayerPreview, RedrawsWhenDirtyAndSkipsLayersThatCannotLoad) {
    addGameTexture("blue.png");
    preview_->start();
    ASSERT_TRUE(k4test::pumpUntil([&] { return preview_->getDrawCount() >= 1; }));
    const RECT square = rect();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_GT(square.right, square.left);
    EXPECT_NEAR(square.left + square.right, screenWidth, 2);
    EXPECT_NEAR(square.top + square.bottom, screenHeight, 2);
    EXPECT_EQ(readBackBuffer(window_.get()).rgb(square.left - 3, square.top + 3), 0x333333u);
    EXPECT_EQ(centre(), 0x0000FFu);
    const uint32_t drawn = preview_->getDrawCount();
    k4test::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(preview_->getDrawCount(), drawn) << "drawn without a change";

    // A file gone by the time it is drawn is left out; at the bottom the next
    // layer gives the size.
    layers_.clear();
    layers_.append(nullptr, "gone.png", folder_.c_str());
    addGameTexture("wide.png"); // 128 x 32
    addGameTexture("red_half.png");
    layers_.append(nullptr, "gone.png", folder_.c_str());
    redraw();
    const RECT wide = rect();
    EXPECT_NEAR(static_cast<double>(wide.right - wide.left) / screenWidth,
                4.0 * (wide.bottom - wide.top) / screenHeight, 0.05);
    const uint32_t redOverYellow = 0xFF7F00u; // green 255 * (1 - 128 / 255)
    EXPECT_TRUE(closeTo(centre(), redOverYellow)) << std::hex << centre();

    // Half-transparent red over the panel's blue screen colour (129, 143, 255),
    // in the render target and on the panel window.
    layers_.removeAt(1);
    layers_.removeAt(0);
    redraw();
    const double a = 128.0 / 255.0;
    const uint32_t red = static_cast<uint32_t>(255 * a + 129 * (1 - a) + 0.5);
    const uint32_t green = static_cast<uint32_t>(143 * (1 - a) + 0.5);
    const uint32_t blue = static_cast<uint32_t>(255 * (1 - a) + 0.5);
    EXPECT_TRUE(closeTo(centre(), red << 16 | green << 8 | blue)) << std::hex << centre();
    if (window_->getPresenter()->getMode() == K4QBPresentMode::ThroughGdi) {
        RECT client;
        GetClientRect(panel_->getPanelWindow(), &client);
        HDC dc = GetDC(panel_->getPanelWindow());
        const uint32_t shown = GetPixel(dc, client.right / 2, client.bottom / 2); // 0xBBGGRR
        ReleaseDC(panel_->getPanelWindow(), dc);
        EXPECT_TRUE(closeTo(shown, blue << 16 | green << 8 | red)) << std::hex << shown;
    }

    // No layer left: dark grey only.
    layers_.clear();
    redraw();
    EXPECT_EQ(readBackBuffer(window_.get()).rgb(screenWidth / 2, screenHeight / 2), 0x333333u);

    // While the device is lost nothing is drawn and the request waits; after
    // the reset it is drawn.
    window_->playedDeviceState = D3DERR_DEVICELOST;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    addGameTexture("blue.png");
    const uint32_t beforeLoss = preview_->getDrawCount();
    preview_->setDirty();
    k4test::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(preview_->getDrawCount(), beforeLoss);
    window_->playedDeviceState = D3DERR_DEVICENOTRESET;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    window_->playedDeviceState = D3D_OK;
    ASSERT_TRUE(k4test::pumpUntil([&] { return preview_->getDrawCount() > beforeLoss; }));
    EXPECT_EQ(centre(), 0x0000FFu);
    preview_->stop();
    EXPECT_FALSE(preview_->isRunning());
}

} // namespace
