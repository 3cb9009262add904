// Reading image files: D3DXGetImageInfoFromFileA on every input type and
// D3DXCreateTextureFromFileA into managed textures of a real device: the
// format chosen, the rounded size, the level count and the pixels.
#include "d3dx_test_support.h"

#include "codec/mips.h"

#include <algorithm>

using namespace d3dxtest;
using k4codec::levelSize;

namespace {

struct DdsFixture {
    std::string path;
    Image image; // what the file holds
};

// A DDS file of `format` with `levels` levels of the test pattern, encoded by
// the codec (the bridge only moves these bytes).
DdsFixture ddsFixture(const std::string& name, Format format, uint32_t width, uint32_t height,
                      uint32_t levels) {
    DdsFixture fixture;
    fixture.image.width = width;
    fixture.image.height = height;
    fixture.image.format = format;
    imgwrite::Bytes data;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t w = levelSize(width, level), h = levelSize(height, level);
        fixture.image.levels.push_back(encode(pattern(w, h), w, h, format));
        data.insert(data.end(), fixture.image.levels.back().begin(),
                    fixture.image.levels.back().end());
    }
    imgwrite::DdsOptions options;
    options.width = width;
    options.height = height;
    options.mipCount = levels > 1 ? levels : 0;
    options.flags = 0x1007 | (levels > 1 ? 0x20000 : 0);
    options.caps = 0x1000 | (levels > 1 ? 0x400008 : 0);
    const k4codec::FormatInfo* info = k4codec::findFormat(format);
    if (info->compressed) {
        options.pfFlags = 0x4;
        options.fourCC = format;
    } else {
        options.pfFlags = (info->masks.luminance ? 0x20000 : 0x40) | (info->alpha ? 0x1 : 0);
        options.fourCC = 0;
        options.bits = info->bits;
        options.masks[0] = static_cast<uint32_t>(info->masks.r);
        options.masks[1] = static_cast<uint32_t>(info->masks.g);
        options.masks[2] = static_cast<uint32_t>(info->masks.b);
        options.masks[3] = static_cast<uint32_t>(info->masks.a);
    }
    fixture.path = saveFixture(name, imgwrite::writeDds(options, data));
    return fixture;
}

std::vector<uint16_t> samplesOf(const std::vector<Rgba>& pixels, int channels) {
    std::vector<uint16_t> samples;
    for (const Rgba& p : pixels) {
        const uint8_t all[4] = {p.r, p.g, p.b, p.a};
        if (channels <= 2) {
            samples.push_back(p.g);
            if (channels == 2) {
                samples.push_back(p.a);
            }
        } else {
            samples.insert(samples.end(), all, all + channels);
        }
    }
    return samples;
}

IDirect3DTexture9* load(IDirect3DDevice9* device, const std::string& path) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &texture), S_OK) << path;
    return texture;
}

// Levels from `from` down must be the box filter of the level above, carried
// on in RGBA (a compressed level is not decoded again to make the next).
void expectBuiltLevels(const Image& got, uint32_t from) {
    from = std::max(from, 1u);
    std::vector<Rgba> above = pixelsOf(got, from - 1);
    for (uint32_t level = from; level < got.levels.size(); ++level) {
        std::vector<Rgba> below(static_cast<size_t>(levelSize(got.width, level)) *
                                levelSize(got.height, level));
        ASSERT_EQ(k4codec::downsampleBox(above.data(), levelSize(got.width, level - 1),
                                         levelSize(got.height, level - 1), below.data()),
                  k4codec::kOk);
        EXPECT_EQ(got.levels[level], encode(below, levelSize(got.width, level),
                                            levelSize(got.height, level), got.format))
            << "level " << level;
        above.swap(below);
    }
}

} // namespace

TEST(D3dxInfo, DescribesEachFileType) {
    const DdsFixture dds = ddsFixture("info.dds", k4codec::kFmtDXT5, 16, 8, 3);
    imgwrite::BmpOptions bmp;
    const std::string bmpPath =
        saveFixture("info.bmp", imgwrite::writeBmp(bmp, 5, 3, std::vector<uint32_t>(15, 0x123456)));
    imgwrite::TgaOptions tga;
    tga.alphaBits = 8;
    const std::string tgaPath = saveFixture(
        "info.tga", imgwrite::writeTga(tga, 7, 2, std::vector<uint32_t>(14, 0x80102030)));
    imgwrite::PngOptions png;
    png.colourType = 0;
    const std::string pngPath =
        saveFixture("info.png", imgwrite::writePng(png, 9, 4, std::vector<uint16_t>(36, 77)));
    imgwrite::JpegOptions jpeg;
    const std::string jpegPath =
        saveFixture("info.jpg", imgwrite::writeJpeg(jpeg, 10, 6, std::vector<uint8_t>(180, 99)));

    struct Expected {
        std::string path;
        UINT width, height, levels;
        D3DFORMAT format;
        D3DXIMAGE_FILEFORMAT type;
    };
    const Expected cases[] = {
        {dds.path, 16, 8, 3, D3DFMT_DXT5, D3DXIFF_DDS},
        {bmpPath, 5, 3, 1, D3DFMT_R8G8B8, D3DXIFF_BMP},
        {tgaPath, 7, 2, 1, D3DFMT_A8R8G8B8, D3DXIFF_TGA},
        {pngPath, 9, 4, 1, D3DFMT_L8, D3DXIFF_PNG},
        {jpegPath, 10, 6, 1, D3DFMT_X8R8G8B8, D3DXIFF_JPG},
    };
    for (const Expected& e : cases) {
        D3DXIMAGE_INFO info;
        std::memset(&info, 0xcd, sizeof info);
        ASSERT_EQ(D3DXGetImageInfoFromFileA(e.path.c_str(), &info), S_OK) << e.path;
        EXPECT_EQ(info.Width, e.width) << e.path;
        EXPECT_EQ(info.Height, e.height) << e.path;
        EXPECT_EQ(info.Depth, 1u) << e.path;
        EXPECT_EQ(info.MipLevels, e.levels) << e.path;
        EXPECT_EQ(info.Format, e.format) << e.path;
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE) << e.path;
        EXPECT_EQ(info.ImageFileFormat, e.type) << e.path;
        // Without a structure the call only checks the file.
        EXPECT_EQ(D3DXGetImageInfoFromFileA(e.path.c_str(), nullptr), S_OK) << e.path;
    }
}

// DDS files keep their format and their levels when the device has the
// format; the levels the file lacks are built with the box filter; formats
// the device lacks become the nearest one with the same channels.
TEST(D3dxLoad, DdsFilesKeepFormatAndLevels) {
    K4_NEED_DEVICE(device);
    struct Case {
        Format format;
        uint32_t width, height, levels;
        Format fallback; // when the device cannot make `format`
    };
    using namespace k4codec;
    const Case cases[] = {
        {kFmtDXT1, 16, 16, 5, kFmtA8R8G8B8},   {kFmtDXT3, 8, 8, 4, kFmtA8R8G8B8},
        {kFmtDXT5, 16, 8, 2, kFmtA8R8G8B8},    {kFmtA8R8G8B8, 8, 8, 4, kFmtA8R8G8B8},
        {kFmtR8G8B8, 8, 4, 1, kFmtX8R8G8B8},   {kFmtR5G6B5, 8, 8, 2, kFmtX1R5G5B5},
        {kFmtA4R4G4B4, 4, 4, 3, kFmtA8R8G8B8}, {kFmtA1R5G5B5, 4, 8, 4, kFmtA4R4G4B4},
        {kFmtL8, 16, 4, 1, kFmtX8R8G8B8},      {kFmtA8L8, 8, 8, 4, kFmtA8R8G8B8},
        {kFmtA4L4, 8, 8, 1, kFmtA8L8},         {kFmtR3G3B2, 8, 8, 2, kFmtR5G6B5},
        {kFmtX8R8G8B8, 4, 4, 3, kFmtA8R8G8B8},
    };
    for (const Case& c : cases) {
        const std::string name = std::string("load_") + formatName(c.format) + ".dds";
        const DdsFixture fixture = ddsFixture(name, c.format, c.width, c.height, c.levels);
        const bool native = device.canCreate(c.format);
        const Format expected = native ? c.format : c.fallback;
        std::printf("DDS %-9s -> texture %s\n", formatName(c.format), formatName(expected));
        IDirect3DTexture9* texture = load(device.get(), fixture.path);
        ASSERT_NE(texture, nullptr) << name;
        const Image got = readTexture(texture);
        texture->Release();
        EXPECT_EQ(got.format, expected) << name;
        EXPECT_EQ(got.width, c.width) << name;
        EXPECT_EQ(got.height, c.height) << name;
        ASSERT_EQ(got.levels.size(), fullMipCount(c.width, c.height)) << name;
        for (uint32_t level = 0; level < c.levels; ++level) {
            if (native) {
                EXPECT_EQ(got.levels[level], fixture.image.levels[level]) << name << " " << level;
            } else {
                EXPECT_EQ(got.levels[level],
                          encode(pixelsOf(fixture.image, level), levelSize(c.width, level),
                                 levelSize(c.height, level), expected))
                    << name << " " << level;
            }
        }
        expectBuiltLevels(got, c.levels);
    }
}

// Image files: sizes rounded up to powers of two, a full chain, and the
// file's format or its nearest relative (24-bit becomes X8R8G8B8, palettes
// become X8R8G8B8 or A8R8G8B8, grey stays L8).
TEST(D3dxLoad, ImageFilesAreRoundedWithFullChain) {
    K4_NEED_DEVICE(device);
    using namespace k4codec;

    // 24-bit BMP, exact size: pixels exact.
    const std::vector<Rgba> bmpPixels = pattern(8, 4, false);
    std::vector<uint32_t> bmpValues;
    for (const Rgba& p : bmpPixels) {
        bmpValues.push_back(static_cast<uint32_t>(p.r) << 16 | p.g << 8 | p.b);
    }
    const std::string bmpPath =
        saveFixture("files.bmp", imgwrite::writeBmp(imgwrite::BmpOptions(), 8, 4, bmpValues));
    IDirect3DTexture9* texture = load(device.get(), bmpPath);
    ASSERT_NE(texture, nullptr);
    Image got = readTexture(texture);
    texture->Release();
    EXPECT_EQ(got.format, device.canCreate(kFmtR8G8B8) ? kFmtR8G8B8 : kFmtX8R8G8B8);
    EXPECT_EQ(got.levels.size(), 4u);
    EXPECT_EQ(pixelsOf(got), bmpPixels);
    expectBuiltLevels(got, 1);

    // 8-bit palette BMP of 5 x 3: 8 x 4, four levels, opaque; a single
    // palette colour stays that colour after scaling.
    imgwrite::BmpOptions palette;
    palette.bits = 8;
    palette.palette = {{10, 20, 30, 0}, {200, 100, 50, 0}};
    const std::string palPath =
        saveFixture("palette.bmp", imgwrite::writeBmp(palette, 5, 3, std::vector<uint32_t>(15, 1)));
    texture = load(device.get(), palPath);
    ASSERT_NE(texture, nullptr);
    got = readTexture(texture);
    texture->Release();
    EXPECT_EQ(got.format, kFmtX8R8G8B8);
    EXPECT_EQ(got.width, 8u);
    EXPECT_EQ(got.height, 4u);
    EXPECT_EQ(got.levels.size(), 4u);
    for (uint32_t level = 0; level < got.levels.size(); ++level) {
        for (const Rgba& p : pixelsOf(got, level)) {
            EXPECT_EQ(p, (Rgba{200, 100, 50, 255})) << "level " << level;
        }
    }

    // 32-bit TGA with alpha, 8 x 4 stored bottom-up: A8R8G8B8, exact.
    const std::vector<Rgba> tgaPixels = pattern(8, 4);
    std::vector<uint32_t> tgaValues;
    for (const Rgba& p : tgaPixels) {
        tgaValues.push_back(static_cast<uint32_t>(p.a) << 24 | p.r << 16 | p.g << 8 | p.b);
    }
    imgwrite::TgaOptions tga;
    tga.alphaBits = 8;
    texture =
        load(device.get(), saveFixture("files.tga", imgwrite::writeTga(tga, 8, 4, tgaValues)));
    ASSERT_NE(texture, nullptr);
    got = readTexture(texture);
    texture->Release();
    EXPECT_EQ(got.format, kFmtA8R8G8B8);
    EXPECT_EQ(pixelsOf(got), tgaPixels);
    expectBuiltLevels(got, 1);

    // RGBA PNG of 6 x 3: 8 x 4 with alpha, scaled; grey PNG: L8.
    imgwrite::PngOptions rgbaPng;
    const std::vector<Rgba> pngPixels = pattern(6, 3);
    texture =
        load(device.get(),
             saveFixture("files.png", imgwrite::writePng(rgbaPng, 6, 3, samplesOf(pngPixels, 4))));
    ASSERT_NE(texture, nullptr);
    got = readTexture(texture);
    texture->Release();
    EXPECT_EQ(got.format, kFmtA8R8G8B8);
    EXPECT_EQ(got.width, 8u);
    EXPECT_EQ(got.height, 4u);
    EXPECT_EQ(got.levels.size(), 4u);
    // Enlarging keeps the corners.
    const std::vector<Rgba> scaled = pixelsOf(got);
    EXPECT_EQ(scaled[0], pngPixels[0]);
    EXPECT_EQ(scaled[8 * 4 - 1], pngPixels[6 * 3 - 1]);
    expectBuiltLevels(got, 1);

    imgwrite::PngOptions greyPng;
    greyPng.colourType = 0;
    const std::vector<Rgba> greyPixels = pattern(4, 4, false);
    texture =
        load(device.get(),
             saveFixture("grey.png", imgwrite::writePng(greyPng, 4, 4, samplesOf(greyPixels, 1))));
    ASSERT_NE(texture, nullptr);
    got = readTexture(texture);
    texture->Release();
    EXPECT_EQ(got.format, device.canCreate(kFmtL8) ? kFmtL8 : kFmtX8R8G8B8);
    const std::vector<Rgba> greyGot = pixelsOf(got);
    for (size_t i = 0; i < greyGot.size(); ++i) {
        EXPECT_EQ(greyGot[i], (Rgba{greyPixels[i].g, greyPixels[i].g, greyPixels[i].g, 255})) << i;
    }

    // JPEG of 16 x 8: X8R8G8B8, pixels within the loss of quality 95.
    const std::vector<Rgba> jpegPixels = pattern(16, 8, false);
    std::vector<uint8_t> jpegSamples;
    for (const Rgba& p : jpegPixels) {
        // Smooth content so that the comparison measures the path, not JPEG.
        jpegSamples.insert(jpegSamples.end(),
                           {static_cast<uint8_t>(64 + p.r / 4), static_cast<uint8_t>(64 + p.g / 4),
                            static_cast<uint8_t>(128)});
    }
    imgwrite::JpegOptions jpeg;
    texture =
        load(device.get(), saveFixture("files.jpg", imgwrite::writeJpeg(jpeg, 16, 8, jpegSamples)));
    ASSERT_NE(texture, nullptr);
    got = readTexture(texture);
    texture->Release();
    EXPECT_EQ(got.format, kFmtX8R8G8B8);
    EXPECT_EQ(got.levels.size(), 5u);
    const std::vector<Rgba> jpegGot = pixelsOf(got);
    for (size_t i = 0; i < jpegGot.size(); ++i) {
        EXPECT_NEAR(jpegGot[i].r, 64 + jpegPixels[i].r / 4, 6) << i;
        EXPECT_NEAR(jpegGot[i].g, 64 + jpegPixels[i].g / 4, 6) << i;
        EXPECT_NEAR(jpegGot[i].b, 128, 6) << i;
        EXPECT_EQ(jpegGot[i].a, 255) << i;
    }

    // Junk before a marker: the texture loads, and the reader's warning
    // reaches the caller.
    imgwrite::Bytes junk = imgwrite::writeJpeg(jpeg, 16, 8, jpegSamples);
    junk.insert(junk.begin() + 2, {0x12, 0x34});
    k4codec::ImageInfo info;
    ASSERT_EQ(k4d3dx::createTextureFromFile(device.get(), saveFixture("junk.jpg", junk).c_str(),
                                            &texture, &info),
              S_OK);
    texture->Release();
    EXPECT_STREQ(info.warning, "Corrupt JPEG data: 2 extraneous bytes before marker 0xe0");
}
