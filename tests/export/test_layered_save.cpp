// Saving the layered texture and convertTexture on the real device in the real
// main window (under Wine), the files read back with the codec and with
// Wine's own d3dx9: pixels and blend, sizes, mip levels, the twelve formats,
// the band, and every way a save fails without writing anything.
#include "layered_test_support.h"

#include "codec/compose.h"
#include "codec/convert.h"
#include "export/output_tables.h"
#include "tests/support/checks.h"

#include <cstdio>

namespace {

using namespace layeredtest;
using d3dxtest::maxDifference;
using d3dxtest::pattern;
using d3dxtest::pixelsOf;
using k4codec::Image;
using k4codec::ImageInfo;

using LayeredSave = LayeredTest;

// x * a / 255 rounded, as the blend over transparent black gives it.
uint8_t times(uint8_t x, uint8_t a) {
    return static_cast<uint8_t>((x * a + 127) / 255);
}

// Layers are drawn bottom first, each stretched over the bottom layer's size
// and blended over transparent black: colour and alpha alike.
TEST_F(LayeredSave, DrawsEachLayerOverTheOnesBelow) {
    const std::vector<Rgba> opaque = pattern(64, 32, false);
    addPicture("opaque.png", 64, 32, opaque);
    {
        SCOPED_TRACE("one opaque layer keeps its pixels");
        ASSERT_TRUE(save("one.dds"));
        const Image saved = readDds(out_ + "\\one.dds");
        ASSERT_EQ(saved.format, k4codec::kFmtA8R8G8B8);
        EXPECT_EQ(saved.width, 64u);
        EXPECT_EQ(saved.height, 32u);
        EXPECT_EQ(maxDifference(pixelsOf(saved), opaque), 0);
    }
    {
        SCOPED_TRACE("a top layer of alpha 0 changes nothing");
        addPicture("clear.png", 16, 16, uniform(16, 16, {255, 0, 0, 0}));
        ASSERT_TRUE(save("clear_on_top.dds"));
        EXPECT_EQ(maxDifference(pixelsOf(readDds(out_ + "\\clear_on_top.dds")), opaque), 0);
    }
    {
        SCOPED_TRACE("a smaller top layer is stretched over the bottom's size");
        const std::vector<Rgba> small = pattern(16, 8, false);
        addPicture("small.png", 16, 8, small);
        ASSERT_TRUE(save("stretched.dds"));
        const Image saved = readDds(out_ + "\\stretched.dds");
        EXPECT_EQ(saved.width, 64u);
        EXPECT_EQ(saved.height, 32u);
        // As the codec's software drawing stretches it (bilinear, edges clamped).
        Image source;
        source.width = 16, source.height = 8, source.format = k4codec::kFmtA8R8G8B8;
        source.levels.push_back(d3dxtest::encode(small, 16, 8, k4codec::kFmtA8R8G8B8));
        Image software;
        ASSERT_EQ(
            k4codec::composeTexture(source, 64, 32, 1.0f, 1, k4codec::kFmtA8R8G8B8, &software),
            k4codec::kOk);
        EXPECT_LE(maxDifference(pixelsOf(saved), pixelsOf(software)), 2);
    }
    {
        SCOPED_TRACE("a half-transparent layer keeps a quarter of its alpha");
        layers_.clear();
        addPicture("half.png", 8, 8, uniform(8, 8, {200, 100, 50, 128}));
        ASSERT_TRUE(save("half.dds"));
        const std::vector<Rgba> pixels = pixelsOf(readDds(out_ + "\\half.dds"));
        ASSERT_EQ(pixels.size(), 64u);
        const Rgba expected = {times(200, 128), times(100, 128), times(50, 128), times(128, 128)};
        EXPECT_LE(maxDifference({pixels[27]}, {expected}), 1) << text(pixels[27]);
        EXPECT_EQ(maxDifference(pixels, std::vector<Rgba>(64, pixels[27])), 0);
    }
}

// "overlay_" (case-sensitive) saves one level, any other name the full chain.
// A game folder is made below the install with every missing level, and game
// content serves as a layer.
TEST_F(LayeredSave, OverlayNamesSaveOneLevelOthersAFullChain) {
    addGameTexture("wide.png"); // 128 x 32
    const std::string game = install_ + "\\data\\textures\\made\\deeper\\";
    for (const char* name : {"overlay_sky", "Overlay_sky.dds", "sky"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(save(name, 2, 1, "data\\textures\\made\\deeper\\"));
        ImageInfo info;
        const Image saved = readDds(game + name, &info);
        EXPECT_EQ(info.format, k4codec::kFmtDXT5);
        EXPECT_EQ(info.width, 128u);
        EXPECT_EQ(info.height, 32u);
        EXPECT_EQ(info.mipLevels, name[0] == 'o' ? 1u : 8u);
        // The smallest level still shows the picture's yellow.
        const std::vector<Rgba> last = pixelsOf(saved, info.mipLevels - 1);
        ASSERT_FALSE(last.empty());
        EXPECT_LE(maxDifference({last[0]}, {{255, 255, 0, 255}}), 8) << text(last[0]);
    }
}

// Each of the twelve formats: the file holds exactly the codec's encoding of
// the drawn picture, and Wine's own d3dx9 reads its format and size.
TEST_F(LayeredSave, EveryFormatReadsBackWithItsFormatAndSize) {
    const std::vector<Rgba> picture = pattern(32, 16, false);
    addPicture("picture.png", 32, 16, picture);
    using GetInfo = HRESULT(WINAPI*)(const char*, D3DXIMAGE_INFO*);
    using CreateFromFile = HRESULT(WINAPI*)(IDirect3DDevice9*, const char*, IDirect3DTexture9**);
    HMODULE d3dx = LoadLibraryA("d3dx9_43.dll");
    GetInfo getInfo = nullptr;
    CreateFromFile create = nullptr;
    if (d3dx != nullptr) {
        getInfo = reinterpret_cast<GetInfo>(
            reinterpret_cast<void*>(GetProcAddress(d3dx, "D3DXGetImageInfoFromFileA")));
        create = reinterpret_cast<CreateFromFile>(
            reinterpret_cast<void*>(GetProcAddress(d3dx, "D3DXCreateTextureFromFileA")));
    } else {
        std::printf("d3dx9_43.dll is not in this Wine prefix: only the codec reads back\n");
    }
    for (int32_t index = 0; index < k4export::kFormatCount; ++index) {
        const k4codec::Format format = k4export::formatFromIndex(index);
        SCOPED_TRACE(k4export::formatLabel(index));
        const std::string path = out_ + "\\format" + std::to_string(index) + ".dds";
        ASSERT_TRUE(save("format" + std::to_string(index) + ".dds", index));
        ImageInfo info;
        const Image saved = readDds(path, &info);
        EXPECT_EQ(info.format, format);
        EXPECT_EQ(saved.width, 32u);
        EXPECT_EQ(saved.height, 16u);
        EXPECT_EQ(info.mipLevels, 6u);
        ASSERT_FALSE(saved.levels.empty());
        EXPECT_TRUE(saved.levels[0] == d3dxtest::encode(picture, 32, 16, format));
        if (getInfo != nullptr && create != nullptr) {
            D3DXIMAGE_INFO wine = {};
            ASSERT_EQ(getInfo(path.c_str(), &wine), S_OK);
            EXPECT_EQ(static_cast<k4codec::Format>(wine.Format), format);
            EXPECT_EQ(wine.Width, 32u);
            EXPECT_EQ(wine.Height, 16u);
            EXPECT_EQ(wine.MipLevels, 6u);
            K4QBD3DUse use(window_.get());
            IDirect3DTexture9* texture = nullptr;
            EXPECT_EQ(create(use.device(), path.c_str(), &texture), S_OK);
            if (texture != nullptr) {
                texture->Release();
            }
        }
    }
    if (d3dx != nullptr) {
        FreeLibrary(d3dx);
    }
}

// Nothing is written, and nothing is left behind, whenever a save fails: an
// empty list or only layers that cannot load, a format outside the list, a
// name or folder with no safe place, a folder that cannot be made, a write
// that fails (an older file of that name stays as it was), a lost device.
TEST_F(LayeredSave, FailsWithoutWritingAnything) {
    EXPECT_FALSE(save("empty.dds"));
    layers_.append(nullptr, "gone.png", folder_.c_str());
    EXPECT_FALSE(save("gone.dds"));
    EXPECT_EQ(k4test::listTree(out_), std::vector<std::string>{});

    addGameTexture("blue.png");
    EXPECT_FALSE(save("format.dds", 12));
    EXPECT_FALSE(save("format.dds", -1));
    EXPECT_FALSE(save("..\\climbed.dds"));
    EXPECT_FALSE(save(""));
    EXPECT_FALSE(save("outside.dds", 3, 1, "data\\..\\..\\"));
    k4test::writeFile(install_ + "\\data\\textures\\blocker", "a file where a folder goes");
    EXPECT_FALSE(save("blocked.dds", 3, 1, "data\\textures\\blocker\\below\\"));
    EXPECT_EQ(k4test::listTree(out_), std::vector<std::string>{});
    EXPECT_EQ(k4test::readFile(install_ + "\\data\\textures\\blocker"),
              "a file where a folder goes");

    // An older file that cannot be replaced (another program has it open)
    // keeps its bytes.
    const std::string older = out_ + "\\older.dds";
    k4test::writeFile(older, "the older file");
    HANDLE held = CreateFileA(older.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(save("older.dds"));
    CloseHandle(held);
    EXPECT_TRUE(k4test::readFile(older) == "the older file");
    EXPECT_EQ(k4test::listTree(out_), std::vector<std::string>{"older.dds"});

    // A lost device fails at once; once it is reset the same save works.
    window_->playedDeviceState = D3DERR_DEVICELOST;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    ASSERT_TRUE(window_->isD3DDeviceLost());
    EXPECT_FALSE(save("lost.dds"));
    EXPECT_EQ(window_->getAppBusy(), K4QB_BUSY_IDLE);
    window_->playedDeviceState = D3DERR_DEVICENOTRESET;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    window_->playedDeviceState = D3D_OK;
    ASSERT_FALSE(window_->isD3DDeviceLost());
    EXPECT_EQ(k4test::listTree(out_), std::vector<std::string>{"older.dds"});
    EXPECT_TRUE(save("lost.dds"));
}

using ConvertTexture = LayeredTest;

// The source covers the band the aspect gives across the full width, the rest
// stays transparent black, as in the codec's software drawing; a full chain
// when asked.
TEST_F(ConvertTexture, DrawsTheSourceOverItsBand) {
    K4QBD3DUse use(window_.get());
    ASSERT_NE(use.device(), nullptr);
    IDirect3DTexture9* green =
        window_->getTextureCache()->getFromQuellbury("green.png", "data\\textures\\");
    const std::string band = out_ + "\\band.dds";
    ASSERT_TRUE(convertTexture(green, 64, 64, 4.0f, 1, D3DFMT_A8R8G8B8, band.c_str()));
    const std::vector<Rgba> pixels = pixelsOf(readDds(band));
    ASSERT_EQ(pixels.size(), 64u * 64u);
    for (uint32_t y = 0; y < 64; ++y) {
        const Rgba expected = y >= 24 && y < 40 ? Rgba{0, 255, 0, 255} : Rgba{0, 0, 0, 0};
        EXPECT_EQ(
            maxDifference(std::vector<Rgba>(pixels.begin() + y * 64, pixels.begin() + (y + 1) * 64),
                          std::vector<Rgba>(64, expected)),
            0)
            << "row " << y;
    }

    // A thumbnail: 16:9 over DXT5 with a full chain.
    const std::string thumb = out_ + "\\thumb.dds";
    ASSERT_TRUE(convertTexture(green, 64, 64, 16.0f / 9.0f, 0, D3DFMT_DXT5, thumb.c_str()));
    ImageInfo info;
    const std::vector<Rgba> thumbPixels = pixelsOf(readDds(thumb, &info));
    EXPECT_EQ(info.format, k4codec::kFmtDXT5);
    EXPECT_EQ(info.mipLevels, 7u);
    uint32_t top = 0, bottom = 0;
    k4codec::bandRows(64, 16.0f / 9.0f, &top, &bottom);
    ASSERT_EQ(thumbPixels.size(), 64u * 64u);
    EXPECT_EQ(thumbPixels[(top - 1) * 64 + 5].a, 0);
    EXPECT_EQ(thumbPixels[top * 64 + 5].a, 255);
    EXPECT_EQ(thumbPixels[(bottom - 1) * 64 + 5].a, 255);
    EXPECT_EQ(thumbPixels[bottom * 64 + 5].a, 0);

    EXPECT_FALSE(convertTexture(green, 64, 64, 0.0f, 1, D3DFMT_DXT5, (out_ + "\\no.dds").c_str()));
    EXPECT_FALSE(convertTexture(green, 64, 64, 1.0f, 1, D3DFMT_DXT5, (out_ + "\\no\\").c_str()));
    EXPECT_EQ(k4test::listTree(out_), (std::vector<std::string>{"band.dds", "thumb.dds"}));
}

} // namespace
