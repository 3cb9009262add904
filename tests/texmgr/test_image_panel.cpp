// The image panel in the real main window: captions, the pixels the preview
// draws (read back from the render target and from the panel window),
// animation and shared vertex buffers, loading off the window thread (a
// series playing while it loads, a new selection cancelling an old load),
// large selections, a lost device, an unwritable log, and the "viewer"
// settings with their menu checks.
#include "resources/resource_ids.h"
#include "shell/k4qbpresenter.h"
#include "tests/support/test_log.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "textures/k4qbtexturecache.h"

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <utility>

namespace {

using namespace texmgrtest;

using ImagePanel = WindowTest;

// The caption names the shown file and its size; the image is drawn over the
// background colour in its rectangle, dark grey around it.
TEST_F(ImagePanel, DrawsImageOverBackgroundInDarkGrey) {
    // A picture too large to read, listed last.
    imgwrite::Bytes huge = imgwrite::writePng({}, 4, 100, std::vector<uint16_t>(4 * 100 * 4));
    huge[18] = 0x4e, huge[19] = 0x20; // 20000 wide
    ASSERT_TRUE(imgwrite::saveFile(folder_ + "\\install\\data\\textures\\zz_huge.png", huge));
    open();
    EXPECT_EQ(caption(), "Current Texture:");
    select({kWide});
    EXPECT_TRUE(waitForCaption("wide.png (128 by 32)")) << caption();
    select({kRedHalf});
    ASSERT_TRUE(waitForCaption("red_half.png (64 by 64)")) << caption();
    waitForFreshDrawing();

    const K4QBPreviewFrame* frame = panel_->getImagePreview()->getFrame(0);
    int cx = (frame->x1 + frame->x2) / 2, cy = (frame->y1 + frame->y2) / 2;
    Pixels on = readBackBuffer(window_.get());
    // Dark grey around the image.
    EXPECT_EQ(on.rgb(2, 2), 0x333333u);
    EXPECT_EQ(on.rgb(frame->x1 - 3, cy), 0x333333u);
    EXPECT_EQ(on.rgb(cx, frame->y2 + 3), 0x333333u);
    // Half-transparent red over the blue screen colour (129, 143, 255).
    double a = 128.0 / 255.0;
    uint32_t blended = (static_cast<uint32_t>(255 * a + 129 * (1 - a) + 0.5) << 16) |
                       (static_cast<uint32_t>(143 * (1 - a) + 0.5) << 8) |
                       static_cast<uint32_t>(255 * (1 - a) + 0.5);
    EXPECT_TRUE(closeTo(on.rgb(cx, cy), blended)) << std::hex << on.rgb(cx, cy) << " " << blended;

    // Another background shows through the same way.
    command(window_.get(), IDM_VIEW_BG_BLACK);
    waitForFreshDrawing();
    Pixels black = readBackBuffer(window_.get());
    EXPECT_TRUE(closeTo(black.rgb(cx, cy), static_cast<uint32_t>(255 * a + 0.5) << 16))
        << std::hex << black.rgb(cx, cy);

    // Alpha off: the image covers its rectangle opaquely.
    command(window_.get(), IDM_VIEW_ALPHA_OFF);
    waitForFreshDrawing();
    Pixels off = readBackBuffer(window_.get());
    EXPECT_TRUE(closeTo(off.rgb(cx, cy), 0xFF0000u)) << std::hex << off.rgb(cx, cy);
    EXPECT_EQ(off.rgb(2, 2), 0x333333u);

    // A file that cannot be loaded leaves only dark grey.
    select({kBroken});
    ASSERT_TRUE(waitForCaption("broken.png (Unable to load image)"));
    EXPECT_EQ(panel_->getImagePreview()->getFrame(0)->vertexBuffer, nullptr);
    waitForFreshDrawing();
    EXPECT_EQ(readBackBuffer(window_.get()).rgb(cx, cy), 0x333333u);
    // One too large says what is wrong with it.
    select({kWide + 1});
    EXPECT_TRUE(waitForCaption("zz_huge.png (Unable to load image: 20000 by 100 pixels: larger "
                               "than the limit of 16384 pixels a side)"))
        << caption();
    select({kBroken});
    ASSERT_TRUE(waitForCaption("broken.png (Unable to load image)"));

    // The layered view removes the preview and resets the caption; back in
    // find-textures mode the selection is shown again.
    command(window_.get(), IDM_VIEW_MODE_LAYERED);
    EXPECT_EQ(panel_->getImagePreview(), nullptr);
    EXPECT_EQ(caption(), "Current Texture:");
    command(window_.get(), IDM_VIEW_MODE_FIND);
    EXPECT_TRUE(waitForCaption("broken.png (Unable to load image)")) << caption();
}

// What reaches the screen, not only the render target: the panel window's own
// pixels show the picture. Under Wine the device is bound to a hidden window
// and the picture is copied onto the panel.
TEST_F(ImagePanel, PanelWindowShowsThePicture) {
    open();
    if (window_->getPresenter()->getMode() != K4QBPresentMode::ThroughGdi) {
        GTEST_SKIP() << "Present draws on the panel itself; only read back above";
    }
    HWND panelWindow = panel_->getPanelWindow();

    command(window_.get(), IDM_VIEW_ALPHA_OFF);
    select({kGreen});
    ASSERT_TRUE(waitForCaption("green.png (64 by 64)")) << caption();
    waitForFreshDrawing();
    RECT client;
    GetClientRect(panelWindow, &client);
    auto pixel = [&](int x, int y) {
        HDC dc = GetDC(panelWindow);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(panelWindow, dc);
        return static_cast<uint32_t>(colour);
    };
    int cx = client.right / 2, cy = client.bottom / 2;
    EXPECT_TRUE(closeTo(pixel(3, 3), 0x333333u)) << std::hex << pixel(3, 3);
    EXPECT_TRUE(closeTo(pixel(client.right - 4, client.bottom - 4), 0x333333u));
    EXPECT_TRUE(closeTo(pixel(cx, cy), 0x00FF00u)) << std::hex << pixel(cx, cy);
    // 64 pixels wide, centred: 40 pixels out from the centre is grey again.
    EXPECT_TRUE(closeTo(pixel(cx - 40, cy), 0x333333u)) << std::hex << pixel(cx - 40, cy);

    // Something drawn over the panel is gone once the panel is repainted.
    {
        K4QBD3DUse use(window_.get()); // keeps the worker from drawing meanwhile
        HDC dc = GetDC(panelWindow);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ReleaseDC(panelWindow, dc);
        EXPECT_TRUE(closeTo(pixel(3, 3), 0xFFFFFFu));
    }
    InvalidateRect(panelWindow, nullptr, FALSE);
    UpdateWindow(panelWindow);
    ASSERT_TRUE(pumpUntil([&] { return closeTo(pixel(3, 3), 0x333333u); }));
    EXPECT_TRUE(closeTo(pixel(cx, cy), 0x00FF00u));

    // After a resize the copy fills the new client area.
    setClientSize(window_->getWindow(), 700, 500);
    pump();
    waitForFreshDrawing();
    GetClientRect(panelWindow, &client);
    EXPECT_TRUE(closeTo(pixel(client.right / 2, client.bottom / 2), 0x00FF00u));
    EXPECT_TRUE(closeTo(pixel(client.right - 3, client.bottom - 3), 0x333333u));
}

TEST_F(ImagePanel, AnimatesSelectedFramesWithSharedVertexBuffers) {
    open();
    command(window_.get(), IDM_VIEW_ANIM_10FPS);
    select({kBlue, kGreen, kWide});
    K4QBImagePreview* preview = panel_->getImagePreview();
    ASSERT_NE(preview, nullptr);
    ASSERT_EQ(preview->getFrameCount(), 3);
    ASSERT_TRUE(pumpUntil([&] { return preview->getLoadedCount() == 3; }));
    // Equal image sizes share one buffer; another size has its own.
    ASSERT_NE(preview->getFrame(0)->vertexBuffer, nullptr);
    EXPECT_EQ(preview->getFrame(0)->vertexBuffer, preview->getFrame(1)->vertexBuffer);
    EXPECT_NE(preview->getFrame(2)->vertexBuffer, preview->getFrame(0)->vertexBuffer);

    // The drawn pixels follow the frames: blue, green, yellow.
    std::set<uint32_t> colours;
    const K4QBPreviewFrame* frame = preview->getFrame(0);
    int cx = (frame->x1 + frame->x2) / 2, cy = (frame->y1 + frame->y2) / 2;
    ASSERT_TRUE(pumpUntil([&] {
        colours.insert(readBackBuffer(window_.get()).rgb(cx, cy));
        return colours.count(0x0000FFu) && colours.count(0x00FF00u) && colours.count(0xFFFF00u);
    })) << colours.size();

    // A resize fits the frames again.
    int x2Before = preview->getFrame(2)->x2;
    setClientSize(window_->getWindow(), 560, 600);
    pump();
    EXPECT_TRUE(pumpUntil([&] { return preview->getFrame(2)->x2 != x2Before; }));
}

TEST_F(ImagePanel, ReplacingThePreviewNeverWaitsForTheWindowThread) {
    open();
    command(window_.get(), IDM_VIEW_ANIM_30FPS);
    // Each new selection destroys the running preview, which waits for its
    // worker while this thread handles no messages; a worker that sent its
    // caption instead of posting it would never end.
    for (int round = 0; round < 20; ++round) {
        select({kBlue, kGreen, kRedHalf, kWide});
        K4QBImagePreview* preview = panel_->getImagePreview();
        ASSERT_NE(preview, nullptr);
        uint32_t start = preview->getDrawCount();
        ASSERT_TRUE(k4test::waitUntil([&] { return preview->getDrawCount() >= start + 2; }));
    }
    select({kWide});
    // Captions of the replaced previews are dropped; the last one stands.
    EXPECT_TRUE(waitForCaption("wide.png (128 by 32)")) << caption();
    pump();
    EXPECT_EQ(caption(), "wide.png (128 by 32)");
}

// A series is shown as it loads, in order: frame 0 is drawn while later frames
// still load, the animation never goes back before every frame is loaded,
// and a file that fails in the middle shows as dark grey under its own
// caption while the frames after it load and play.
TEST_F(ImagePanel, SeriesPlaysInOrderWhileItLoads) {
    constexpr int kFrames = 40, kFailing = 5;
    auto name = [](int i) {
        char text[16];
        snprintf(text, sizeof text, "seq_%03d.png", i);
        return std::string(text);
    };
    std::vector<int> positions; // listed after red_half.png
    for (int i = 0; i < kFrames; ++i) {
        std::string path = folder_ + "\\install\\data\\textures\\" + name(i);
        if (i == kFailing) {
            k4test::writeFile(path, "this is no picture");
        } else {
            k4test::writeUniformPng(path, 512, 512, {uint8_t(i * 6), 255, 0, 255});
        }
        positions.push_back(kRedHalf + 1 + i);
    }
    open();
    command(window_.get(), IDM_VIEW_ANIM_10FPS);
    select(positions);
    K4QBImagePreview* preview = panel_->getImagePreview();
    ASSERT_EQ(preview->getFrameCount(), kFrames);

    bool drawnWhileLoading = false, failedShown = false;
    std::vector<std::pair<int, int>> shown; // frame number, frames loaded then
    std::set<uint32_t> colours;
    ASSERT_TRUE(pumpUntil([&] {
        const int loaded = preview->getLoadedCount();
        drawnWhileLoading = drawnWhileLoading || (preview->getDrawCount() > 0 && loaded < kFrames);
        int number = -1;
        char text[32] = {0};
        if (sscanf(caption().c_str(), "seq_%d.png (%31[^)])", &number, text) == 2 &&
            (shown.empty() || shown.back().first != number)) {
            shown.emplace_back(number, loaded);
            failedShown =
                failedShown || (number == kFailing && std::string(text) == "Unable to load image");
        }
        if (number == kFailing) {
            const K4QBPreviewFrame* frame = preview->getFrame(0);
            colours.insert(readBackBuffer(window_.get())
                               .rgb((frame->x1 + frame->x2) / 2, (frame->y1 + frame->y2) / 2));
        }
        return loaded == kFrames && failedShown && colours.count(0x333333u) > 0 &&
               shown.back().first > kFailing;
    })) << shown.size()
        << " captions, loaded " << preview->getLoadedCount();
    EXPECT_TRUE(drawnWhileLoading);
    EXPECT_EQ(shown.front().first, 0);
    for (size_t i = 1; i < shown.size(); ++i) {
        // Back to an earlier frame only once all are loaded.
        EXPECT_TRUE(shown[i].first > shown[i - 1].first || shown[i].second == kFrames)
            << shown[i - 1].first << " then " << shown[i].first;
    }
    EXPECT_EQ(preview->getFrame(kFailing)->imageWidth, 0);
    EXPECT_EQ(preview->getFrame(kFailing)->vertexBuffer, nullptr);
    EXPECT_EQ(preview->getFrame(kFailing + 1)->imageWidth, 512);
    EXPECT_NE(preview->getFrame(kFailing + 1)->vertexBuffer, nullptr);
}

// While another thread holds the Direct3D lock, the loader of a series that
// has begun cannot go on (it takes the lock for every frame); a new selection
// all the same returns at once, with the old preview cancelled but not yet
// ended: the selection did not wait for it. The old preview then loads
// nothing more, and the new one shows its file.
TEST_F(ImagePanel, NewSelectionCancelsTheOldLoadWithoutWaitingForIt) {
    constexpr int kFrames = 100;
    std::vector<int> series;
    for (int i = 0; i < kFrames; ++i) { // listed after red_half.png
        char name[64];
        snprintf(name, sizeof name, "\\install\\data\\textures\\seq_%03d.png", i);
        k4test::writeUniformPng(folder_ + name, 64, 64, {0, 0, 255, 255});
        series.push_back(kRedHalf + 1 + i);
    }
    open();
    command(window_.get(), IDM_VIEW_ANIM_10FPS);
    const int32_t cachedBefore = window_->getTextureCache()->getEntryCount();
    select(series);
    K4QBImagePreview* old = panel_->getImagePreview();
    ASSERT_EQ(old->getFrameCount(), kFrames);
    ASSERT_TRUE(pumpUntil([&] { return old->getLoadedCount() > 0; }));

    std::atomic<bool> held{false}, release{false};
    k4test::TestThread holder([&] {
        K4QBD3DUse use(window_.get());
        held.store(use.device() != nullptr);
        k4test::waitUntil([&] { return release.load(); }, 20000);
    });
    ASSERT_TRUE(k4test::waitUntil([&] { return held.load(); }));
    ASSERT_LT(old->getLoadedCount(), kFrames) << "loaded before the lock was taken";
    select({kGreen});
    const bool oldEnded = old->hasEnded();
    release.store(true);
    holder.join();
    EXPECT_NE(panel_->getImagePreview(), old);
    EXPECT_FALSE(old->isRunning());
    EXPECT_FALSE(oldEnded) << "the selection waited for the old preview";

    EXPECT_TRUE(waitForCaption("green.png (64 by 64)")) << caption();
    ASSERT_TRUE(k4test::waitUntil([&] { return old->hasEnded(); }));
    const int32_t oldLoaded = old->getLoadedCount();
    EXPECT_LT(oldLoaded, kFrames);
    panel_->reapPreviews(true);
    EXPECT_EQ(window_->getTextureCache()->getEntryCount(), cachedBefore + oldLoaded + 1);
}

// "Output Trace" chosen and then the log cannot be written: the worker's next
// line fails. It stops in order and leaves the device free, and a new
// selection starts a new worker.
TEST_F(ImagePanel, WorkerStopsInOrderWhenTheLogCannotBeWritten) {
    k4test::TestLog log(folder_ + "\\trace.txt", K4C_LOG_WARNING);
    open(log.get());
    select({kGreen});
    ASSERT_TRUE(waitForCaption("green.png (64 by 64)")) << caption();
    command(window_.get(), IDM_DEBUG_TRACE);
    K4QBImagePreview* preview = panel_->getImagePreview();
    ASSERT_TRUE(preview->isRunning());
    log.breakFile(true);
    // Without pumping: the window thread's own lines would fail too.
    ASSERT_TRUE(k4test::waitUntil([&] { return !preview->isRunning(); }));
    EXPECT_EQ(window_->getD3DLockDepth(), 0);
    log.breakFile(false);

    command(window_.get(), IDM_DEBUG_WARNINGS);
    select({kBlue});
    EXPECT_TRUE(waitForCaption("blue.png (64 by 64)")) << caption();
    EXPECT_TRUE(panel_->getImagePreview()->isRunning());
    window_.reset(); // before its logger goes
}

// The device lost while a preview runs: nobody draws until a poll finds that
// it can be reset; the reset makes the vertex buffers again and the preview
// goes on drawing the picture.
TEST_F(ImagePanel, PreviewGoesOnAfterTheDeviceIsLostAndReset) {
    open();
    command(window_.get(), IDM_VIEW_ALPHA_OFF);
    select({kGreen});
    ASSERT_TRUE(waitForCaption("green.png (64 by 64)")) << caption();
    const K4QBPreviewFrame* frame = panel_->getImagePreview()->getFrame(0);
    int cx = (frame->x1 + frame->x2) / 2, cy = (frame->y1 + frame->y2) / 2;

    // Every message the window handles polls the device.
    window_->playedDeviceState = D3DERR_DEVICELOST;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    ASSERT_TRUE(window_->isD3DDeviceLost());
    EXPECT_EQ(window_->beginD3DUse(), nullptr);

    window_->playedDeviceState = D3DERR_DEVICENOTRESET;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    window_->playedDeviceState = D3D_OK;
    ASSERT_FALSE(window_->isD3DDeviceLost());
    EXPECT_NE(frame->vertexBuffer, nullptr);
    // A frame drawn after the reset shows the picture.
    waitForFreshDrawing();
    EXPECT_TRUE(closeTo(readBackBuffer(window_.get()).rgb(cx, cy), 0x00FF00u));
}

// More than 100 files selected: the first 100 in selection order become the
// frames (also positions beyond the selection array's first 128 and 256
// slots), the caption follows only them, and without animation the first
// file alone is shown.
TEST_F(ImagePanel, ShowsTheFirstHundredFilesOfALargeSelection) {
    auto name = [](int i) {
        char text[16];
        snprintf(text, sizeof text, "f%03d.png", i);
        return std::string(text);
    };
    for (int i = 0; i < 300; ++i) { // listed after broken.png
        k4test::writeUniformPng(folder_ + "\\install\\data\\textures\\" + name(i), 4, 4,
                                {0, 0, 255, 255});
    }
    open();
    command(window_.get(), IDM_VIEW_ANIM_30FPS);
    std::vector<int> everyOther; // 150 files; the first 100 are f000 to f198
    for (int i = 0; i < 300; i += 2) {
        everyOther.push_back(kBroken + 1 + i);
    }
    select(everyOther);
    K4QBImagePreview* preview = panel_->getImagePreview();
    ASSERT_EQ(preview->getFrameCount(), 100);
    ASSERT_TRUE(pumpUntil([&] { return preview->getLoadedCount() == 100; }));
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(preview->getFrame(i)->name, name(2 * i)) << i;
        EXPECT_EQ(preview->getFrame(i)->vertexBuffer, preview->getFrame(0)->vertexBuffer);
    }
    std::set<std::string> captions;
    ASSERT_TRUE(pumpUntil([&] {
        captions.insert(caption());
        return captions.count(name(198) + " (4 by 4)") > 0;
    }));
    for (const std::string& seen : captions) {
        int number = -1;
        EXPECT_TRUE(seen == "Current Texture:" ||
                    (sscanf(seen.c_str(), "f%d.png (4 by 4)", &number) == 1 && number % 2 == 0 &&
                     number <= 198))
            << seen;
    }

    select({-1}); // all 305
    ASSERT_EQ(panel_->getImagePreview()->getFrameCount(), 100);
    EXPECT_EQ(panel_->getImagePreview()->getFrame(99)->name, name(97));
    command(window_.get(), IDM_VIEW_ANIM_NONE);
    select(everyOther);
    ASSERT_EQ(panel_->getImagePreview()->getFrameCount(), 1);
    EXPECT_TRUE(waitForCaption(name(0) + " (4 by 4)")) << caption();
}

// Stretched over the panel, a picture's edge columns keep their own colour:
// the sampler clamps instead of wrapping onto the opposite edge.
TEST_F(ImagePanel, EdgesDoNotWrapAround) {
    std::vector<uint16_t> samples; // left half red, right half green
    for (int i = 0; i < 64; ++i) {
        samples.insert(samples.end(),
                       {uint16_t(i % 8 < 4 ? 255 : 0), uint16_t(i % 8 < 4 ? 0 : 255), 0, 255});
    }
    ASSERT_TRUE(imgwrite::saveFile(folder_ + "\\install\\data\\textures\\halves.png",
                                   imgwrite::writePng({}, 8, 8, samples)));
    open();
    select({kBroken + 2}); // after green.png
    ASSERT_TRUE(waitForCaption("halves.png (8 by 8)")) << caption();
    waitForFreshDrawing();
    const K4QBPreviewFrame* frame = panel_->getImagePreview()->getFrame(0);
    const int cy = (frame->y1 + frame->y2) / 2;
    Pixels on = readBackBuffer(window_.get());
    EXPECT_TRUE(closeTo(on.rgb(frame->x1, cy), 0xFF0000u)) << std::hex << on.rgb(frame->x1, cy);
    EXPECT_TRUE(closeTo(on.rgb(frame->x2 - 1, cy), 0x00FF00u))
        << std::hex << on.rgb(frame->x2 - 1, cy);
}

TEST(ImagePreviewFit, ShrinksToThePanelAndCentres) {
    // 1024 x 256 in a panel 514 x 400: 514 x 128 at y1 = 136, then scaled to
    // a back buffer twice as large.
    K4QBPreviewFrame frame = {};
    frame.imageWidth = 1024;
    frame.imageHeight = 256;
    K4QBImagePreview::fitFrame(&frame, 514, 400, 1028, 800);
    EXPECT_EQ(frame.displayWidth, 514);
    EXPECT_EQ(frame.displayHeight, 128);
    EXPECT_EQ(frame.x1, 0);
    EXPECT_EQ(frame.y1, 272);
    EXPECT_EQ(frame.x2, 1028);
}

TEST_F(ImagePanel, ViewerSettingsAndMenuChecks) {
    auto checkedItems = [&] {
        std::set<int> checked;
        for (int id = IDM_VIEW_ALPHA_ON; id <= IDM_VIEW_ANIM_30FPS; ++id) {
            if (menuChecked(window_->getMenu(), id)) {
                checked.insert(id);
            }
        }
        return checked;
    };
    // Defaults: alpha on, blue screen, 1 fps.
    open();
    EXPECT_TRUE(panel_->getAlpha());
    EXPECT_EQ(panel_->getBackground(), 0xFF818FFFu);
    EXPECT_EQ(panel_->getAnimationRate(), 1);
    EXPECT_EQ(checkedItems(),
              (std::set<int>{IDM_VIEW_ALPHA_ON, IDM_VIEW_BG_BLUE, IDM_VIEW_ANIM_1FPS}));

    command(window_.get(), IDM_VIEW_ALPHA_OFF);
    command(window_.get(), IDM_VIEW_BG_GREEN);
    command(window_.get(), IDM_VIEW_BG_PURPLE);
    command(window_.get(), IDM_VIEW_ANIM_30FPS);
    EXPECT_FALSE(panel_->getAlpha());
    EXPECT_EQ(panel_->getAnimationRate(), 30);
    EXPECT_EQ(checkedItems(),
              (std::set<int>{IDM_VIEW_ALPHA_OFF, IDM_VIEW_BG_PURPLE, IDM_VIEW_ANIM_30FPS}));
    window_.reset();
    // Saved (alpha stays as saved); a new start reads them back, and values
    // outside the menu's choices are kept and check no item.
    std::string ini = folder_ + "\\k4-qb-texmgr.ini", saved = k4test::readFile(ini);
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"alpha = 0", "alpha = 0"},
                                   {"background = -65281", "background = 305419896"},
                                   {"fps = 30", "fps = 5"}}) {
        size_t at = saved.find(from);
        ASSERT_NE(at, std::string::npos) << from << " in " << saved;
        saved.replace(at, from.size(), to);
    }
    k4test::writeFile(ini, saved);
    open();
    EXPECT_EQ(panel_->getBackground(), 0x12345678u);
    EXPECT_EQ(panel_->getAnimationRate(), 5);
    EXPECT_EQ(checkedItems(), (std::set<int>{IDM_VIEW_ALPHA_OFF}));
}

} // namespace
