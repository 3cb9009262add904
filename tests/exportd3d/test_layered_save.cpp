// Saving the layered texture and convertTexture on the real device in the real
// main window (under Wine), read back with the codec and Wine's own d3dx9.
#include "layered_test_support.h"

#include "codec/compose.h"
#include "export/output_tables.h"
#include "tests/support/checks.h"

namespace {

using namespace layeredtest;
using d3dxtest::pattern;

using LayeredSave = LayeredTest;

// Bottom first, each layer stretched over the bottom layer's size and blended
// over transparent black, colour and alpha alike.
TEST_F(LayeredSave, DrawsEachLayerOverTheOnesBelow) {
    const std::vector<Rgba> opaque = pattern(64, 32, false);
    addPicture("opaque.png", 64, 32, opaque);
    ASSERT_TRUE(save("one.dds"));
    const Image one = readDds(out_ + "\\one.dds");
    EXPECT_EQ(one.format, k4codec::kFmtA8R8G8B8);
    EXPECT_EQ(maxDifference(pixelsOf(one), opaque), 0) << "one opaque layer keeps its pixels";

    addPicture("clear.png", 16, 16, std::vector<Rgba>(256, {255, 0, 0, 0}));
    ASSERT_TRUE(save("clear.dds"));
    EXPECT_EQ(maxDifference(pixelsOf(readDds(out_ + "\\clear.dds")), opaque), 0)
        << "a top layer of alpha 0 changes nothing";

    const std::vector<Rgba> small = pattern(16, 8, false);
    addPicture("small.png", 16, 8, small);
    ASSERT_TRUE(save("stretched.dds"));
    // As the codec's software drawing stretches it (bilinear, edges clamped).
    Image source{
        16, 8, k4codec::kFmtA8R8G8B8, {d3dxtest::encode(small, 16, 8, k4codec::kFmtA8R8G8B8)}},
        software;
    ASSERT_EQ(composeTexture(source, 64, 32, 1.0f, 1, k4codec::kFmtA8R8G8B8, &software),
              k4codec::kOk);
    EXPECT_LE(maxDifference(pixelsOf(readDds(out_ + "\\stretched.dds")), pixelsOf(software)), 2);

    layers_.clear();
    addPicture("half.png", 8, 8, std::vector<Rgba>(64, {200, 100, 50, 128}));
    ASSERT_TRUE(save("half.dds"));
    // 200 * 128 / 255 ... and alpha 128 * 128 / 255: a quarter.
    EXPECT_LE(maxDifference(pixelsOf(readDds(out_ + "\\half.dds")),
                            std::vector<Rgba>(64, {100, 50, 25, 64})),
              1);
}

// "overlay_" (case-sensitive) saves one level, other names the full chain;
// the game folder is made below the install with every missing level.
TEST_F(LayeredSave, OverlayNamesSaveOneLevelOthersAFullChain) {
    addGameTexture("wide.png"); // 128 x 32, yellow
    for (const char* name : {"overlay_sky", "Overlay_sky.dds", "sky"}) {
        ASSERT_TRUE(save(name, 2, 1, "data\\textures\\made\\deeper\\")) << name;
        ImageInfo info;
        const Image saved = readDds(install_ + "\\data\\textures\\made\\deeper\\" + name, &info);
        EXPECT_EQ(info.format, k4codec::kFmtDXT5);
        EXPECT_EQ(std::make_pair(info.width, info.height), std::make_pair(128u, 32u));
        EXPECT_EQ(info.mipLevels, name[0] == 'o' ? 1u : 8u) << name;
        EXPECT_LE(maxDifference({pixelsOf(saved, info.mipLevels - 1).at(0)}, {{255, 255, 0, 255}}),
                  8);
    }
}

// Each of the twelve formats holds exactly the codec's encoding of the drawn
// picture, and Wine's own d3dx9 reads the file's format and size.
TEST_F(LayeredSave, EveryFormatReadsBackWithItsFormatAndSize) {
    const std::vector<Rgba> picture = pattern(32, 16, false);
    addPicture("picture.png", 32, 16, picture);
    using GetInfo = HRESULT(WINAPI*)(const char*, D3DXIMAGE_INFO*);
    HMODULE d3dx = LoadLibraryA("d3dx9_43.dll");
    const auto getInfo = reinterpret_cast<GetInfo>(reinterpret_cast<void*>(
        d3dx != nullptr ? GetProcAddress(d3dx, "D3DXGetImageInfoFromFileA") : nullptr));
    for (int32_t index = 0; index < k4export::kFormatCount; ++index) {
        const k4codec::Format format = k4export::formatFromIndex(index);
        SCOPED_TRACE(k4export::formatLabel(index));
        const std::string name = "format" + std::to_string(index) + ".dds";
        ASSERT_TRUE(save(name, index));
        ImageInfo info;
        const Image saved = readDds(out_ + "\\" + name, &info);
        EXPECT_EQ(info.format, format);
        EXPECT_EQ(std::make_pair(saved.width, saved.height), std::make_pair(32u, 16u));
        EXPECT_EQ(info.mipLevels, 6u);
        EXPECT_TRUE(!saved.levels.empty() &&
                    saved.levels[0] == d3dxtest::encode(picture, 32, 16, format));
        D3DXIMAGE_INFO wine = {};
        if (getInfo != nullptr && getInfo((out_ + "\\" + name).c_str(), &wine) == S_OK) {
            EXPECT_EQ(static_cast<k4codec::Format>(wine.Format), format);
            EXPECT_EQ(std::make_pair(wine.Width, wine.Height), std::make_pair(32u, 16u));
            EXPECT_EQ(wine.MipLevels, 6u);
        } else {
            ADD_FAILURE() << "Wine's d3dx9 does not read the file";
        }
    }
    FreeLibrary(d3dx);
}

// Whenever a save fails nothing is written and nothing is left behind: no
// layer that loads, a format outside the list, no safe path, a folder that
// cannot be made, a write that fails (the older file stays), a lost device.
TEST_F(LayeredSave, FailsWithoutWritingAnything) {
    EXPECT_FALSE(save("empty.dds"));
    layers_.append(nullptr, "gone.png", folder_.c_str());
    EXPECT_FALSE(save("gone.dds"));

    addGameTexture("blue.png");
    EXPECT_FALSE(save("format.dds", 12));
    EXPECT_FALSE(save("..\\climbed.dds"));
    EXPECT_FALSE(save("outside.dds", 3, 1, "data\\..\\..\\"));
    k4test::writeFile(install_ + "\\data\\textures\\blocker", "a file");
    EXPECT_FALSE(save("blocked.dds", 3, 1, "data\\textures\\blocker\\below\\"));

    // Another program holds the older file: it cannot be replaced.
    const std::string older = out_ + "\\older.dds";
    k4test::writeFile(older, "the older file");
    HANDLE held = CreateFileA(older.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_FALSE(save("older.dds"));
    CloseHandle(held);
    EXPECT_TRUE(k4test::readFile(older) == "the older file");

    // A lost device fails at once; after the reset the same save works.
    window_->playedDeviceState = D3DERR_DEVICELOST;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    EXPECT_FALSE(save("lost.dds"));
    EXPECT_EQ(window_->getAppBusy(), K4QB_BUSY_IDLE);
    EXPECT_EQ(k4test::listTree(out_), std::vector<std::string>{"older.dds"});
    EXPECT_EQ(k4test::listTree(install_ + "\\data\\textures").size(), 6u); // five pictures, blocker
    window_->playedDeviceState = D3DERR_DEVICENOTRESET;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    window_->playedDeviceState = D3D_OK;
    EXPECT_TRUE(save("lost.dds"));
}

// The source covers the band across the full width (aspect 4 on 64 x 64:
// rows 24 to 40), the rest stays transparent black.
TEST_F(LayeredSave, ConvertTextureDrawsTheSourceOverItsBand) {
    K4QBD3DUse use(window_.get());
    IDirect3DTexture9* green =
        window_->getTextureCache()->getFromQuellbury("green.png", "data\\textures\\");
    const std::string band = out_ + "\\band.dds";
    ASSERT_TRUE(convertTexture(green, 64, 64, 4.0f, 0, D3DFMT_A8R8G8B8, band.c_str()));
    ImageInfo info;
    const std::vector<Rgba> pixels = pixelsOf(readDds(band, &info));
    EXPECT_EQ(info.mipLevels, 7u);
    std::vector<Rgba> expected(64 * 64, {0, 0, 0, 0});
    std::fill(expected.begin() + 24 * 64, expected.begin() + 40 * 64, Rgba{0, 255, 0, 255});
    EXPECT_EQ(maxDifference(pixels, expected), 0);

    EXPECT_FALSE(convertTexture(green, 64, 64, 0.0f, 1, D3DFMT_DXT5, (out_ + "\\no.dds").c_str()));
    EXPECT_FALSE(convertTexture(green, 64, 64, 1.0f, 1, D3DFMT_DXT5, (out_ + "\\no\\").c_str()));
    EXPECT_EQ(k4test::listTree(out_), std::vector<std::string>{"band.dds"});
}

} // namespace
