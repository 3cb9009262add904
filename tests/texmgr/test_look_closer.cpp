// Looking closer in the image panel of the real main window, read back from
// the panel's own pixels: Actual Size puts each texel on one pixel, the wheel
// and the zoom items change the drawn size with hard texel edges above 1:1,
// a drag pans within the picture, the mip level items show a level's pixels,
// the texture's facts and the compressed preview (the codec's round trip and
// its difference, with its PSNR) in the caption, a picture larger than the
// device shows its largest level that fits, the layered texture zooms too,
// and the menus keep their items with the new ones after them.
#include "codec/codec.h"
#include "codec/loader.h"
#include "foundation/k4qbinifile.h"
#include "resources/resource_ids.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbtlcontrols.h"
#include "textures/k4qbtexturecache.h"
#include "view/caption.h"
#include "view/compressed_preview.h"

#include <algorithm>

namespace {

using namespace texmgrtest;

// The panel window's pixels as 0xRRGGBB, copied at once from its DC.
struct PanelPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> values;
    uint32_t rgb(int x, int y) const { return values[size_t(y) * width + x] & 0xFFFFFF; }
};

PanelPixels readPanel(HWND panel) {
    PanelPixels pixels;
    RECT client;
    GetClientRect(panel, &client);
    pixels.width = client.right;
    pixels.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), pixels.width, -pixels.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC window = GetDC(panel);
    HDC memory = CreateCompatibleDC(window);
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, window, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    pixels.values.assign(p, p + size_t(pixels.width) * pixels.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(panel, window);
    return pixels;
}

// A picture whose every texel differs from its neighbours.
k4codec::Rgba texel(uint32_t x, uint32_t y) {
    return {uint8_t(x * 37 + y), uint8_t(y * 23 + (x >> 8) * 64), uint8_t((x ^ y) * 5), 255};
}

void writePicture(const std::string& path, uint32_t w, uint32_t h) {
    std::vector<uint16_t> samples;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const k4codec::Rgba c = texel(x, y);
            samples.insert(samples.end(), {c.r, c.g, c.b, c.a});
        }
    }
    ASSERT_TRUE(imgwrite::saveFile(path, imgwrite::writePng({}, w, h, samples)));
}

uint32_t rgbOf(k4codec::Rgba c) {
    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

// Besides the window's fixtures: photo.png (64 x 64), big.png (1024 x 1024),
// checker.png (2 x 2: black, white / white, black) and levels.dds (8 x 8,
// A8R8G8B8, four levels: red, green, blue, white).
class LookCloser : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const std::string textures = folder_ + "\\install\\data\\textures\\";
        writePicture(textures + "photo.png", 64, 64);
        writePicture(textures + "big.png", 1024, 1024);
        ASSERT_TRUE(imgwrite::saveFile(
            textures + "checker.png",
            imgwrite::writePng(
                {}, 2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255})));
        imgwrite::DdsOptions dds;
        dds.width = dds.height = 8;
        dds.mipCount = 4;
        dds.flags |= 0x20000;
        dds.pfFlags = 0x41; // RGB with alpha
        dds.bits = 32;
        dds.masks[0] = 0xFF0000, dds.masks[1] = 0xFF00, dds.masks[2] = 0xFF,
        dds.masks[3] = 0xFF000000;
        imgwrite::Bytes data;
        const uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
        for (uint32_t level = 0; level < 4; ++level) {
            for (uint32_t i = 0; i < (64u >> (2 * level)); ++i) {
                for (int b = 0; b < 4; ++b) {
                    data.push_back(uint8_t(colours[level] >> (8 * b)));
                }
            }
        }
        ASSERT_TRUE(imgwrite::saveFile(textures + "levels.dds", imgwrite::writeDds(dds, data)));
    }
    void openPlain() {
        open();
        command(window_.get(), IDM_VIEW_ALPHA_OFF); // opaque: exact colours
    }
    void show(const std::string& name, const std::string& caption) {
        for (int i = 0; i < window_->getFSControls()->getFileList()->getEntryCount(); ++i) {
            if (name == window_->getFSControls()->getFileList()->getEntryFileName(i)) {
                select({i});
            }
        }
        ASSERT_TRUE(waitForCaption(caption)) << caption << " / " << this->caption();
        waitForFreshDrawing();
    }
    PanelPixels shown() {
        waitForFreshDrawing();
        return readPanel(panel_->getPanelWindow());
    }
    void wheel(int notches, int x, int y) {
        POINT at = {x, y};
        ClientToScreen(panel_->getPanelWindow(), &at);
        SendMessageA(panel_->getPanelWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, notches * WHEEL_DELTA),
                     MAKELPARAM(at.x, at.y));
    }
    bool checked(UINT id) { return menuChecked(window_->getMenu(), id); }
};

TEST_F(LookCloser, ActualSizeWheelAndZoomItemsDrawTexelsAsWholePixels) {
    openPlain();
    EXPECT_TRUE(checked(IDM_VIEW_ZOOM_FIT));
    show("photo.png", "photo.png (64 by 64)");
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    EXPECT_TRUE(checked(IDM_VIEW_ZOOM_ACTUAL) && !checked(IDM_VIEW_ZOOM_FIT));
    PanelPixels p = shown();
    const int left = (p.width >> 1) - 32, top = (p.height >> 1) - 32;
    int wrong = 0;
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            wrong += p.rgb(left + x, top + y) != rgbOf(texel(x, y));
        }
    }
    EXPECT_EQ(wrong, 0) << "texels off their pixel at 1:1";
    EXPECT_EQ(p.rgb(left - 1, top), 0x333333u);
    EXPECT_EQ(p.rgb(left + 64, top + 63), 0x333333u);

    // A new selection keeps the zoom and centres the picture. Three notches
    // of the wheel make the 2 x 2 checker 16 x 16: four squares of 8 x 8 in
    // only black and white, the edges hard.
    show("checker.png", "checker.png (2 by 2)");
    wheel(3, p.width / 2, p.height / 2);
    p = shown();
    const int cx = p.width >> 1, cy = p.height >> 1;
    for (int y = -8; y < 8; ++y) {
        for (int x = -8; x < 8; ++x) {
            const bool white = (x < 0) != (y < 0);
            ASSERT_EQ(p.rgb(cx + x, cy + y), white ? 0xFFFFFFu : 0u) << x << "," << y;
        }
    }
    EXPECT_EQ(p.rgb(cx - 9, cy), 0x333333u);
    EXPECT_FALSE(checked(IDM_VIEW_ZOOM_ACTUAL));
    // Zoom Out halves it; Fit to Panel is the placement of the start again.
    command(window_.get(), IDM_VIEW_ZOOM_OUT);
    p = shown();
    EXPECT_EQ(p.rgb(cx - 4, cy - 4), 0u);
    EXPECT_EQ(p.rgb(cx - 5, cy - 4), 0x333333u);
    command(window_.get(), IDM_VIEW_ZOOM_FIT);
    EXPECT_TRUE(checked(IDM_VIEW_ZOOM_FIT));
    p = shown();
    EXPECT_NE(p.rgb(cx - 5, cy - 4), 0u);
}

// The wheel goes to the window with the focus; the message loop hands it to
// the panel when the pointer is over the picture (it zooms there) and leaves
// it to the file list otherwise (it scrolls the list).
TEST_F(LookCloser, TheWheelZoomsWhereThePointerIs) {
    openPlain();
    show("photo.png", "photo.png (64 by 64)");
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    const HWND list = window_->getFSControls()->getFileList()->getWindow();
    auto wheelAt = [&](HWND over, int x, int y) {
        POINT at = {x, y};
        ClientToScreen(over, &at);
        MSG message = {list, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(at.x, at.y), 0,
                       at};
        return window_->isDialogMessage(&message);
    };
    RECT panel;
    GetClientRect(panel_->getPanelWindow(), &panel);
    EXPECT_FALSE(wheelAt(list, 5, 5));
    EXPECT_EQ(panel_->getView().view.step, 0);
    EXPECT_TRUE(wheelAt(panel_->getPanelWindow(), panel.right / 2, panel.bottom / 2));
    EXPECT_EQ(panel_->getView().view.step, 1);
    EXPECT_FALSE(panel_->getView().view.fit);
}

// Animation plays at the zoom: at 4x the 2 x 2 checker fills 8 x 8 pixels
// and the 64 x 64 photo 256 x 256, frame after frame.
TEST_F(LookCloser, AnimationPlaysZoomed) {
    openPlain();
    command(window_.get(), IDM_VIEW_ANIM_10FPS);
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    command(window_.get(), IDM_VIEW_ZOOM_IN);
    command(window_.get(), IDM_VIEW_ZOOM_IN);
    std::vector<int> positions;
    for (int i = 0; i < window_->getFSControls()->getFileList()->getEntryCount(); ++i) {
        const std::string name = window_->getFSControls()->getFileList()->getEntryFileName(i);
        if (name == "checker.png" || name == "photo.png") {
            positions.push_back(i);
        }
    }
    select(positions);
    ASSERT_TRUE(pumpUntil([&] {
        K4QBImagePreview* preview = panel_->getImagePreview();
        return preview != nullptr && preview->getLoadedCount() == 2;
    }));
    // Read after each drawing: the frames take turns, so every second
    // drawing would show the same one.
    bool checker = false, photo = false;
    K4QBImagePreview* preview = panel_->getImagePreview();
    uint32_t drawn = preview->getDrawCount();
    ASSERT_TRUE(pumpUntil([&] {
        if (preview->getDrawCount() == drawn) {
            return false;
        }
        drawn = preview->getDrawCount();
        PanelPixels p = readPanel(panel_->getPanelWindow());
        const int cx = p.width >> 1, cy = p.height >> 1;
        if (p.rgb(cx - 4, cy - 4) == 0u && p.rgb(cx + 3, cy - 4) == 0xFFFFFFu &&
            p.rgb(cx - 5, cy - 4) == 0x333333u) {
            checker = true;
        }
        // Texel (7, 7) of the photo, 28 pixels into its 256 x 256.
        if (p.rgb(cx - 100, cy - 100) == rgbOf(texel(7, 7)) && p.rgb(cx - 129, cy) == 0x333333u &&
            p.rgb(cx - 128, cy) == rgbOf(texel(0, 32))) {
            photo = true;
        }
        return checker && photo;
    })) << "checker seen "
        << checker << ", photo seen " << photo;
}

TEST_F(LookCloser, DragPansWithinTheZoomedPictureWithoutLoadingAgain) {
    openPlain();
    show("big.png", "big.png (1024 by 1024)");
    K4QBImagePreview* preview = panel_->getImagePreview();
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    PanelPixels p = shown();
    const int left = (p.width >> 1) - 512, top = (p.height >> 1) - 512;
    EXPECT_EQ(p.rgb(100, 100), rgbOf(texel(100 - left, 100 - top)));
    HWND window = panel_->getPanelWindow();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(160, 170));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(160, 170));
    p = shown();
    EXPECT_EQ(p.rgb(100, 100), rgbOf(texel(140 - left, 130 - top)));
    // Far beyond the edge the picture's corner stops at the panel's.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3000, 3000));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(3000, 3000));
    p = shown();
    EXPECT_EQ(p.rgb(0, 0), rgbOf(texel(0, 0)));
    EXPECT_EQ(p.rgb(5, 9), rgbOf(texel(5, 9)));
    // Zooming and panning only drew again: the same preview, nothing loaded.
    EXPECT_EQ(panel_->getImagePreview(), preview);
}

// A picture's lower levels are the codec's chain of it, also for a first
// picture decoded straight into its texture (read back to make the chain).
TEST_F(LookCloser, LowerLevelsOfAPictureAreTheCodecsChain) {
    openPlain();
    show("photo.png", "photo.png (64 by 64)");
    std::vector<uint8_t> file;
    k4codec::Image chain;
    ASSERT_EQ(
        k4codec::readFileBytes((folder_ + "\\install\\data\\textures\\photo.png").c_str(), &file),
        k4codec::kOk);
    ASSERT_EQ(k4codec::readImage(file.data(), file.size(), &chain, nullptr), k4codec::kOk);
    ASSERT_EQ(k4codec::extendMipChain(&chain, 7), k4codec::kOk);
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    command(window_.get(), IDM_VIEW_LEVEL_NEXT);
    ASSERT_TRUE(waitForCaption("photo.png (64 by 64) level 1 of 7: 32 by 32")) << caption();
    PanelPixels p = shown();
    const int left = (p.width >> 1) - 16, top = (p.height >> 1) - 16;
    int wrong = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const uint8_t* bgra = chain.levels[1].data() + (y * 32 + x) * 4;
            wrong += p.rgb(left + x, top + y) !=
                     ((uint32_t(bgra[2]) << 16) | (uint32_t(bgra[1]) << 8) | bgra[0]);
        }
    }
    EXPECT_EQ(wrong, 0);
}

// A PNG whose header is sound but whose data is damaged fails alone, also
// where it is decoded straight into its texture; the next picture shows.
TEST_F(LookCloser, APictureDamagedInItsDataFailsAlone) {
    const std::string textures = folder_ + "\\install\\data\\textures\\";
    std::string bytes = k4test::readFile(textures + "photo.png");
    bytes[bytes.size() - 40] ^= 0x5a; // inside the compressed data
    k4test::writeFile(textures + "damaged.png", bytes);
    openPlain();
    show("damaged.png", "damaged.png (Unable to load image)");
    EXPECT_EQ(window_->getTextureCache()->isCached((textures + "damaged.png").c_str()), false);
    show("photo.png", "photo.png (64 by 64)");
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    PanelPixels p = shown();
    const int left = (p.width >> 1) - 32, top = (p.height >> 1) - 32;
    EXPECT_EQ(p.rgb(left + 5, top + 9), rgbOf(texel(5, 9)));
    EXPECT_EQ(p.rgb(left + 63, top + 63), rgbOf(texel(63, 63)));
}

TEST_F(LookCloser, MipLevelsAndTextureFacts) {
    openPlain();
    show("levels.dds", "levels.dds (8 by 8)");
    const std::pair<const char*, uint32_t> steps[] = {
        {"levels.dds (8 by 8) level 1 of 4: 4 by 4", 0x00FF00},
        {"levels.dds (8 by 8) level 2 of 4: 2 by 2", 0x0000FF},
        {"levels.dds (8 by 8) level 3 of 4: 1 by 1", 0}, // fitted, a smoothed dot
        {"levels.dds (8 by 8) level 3 of 4: 1 by 1", 0}, // the last stays
    };
    for (const auto& step : steps) {
        command(window_.get(), IDM_VIEW_LEVEL_NEXT);
        ASSERT_TRUE(waitForCaption(step.first)) << caption();
        PanelPixels p = shown();
        if (step.second != 0) {
            EXPECT_EQ(p.rgb(p.width / 2, p.height / 2), step.second) << step.first;
        }
    }
    // Zoomed, the level is drawn at its own size times the zoom: 1 x 1 at 4x.
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    command(window_.get(), IDM_VIEW_ZOOM_IN);
    command(window_.get(), IDM_VIEW_ZOOM_IN);
    PanelPixels p = shown();
    EXPECT_EQ(p.rgb(p.width / 2 - 2, p.height / 2 - 2), 0xFFFFFFu);
    EXPECT_EQ(p.rgb(p.width / 2 - 3, p.height / 2 - 2), 0x333333u);
    for (int i = 0; i < 3; ++i) {
        command(window_.get(), IDM_VIEW_LEVEL_PREVIOUS);
    }
    ASSERT_TRUE(waitForCaption("levels.dds (8 by 8)")) << caption();
    EXPECT_EQ(shown().rgb(p.width / 2, p.height / 2), 0xFF0000u);

    // The facts: the stored format, the levels and the size (128 + 340 bytes).
    EXPECT_FALSE(checked(IDM_VIEW_TEXTURE_INFO));
    command(window_.get(), IDM_VIEW_TEXTURE_INFO);
    EXPECT_TRUE(waitForCaption("levels.dds (8 by 8) A8R8G8B8, 4 levels, 468 bytes")) << caption();
    EXPECT_TRUE(checked(IDM_VIEW_TEXTURE_INFO));
    // Other files too (the chain the cache builds is the texture's, the file
    // holds one level), and the choice is kept in the settings.
    show("wide.png",
         "wide.png (128 by 32) A8R8G8B8, 1 level, " +
             std::to_string(
                 k4test::readFile(folder_ + "\\install\\data\\textures\\wide.png").size()) +
             " bytes");
    command(window_.get(), IDM_VIEW_LEVEL_NEXT);
    EXPECT_TRUE(pumpUntil([&] {
        return caption().find(" level 1 of 8: 64 by 16") != std::string::npos;
    })) << caption();
    EXPECT_EQ(window_->getINIGroup("viewer")->getInt("texture-info", 0), 1);
}

TEST_F(LookCloser, CompressedPreviewIsTheCodecsRoundTripWithItsPsnr) {
    openPlain();
    EXPECT_TRUE(checked(IDM_VIEW_PREVIEW_ORIGINAL));
    show("photo.png", "photo.png (64 by 64)");
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    std::vector<k4codec::Rgba> source;
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            source.push_back(texel(x, y));
        }
    }
    for (bool difference : {false, true}) {
        k4view::CompressedPreview expected;
        ASSERT_EQ(k4view::previewCompressed(k4codec::kFmtDXT1, source.data(), 64, 64, difference,
                                            &expected),
                  k4codec::kOk);
        k4view::CaptionFacts facts;
        facts.name = "photo.png";
        facts.width = facts.height = 64;
        facts.compressedFormat = "DXT1";
        facts.error = expected.error;
        command(window_.get(), difference ? IDM_VIEW_DIFFERENCE : IDM_VIEW_PREVIEW_DXT1);
        ASSERT_TRUE(waitForCaption(k4view::previewCaption(facts))) << caption();
        EXPECT_TRUE(checked(IDM_VIEW_PREVIEW_DXT1) && !checked(IDM_VIEW_PREVIEW_ORIGINAL));
        EXPECT_EQ(checked(IDM_VIEW_DIFFERENCE), difference);
        PanelPixels p = shown();
        const int left = (p.width >> 1) - 32, top = (p.height >> 1) - 32;
        int wrong = 0;
        for (uint32_t i = 0; i < 64 * 64; ++i) {
            wrong += p.rgb(left + i % 64, top + i / 64) != rgbOf(expected.pixels[i]);
        }
        EXPECT_EQ(wrong, 0) << "difference " << difference;
    }
    // A new selection keeps the choice; Original shows the file again.
    show("checker.png", "checker.png (2 by 2) DXT1: RGB exact, alpha exact");
    command(window_.get(), IDM_VIEW_PREVIEW_ORIGINAL);
    EXPECT_TRUE(waitForCaption("checker.png (2 by 2)")) << caption();
}

// A picture larger than the device's textures (here the device is told it
// takes 32 pixels a side) shows its largest level that fits and says so.
TEST_F(LookCloser, APictureTooLargeForTheDeviceShowsTheLargestLevelThatFits) {
    openPlain();
    {
        K4QBD3DUse use(window_.get());
        auto& target =
            const_cast<k4d3dx::TextureTarget&>(window_->getTextureCache()->getTextureTarget());
        target.caps.MaxTextureWidth = target.caps.MaxTextureHeight = 32;
    }
    show("wide.png", "wide.png (128 by 32) level 2 of 8: 32 by 8, the largest level the device "
                     "can show");
    // Drawn at that level's size, 32 x 8, not as the texture's 32 x 32.
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    PanelPixels p = shown();
    const int cx = p.width >> 1, cy = p.height >> 1;
    EXPECT_EQ(p.rgb(cx - 16, cy - 4), 0xFFFF00u);
    EXPECT_EQ(p.rgb(cx - 16, cy - 5), 0x333333u);
    EXPECT_EQ(p.rgb(cx - 17, cy), 0x333333u);
}

TEST_F(LookCloser, TheLayeredTextureZoomsToo) {
    openPlain();
    show("photo.png", "photo.png (64 by 64)");
    command(window_.get(), K4QB_ID_ATTACH);
    command(window_.get(), IDM_VIEW_ZOOM_ACTUAL);
    K4QBLayerPreview* layers = window_->getTLControls()->getPreview();
    ASSERT_NE(layers, nullptr);
    const uint32_t drawn = layers->getDrawCount();
    ASSERT_TRUE(pumpUntil([&] { return layers->getDrawCount() >= drawn + 1; }));
    pump();
    PanelPixels p = readPanel(panel_->getPanelWindow());
    const int left = (p.width >> 1) - 32, top = (p.height >> 1) - 32;
    for (uint32_t i : {0u, 1u, 63u, 64u * 31 + 17, 64u * 64 - 1}) {
        EXPECT_EQ(p.rgb(left + i % 64, top + i / 64), rgbOf(texel(i % 64, i / 64))) << i;
    }
}

// The menus keep their items, ids and order; the new items come after them.
TEST_F(LookCloser, MenusKeepTheirItemsAndTheNewOnesFollow) {
    open();
    HMENU bar = window_->getMenu();
    auto ids = [&](int position) {
        std::vector<int> out;
        HMENU menu = GetSubMenu(bar, position);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            out.push_back(int(GetMenuItemID(menu, i))); // 0 for a separator
        }
        return out;
    };
    auto startsWith = [](const std::vector<int>& items, const std::vector<int>& first) {
        return items.size() >= first.size() &&
               std::equal(first.begin(), first.end(), items.begin());
    };
    const std::vector<int> file = ids(0), view = ids(1);
    EXPECT_TRUE(startsWith(file, {201, 202, 0, 203}));
    EXPECT_TRUE(startsWith(view, {221, 222, 0,   225, 226, 0,   228, 229, 230, 231, 0,
                                  233, 234, 235, 236, 0,   270, 271, 272, 273, 0,   274,
                                  275, 0,   276, 0,   277, 278, 279, 280, 281}));
    EXPECT_NE(std::find(file.begin() + 4, file.end(), IDM_FILE_SAVE_IMAGE), file.end());
    EXPECT_EQ(ids(2), (std::vector<int>{241, 242, 243, 244}));
    EXPECT_EQ(ids(3), (std::vector<int>{261, 0, 262}));
}

} // namespace
