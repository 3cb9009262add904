// DDS reading (legacy and DX10 headers, mip levels, cube maps, volumes,
// palettes), writing, and hostile headers.
#include "codec/dds_format.h"
#include "codec_test_support.h"

#include <cstring>

using namespace k4codec;
using namespace codectest;
using imgwrite::DdsOptions;
using imgwrite::fourCC;
using imgwrite::writeDds;

namespace {

Bytes pattern(size_t count, uint8_t seed = 0) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 29 + seed * 7 + 3);
    }
    return bytes;
}

DdsOptions legacyMasks(uint32_t flags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b,
                       uint32_t a) {
    DdsOptions o;
    o.width = 2, o.height = 1;
    o.pfFlags = flags, o.bits = bits;
    o.masks[0] = r, o.masks[1] = g, o.masks[2] = b, o.masks[3] = a;
    return o;
}

// The format a file is read as, and the colour of its first pixel.
void expectFirstPixel(const DdsOptions& options, const Bytes& data, Format format, Rgba colour) {
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(writeDds(options, data), &image, &info), kOk);
    EXPECT_EQ(info.format, format);
    EXPECT_EQ(pixelsOf(image)[0], colour);
}

} // namespace

// Masks of known formats are read as those formats (every one is written and
// read back by DdsWrite below); these are the cases that are not.
TEST(DdsRead, LegacyMasks) {
    // Luminance uses the red mask only; alpha-only files have no colour.
    expectFirstPixel(legacyMasks(0x20001, 16, 0xff, 0, 0, 0xff00), {0x42, 0x10, 0, 0}, kFmtA8L8,
                     rgba(0x42, 0x42, 0x42, 0x10));
    expectFirstPixel(legacyMasks(0x2, 8, 0, 0, 0, 0xff), {0x42, 0}, kFmtA8, rgba(0, 0, 0, 0x42));
    // Alpha masks count only with an alpha flag.
    expectFirstPixel(legacyMasks(0x40, 32, 0xff0000, 0xff00, 0xff, 0xff000000),
                     {1, 2, 3, 4, 0, 0, 0, 0}, kFmtX8R8G8B8, rgba(3, 2, 1));
    // Masks that name no known format are expanded to 32 bits.
    expectFirstPixel(legacyMasks(0x40, 24, 0xff, 0xff00, 0xff0000, 0), {1, 2, 3, 0, 0, 0},
                     kFmtX8R8G8B8, rgba(1, 2, 3));
    expectFirstPixel(legacyMasks(0x41, 16, 0x7e00, 0x1f0, 0xf, 0x8000), {0x0f, 0xfe, 0, 0},
                     kFmtA8R8G8B8, rgba(255, 0, 255, 255));
}

TEST(DdsRead, Dx10FormatsMapToDirect3DFormats) {
    // sRGB and TYPELESS read as UNORM: sRGB is a sampling state in Direct3D 9.
    DdsOptions o;
    o.width = 1, o.height = 1, o.dx10 = true;
    const auto dx10 = [&](uint32_t dxgi) { return o.dxgiFormat = dxgi, o; };
    expectFirstPixel(dx10(29), {1, 2, 3, 4}, kFmtA8B8G8R8, rgba(1, 2, 3, 4));
    expectFirstPixel(dx10(91), {1, 2, 3, 4}, kFmtA8R8G8B8, rgba(3, 2, 1, 4));
    expectFirstPixel(dx10(93), {1, 2, 3, 4}, kFmtX8R8G8B8, rgba(3, 2, 1));
    expectFirstPixel(dx10(115), {0x0f, 0xf0}, kFmtA4R4G4B4, rgba(0, 0, 255, 255));
    expectFirstPixel(dx10(61), {0x42}, kFmtL8, rgba(0x42, 0x42, 0x42)); // R8: one channel, grey
    expectFirstPixel(dx10(49), {0x42, 0x24}, kFmtX8R8G8B8, rgba(0x42, 0x24, 0)); // R8G8
    for (uint32_t dxgi : {71u, 72u, 74u, 75u, 77u, 78u}) {
        ImageInfo info;
        const Bytes file = writeDds(dx10(dxgi), pattern(dxgi < 73 ? 8 : 16));
        ASSERT_EQ(ddsReadHeader(file.data(), file.size(), &info), kOk) << dxgi;
        EXPECT_EQ(info.format, dxgi < 73 ? kFmtDXT1 : dxgi < 76 ? kFmtDXT3 : kFmtDXT5);
    }
}

TEST(DdsRead, CubesAndArraysGiveTheirFirstFaceVolumesTheirFirstSlices) {
    Image image;
    ImageInfo info;
    // Legacy cube: six faces of 2x2 A8R8G8B8 with two levels each.
    DdsOptions o = legacyMasks(0x41, 32, 0xff0000, 0xff00, 0xff, 0xff000000);
    o.width = 2, o.height = 2, o.mipCount = 2, o.caps2 = 0xfe00;
    const Bytes data = pattern((4 + 1) * 4 * 6);
    ASSERT_EQ(readBytes(writeDds(o, data), &image, &info), kOk);
    EXPECT_EQ(info.resourceType, ResourceType::CubeTexture);
    EXPECT_EQ(image.levels[0], Bytes(data.begin(), data.begin() + 16));
    EXPECT_EQ(image.levels[1], Bytes(data.begin() + 16, data.begin() + 20));
    // DX10 cube and array.
    DdsOptions x;
    x.width = 4, x.height = 4, x.dx10 = true, x.dxgiFormat = 71, x.miscFlag = 4, x.arraySize = 2;
    const Bytes blocks = pattern(8 * 12);
    ASSERT_EQ(readBytes(writeDds(x, blocks), &image, &info), kOk);
    EXPECT_EQ(info.resourceType, ResourceType::CubeTexture);
    EXPECT_EQ(image.levels[0], Bytes(blocks.begin(), blocks.begin() + 8));
    // Volume: level 0 has 4 slices of 4 bytes, level 1 2 slices of 1 byte.
    DdsOptions v = legacyMasks(0x20000, 8, 0xff, 0, 0, 0);
    v.width = 2, v.height = 2, v.depth = 4, v.mipCount = 2;
    v.flags |= 0x800000 | 0x20000, v.caps2 = 0x200000;
    const Bytes slices = pattern(16 + 2);
    ASSERT_EQ(readBytes(writeDds(v, slices), &image, &info), kOk);
    EXPECT_EQ(info.resourceType, ResourceType::VolumeTexture);
    EXPECT_EQ(info.depth, 4u);
    EXPECT_EQ(image.levels[0], Bytes(slices.begin(), slices.begin() + 4));
    EXPECT_EQ(image.levels[1], Bytes(slices.begin() + 16, slices.begin() + 17));
}

TEST(DdsRead, PalettesExpandToThirtyTwoBits) {
    DdsOptions o;
    o.width = 3, o.height = 1, o.pfFlags = 0x20, o.bits = 8;
    o.palette.assign(256, px(0, 0, 0, 0));
    o.palette[1] = px(10, 20, 30, 0);
    o.palette[255] = px(200, 100, 50, 0);
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(writeDds(o, {1, 255, 0}), &image, &info), kOk);
    EXPECT_EQ(info.format, kFmtP8);
    EXPECT_EQ(image.format, kFmtX8R8G8B8); // flags all zero: opaque
    std::vector<Rgba> pixels = pixelsOf(image);
    EXPECT_EQ(pixels[0], rgba(10, 20, 30));
    EXPECT_EQ(pixels[1], rgba(200, 100, 50));
    // The flags byte is alpha once any entry uses it; A8P8 carries its own.
    o.palette[1].a = 77;
    ASSERT_EQ(readBytes(writeDds(o, {1, 255, 0}), &image, &info), kOk);
    EXPECT_EQ(image.format, kFmtA8R8G8B8);
    EXPECT_EQ(pixelsOf(image)[0], rgba(10, 20, 30, 77));
    o.bits = 16, o.pfFlags = 0x21, o.masks[3] = 0xff00;
    ASSERT_EQ(readBytes(writeDds(o, {1, 9, 255, 8, 0, 7}), &image, &info), kOk);
    EXPECT_EQ(info.format, kFmtA8P8);
    EXPECT_EQ(pixelsOf(image)[1], rgba(200, 100, 50, 8));
}

TEST(DdsRead, HostileHeadersAreRejectedBeforeAllocating) {
    DdsOptions good;
    good.fourCC = fourCC("DXT1");
    const Bytes goodFile = writeDds(good, pattern(8));
    Image image;
    ASSERT_EQ(readBytes(goodFile, &image), kOk);
    expectPrefixesHandled(goodFile);
    // Each case changes the good header; the data is long enough for it.
    const struct {
        void (*change)(DdsOptions*);
        size_t dataBytes;
    } cases[] = {
        {[](DdsOptions* o) { o->headerSize = 24; }, 8},
        {[](DdsOptions* o) { o->pfSize = 0; }, 8},
        {[](DdsOptions* o) { o->width = 0; }, 8},
        // 16384 x 16384 DXT5 needs 256 MiB: a short file must not make us allocate it.
        {[](DdsOptions* o) { o->width = o->height = 16384, o->fourCC = fourCC("DXT5"); }, 64},
        {[](DdsOptions* o) { o->mipCount = 4; }, 8 * 4}, // a 4x4 image has 3 levels
        {[](DdsOptions* o) { o->mipCount = 0xffffffff; }, 8},
        {[](DdsOptions* o) { o->pfFlags = 0x80000, o->bits = 16; }, 32},                // bump map
        {[](DdsOptions* o) { *o = legacyMasks(0x41, 16, 0xff00, 0x0ff0, 0xf, 0); }, 4}, // overlap
        {[](DdsOptions* o) { *o = legacyMasks(0x40, 12, 0xf00, 0xf0, 0xf, 0); }, 8},
        // A mask past the pixel's bits.
        {[](DdsOptions* o) { *o = legacyMasks(0x40, 8, 0xe0, 0x1c, 0x103, 0); }, 8},
        {[](DdsOptions* o) { o->depth = 0, o->caps2 = 0x200000; }, 8},
        {[](DdsOptions* o) { o->pfFlags = 0x20, o->bits = 8; }, 16}, // palette missing
    };
    for (const auto& c : cases) {
        DdsOptions o = good;
        c.change(&o);
        const Bytes file = writeDds(o, pattern(c.dataBytes));
        ImageInfo info;
        EXPECT_EQ(ddsReadHeader(file.data(), file.size(), &info), kInvalidData) << &c - cases;
        EXPECT_EQ(ddsReadImage(file.data(), file.size(), &image, &info), kInvalidData)
            << &c - cases;
    }
    DdsOptions wide = good;
    wide.width = 16385;
    expectTooLarge(writeDds(wide, pattern(8)), 16385, good.height);
}

// Every format a texture may hold is written, with a header that our reader
// (and the independent readers of tests/interop and Wine's d3dx9) take back
// to the same format and bytes: bit masks where they describe the format,
// the FourCC where they cannot.
TEST(DdsWrite, EveryConvertibleFormatReadsBack) {
    const Format formats[] = {
        kFmtDXT1,         kFmtDXT2,        kFmtDXT3,     kFmtDXT4,     kFmtDXT5,
        kFmtA8R8G8B8,     kFmtX8R8G8B8,    kFmtR8G8B8,   kFmtR5G6B5,   kFmtX1R5G5B5,
        kFmtA1R5G5B5,     kFmtA4R4G4B4,    kFmtR3G3B2,   kFmtA8,       kFmtA8R3G3B2,
        kFmtX4R4G4B4,     kFmtA2B10G10R10, kFmtA8B8G8R8, kFmtX8B8G8R8, kFmtA2R10G10B10,
        kFmtA16B16G16R16, kFmtL8,          kFmtA8L8,     kFmtA4L4,     kFmtL16};
    for (Format format : formats) {
        for (uint32_t levels : {1u, 4u}) {
            SCOPED_TRACE(std::string(formatName(format)) + " " + std::to_string(levels));
            Image image;
            ASSERT_EQ(allocateImage(&image, 12, 8, format, levels), kOk);
            for (size_t i = 0; i < levels; ++i) {
                image.levels[i] = pattern(image.levels[i].size(), uint8_t(i));
            }
            Bytes file;
            ASSERT_EQ(ddsWriteImage(image, &file), kOk);
            DdsHeader header;
            std::memcpy(&header, file.data() + 4, sizeof header);
            EXPECT_EQ(header.pitchOrLinearSize, isCompressed(format)
                                                    ? formatLevelBytes(format, 12, 8)
                                                    : formatRowPitch(format, 12));
            EXPECT_EQ(header.mipMapCount, levels > 1 ? levels : 0u);
            Image back;
            ImageInfo info;
            ASSERT_EQ(readBytes(file, &back, &info), kOk);
            EXPECT_EQ(info.format, format);
            EXPECT_EQ(back.levels, image.levels);
        }
    }
    // Palettes and inconsistent levels are not written.
    Image image;
    Bytes file;
    image.width = image.height = 4, image.format = kFmtP8, image.levels = {Bytes(16)};
    EXPECT_EQ(ddsWriteImage(image, &file), kInvalidCall);
    ASSERT_EQ(allocateImage(&image, 4, 4, kFmtL8, 2), kOk);
    image.levels[1].pop_back();
    EXPECT_EQ(ddsWriteImage(image, &file), kInvalidCall);
    EXPECT_TRUE(file.empty());
}
