// Reading image files: D3DXGetImageInfoFromFileA on every input type and
// D3DXCreateTextureFromFileA (and the same load in steps) into managed
// textures of a real device: the format chosen, the rounded size, the level
// count and the pixels.
#include "d3dx_test_support.h"

#include "codec/loader.h"
#include "codec/mips.h"

#include <algorithm>

using namespace d3dxtest;
using k4codec::levelSize;

namespace {

struct DdsFixture {
    std::string path;
    Image image; // what the file holds
};

// A DDS file of `format` with `levels` levels of the test pattern, encoded
// and written by the codec (the bridge only moves these bytes).
DdsFixture ddsFixture(const std::string& name, Format format, uint32_t width, uint32_t height,
                      uint32_t levels) {
    DdsFixture fixture;
    fixture.image.width = width;
    fixture.image.height = height;
    fixture.image.format = format;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t w = levelSize(width, level), h = levelSize(height, level);
        fixture.image.levels.push_back(encode(pattern(w, h), w, h, format));
    }
    imgwrite::Bytes bytes;
    EXPECT_EQ(k4codec::ddsWriteImage(fixture.image, &bytes), k4codec::kOk);
    fixture.path = saveFixture(name, bytes);
    return fixture;
}

// The texture D3DXCreateTextureFromFileA makes of a file, read back. The load
// in steps, decoding without the device, makes the same texture: first with
// the levels the file holds, then with all of them.
Image loadTexture(IDirect3DDevice9* device, const std::string& path) {
    ComRef<IDirect3DTexture9> texture, first, complete;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), texture.out()), S_OK) << path;
    const Image whole = texture.get() != nullptr ? readTexture(texture.get()) : Image();

    k4d3dx::TextureTarget target;
    k4d3dx::DecodedTexture decoded;
    EXPECT_EQ(k4d3dx::queryTextureTarget(device, &target), S_OK);
    EXPECT_EQ(k4d3dx::decodeTextureFile(target, path.c_str(), &decoded), S_OK);
    EXPECT_EQ(k4d3dx::createDecodedTexture(device, decoded, first.out()), S_OK);
    if (first.get() != nullptr) {
        const Image top = readTexture(first.get());
        EXPECT_EQ(top.format, whole.format);
        EXPECT_EQ(top.levels.size(), whole.levels.size());
        for (size_t level = 0; level < decoded.texture.levels.size() && level < whole.levels.size();
             ++level) {
            EXPECT_EQ(top.levels[level], whole.levels[level]) << "level " << level;
        }
    }
    EXPECT_EQ(k4d3dx::completeTextureLevels(&decoded), S_OK);
    EXPECT_TRUE(decoded.complete());
    EXPECT_EQ(k4d3dx::createDecodedTexture(device, decoded, complete.out()), S_OK);
    if (complete.get() != nullptr) {
        EXPECT_EQ(readTexture(complete.get()).levels, whole.levels) << "in steps";
    }
    return whole;
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
    using imgwrite::Bytes;
    const struct {
        std::string path;
        UINT width, height, levels;
        D3DFORMAT format;
        D3DXIMAGE_FILEFORMAT type;
    } cases[] = {
        {ddsFixture("info.dds", k4codec::kFmtDXT5, 16, 8, 3).path, 16, 8, 3, D3DFMT_DXT5,
         D3DXIFF_DDS},
        {saveFixture("info.bmp", imgwrite::writeBmp({}, 5, 3, std::vector<uint32_t>(15, 0x123456))),
         5, 3, 1, D3DFMT_R8G8B8, D3DXIFF_BMP},
        {saveFixture("info.tga",
                     imgwrite::writeTga({}, 7, 2, std::vector<uint32_t>(14, 0x80102030))),
         7, 2, 1, D3DFMT_A8R8G8B8, D3DXIFF_TGA},
        {saveFixture("info.png", imgwrite::writePng({}, 9, 4, std::vector<uint16_t>(144, 77))), 9,
         4, 1, D3DFMT_A8R8G8B8, D3DXIFF_PNG},
        {saveFixture("info.jpg", imgwrite::writeJpeg({}, 10, 6, Bytes(180, 99))), 10, 6, 1,
         D3DFMT_X8R8G8B8, D3DXIFF_JPG},
    };
    for (const auto& e : cases) {
        SCOPED_TRACE(e.path);
        D3DXIMAGE_INFO info;
        std::memset(&info, 0xcd, sizeof info);
        ASSERT_EQ(D3DXGetImageInfoFromFileA(e.path.c_str(), &info), S_OK);
        EXPECT_EQ(info.Width, e.width);
        EXPECT_EQ(info.Height, e.height);
        EXPECT_EQ(info.Depth, 1u);
        EXPECT_EQ(info.MipLevels, e.levels);
        EXPECT_EQ(info.Format, e.format);
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
        EXPECT_EQ(info.ImageFileFormat, e.type);
        // Without a structure the call only checks the file.
        EXPECT_EQ(D3DXGetImageInfoFromFileA(e.path.c_str(), nullptr), S_OK);
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
        SCOPED_TRACE(formatName(c.format));
        const DdsFixture fixture = ddsFixture(std::string("load_") + formatName(c.format) + ".dds",
                                              c.format, c.width, c.height, c.levels);
        const Format expected = device.canCreate(c.format) ? c.format : c.fallback;
        const Image got = loadTexture(device.get(), fixture.path);
        EXPECT_EQ(got.format, expected);
        EXPECT_EQ(got.width, c.width);
        EXPECT_EQ(got.height, c.height);
        ASSERT_EQ(got.levels.size(), fullMipCount(c.width, c.height));
        // The file's levels, in the fallback as the codec converts them.
        Image held;
        ASSERT_EQ(convertImage(fixture.image, expected, &held), kOk);
        for (uint32_t level = 0; level < c.levels; ++level) {
            EXPECT_EQ(got.levels[level], held.levels[level]) << "level " << level;
        }
        expectBuiltLevels(got, c.levels);
    }
}

// Image files: sizes rounded up to powers of two, a full chain, and the
// file's format or its nearest relative (24-bit becomes X8R8G8B8, palettes
// X8R8G8B8 or A8R8G8B8, grey stays L8). Level 0 holds the codec's reading of
// the file at the texture's size; the levels below are the box filter's.
TEST(D3dxLoad, ImageFilesAreRoundedWithFullChain) {
    K4_NEED_DEVICE(device);
    using namespace k4codec;
    std::vector<uint32_t> rgb, argb;
    std::vector<uint16_t> rgba, grey;
    for (const Rgba& p : pattern(8, 4)) {
        rgb.push_back(static_cast<uint32_t>(p.r) << 16 | p.g << 8 | p.b);
        argb.push_back(rgb.back() | static_cast<uint32_t>(p.a) << 24);
        rgba.insert(rgba.end(), {p.r, p.g, p.b, p.a});
        grey.push_back(p.r);
    }
    imgwrite::BmpOptions palette;
    palette.bits = 8;
    palette.palette = {{10, 20, 30, 0}, {200, 100, 50, 0}};
    imgwrite::PngOptions greyPng;
    greyPng.colourType = 0;
    std::vector<uint8_t> jpegSamples;
    for (const Rgba& p : pattern(16, 8, false)) {
        jpegSamples.insert(jpegSamples.end(), {p.r, p.g, 128});
    }
    const struct {
        const char* name;
        imgwrite::Bytes file;
        Format format, fallback; // the fallback when the device lacks `format`
        uint32_t width, height;
    } cases[] = {
        {"rgb.bmp", imgwrite::writeBmp(imgwrite::BmpOptions(), 8, 4, rgb), kFmtR8G8B8, kFmtX8R8G8B8,
         8, 4},
        {"palette.bmp", imgwrite::writeBmp(palette, 5, 3, std::vector<uint32_t>(15, 1)),
         kFmtX8R8G8B8, kFmtX8R8G8B8, 8, 4},
        {"argb.tga", imgwrite::writeTga({}, 8, 4, argb), kFmtA8R8G8B8, kFmtA8R8G8B8, 8, 4},
        {"rgba.png",
         imgwrite::writePng(imgwrite::PngOptions(), 8, 3, {rgba.begin(), rgba.begin() + 96}),
         kFmtA8R8G8B8, kFmtA8R8G8B8, 8, 4},
        {"grey.png", imgwrite::writePng(greyPng, 4, 4, {grey.begin(), grey.begin() + 16}), kFmtL8,
         kFmtX8R8G8B8, 4, 4},
        {"colour.jpg", imgwrite::writeJpeg(imgwrite::JpegOptions(), 16, 8, jpegSamples),
         kFmtX8R8G8B8, kFmtX8R8G8B8, 16, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image decoded, expected;
        ImageInfo info;
        ASSERT_EQ(readImage(c.file.data(), c.file.size(), &decoded, &info), kOk);
        const Image got = loadTexture(device.get(), saveFixture(c.name, c.file));
        EXPECT_EQ(got.format, device.canCreate(c.format) ? c.format : c.fallback);
        ASSERT_EQ(got.levels.size(), fullMipCount(c.width, c.height));
        ASSERT_EQ(resizeImage(decoded, c.width, c.height, 1, got.format, &expected), kOk);
        EXPECT_EQ(got.levels[0], expected.levels[0]);
        expectBuiltLevels(got, 1);
    }

    // Junk before a marker: the texture loads, and the reader's warning
    // reaches the caller.
    imgwrite::Bytes junk = cases[5].file;
    junk.insert(junk.begin() + 2, {0x12, 0x34});
    ComRef<IDirect3DTexture9> texture;
    k4codec::ImageInfo info;
    ASSERT_EQ(k4d3dx::createTextureFromFile(device.get(), saveFixture("junk.jpg", junk).c_str(),
                                            texture.out(), &info),
              S_OK);
    EXPECT_STREQ(info.warning, "Corrupt JPEG data: 2 extraneous bytes before marker 0xe0");
}
